// Start-up: the command line as given, our own main window and nothing else, the run-at-time
// service at every start, and the hide of a start-up start.
#include "app/entry.h"
#include "app/main_window.h"
#include "model/app_state.h"
#include "model/settings.h"
#include "store/settings_store.h"
#include "tests/support/test_support.h"

namespace {

class InstanceTest : public ProgramTest {};

TEST(ArgumentsOf, AreWhatFollowsTheNameAndOneBlankExactly) {
    struct Case {
        const wchar_t* line;
        const wchar_t* arguments;
    } cases[] = {
        {L"\"C:\\Program Files\\Dawnbell\\dawnbell.exe\" -s", L"-s"},
        {L"\"C:\\Program Files\\Dawnbell\\dawnbell.exe\"  -s", L" -s"},
        {L"\"C:\\Program Files\\Dawnbell\\dawnbell.exe\"\t-s", L"-s"},
        {L"\"C:\\Program Files\\Dawnbell\\dawnbell.exe\" \t-s", L"\t-s"},
        {L"C:\\Dawnbell\\dawnbell.exe AppRunAtTime", L"AppRunAtTime"},
        {L"dawnbell.exe", L""},
        {L"\"C:\\Dawn bell\\dawnbell.exe\"", L""},
        {L"\"unterminated -s", L""},
        {L"", L""},
    };
    for (const Case& c : cases)
        EXPECT_STREQ(ArgumentsOf(c.line), c.arguments) << fake::Narrow(c.line);
    EXPECT_STREQ(ArgumentsOf(nullptr), L"");
}

HWND Decoy(const wchar_t* className, const wchar_t* title) {
    return CreateWindowExW(0, className, title, WS_POPUP | WS_VISIBLE, 0, 0, 10, 10, nullptr,
                           nullptr, nullptr, nullptr);
}

TEST_F(InstanceTest, OnlyOurOwnReadyMainWindowIsTakenForTheRunningInstance) {
    EXPECT_EQ(FindRunningInstance(), nullptr);
    RunProgram(L"", [&](HWND window) {
        // Windows of other programs in front of ours, with our title or one that begins with it.
        HWND decoys[] = {
            Decoy(L"STATIC", L"Dawnbell.txt - Notepad"),
            Decoy(L"STATIC", kWindowTitle),
            Decoy(kDialogClass, kWindowTitle),
            Decoy(L"#32770", L"Dawnbell "),
            Decoy(kDialogClass, L"DAWNBELL"),
        };
        for (HWND decoy : decoys)
            ASSERT_NE(decoy, nullptr);
        // Even with our mark, a title that only the search's case-blind match takes for ours.
        SetPropW(decoys[4], kMainWindowMark, reinterpret_cast<HANDLE>(1));
        EXPECT_EQ(FindRunningInstance(), window);
        for (HWND decoy : decoys)
            DestroyWindow(decoy);
        // Once it ends, a second start must not hand over to it.
        SendMessageW(window, WM_CLOSE, 0, 0);
        EXPECT_EQ(FindRunningInstance(), nullptr);
    });
}

TEST_F(InstanceTest, EveryStartMakesSureTheRunAtTimeServiceRuns) {
    RunProgram(kStartupToken, nullptr);
    ASSERT_FALSE(fake::Journal().empty());
    EXPECT_EQ(fake::Journal().front(), kEnsureService);
}

bool g_showing = false; // the main window has been sent its first WM_SHOWWINDOW

LRESULT CALLBACK WatchShow(int code, WPARAM wParam, LPARAM lParam) {
    auto* message = reinterpret_cast<CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && message->message == WM_SHOWWINDOW && message->wParam)
        g_showing = true;
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST_F(InstanceTest, AStartupStartOnAnArmedAlarmHidesOnlyOnceTheWindowIsShown) {
    StoreSettings([](SettingsBlock& s) { s.Alarm = 1; });
    int hideTimers = 0;
    bool shownAtHideTimer = false;
    g_showing = false;
    HHOOK hook = SetWindowsHookExW(WH_CALLWNDPROC, WatchShow, nullptr, GetCurrentThreadId());
    fake::device().onCall = [&](const std::string& call) {
        if (call == "SetTimer(hwnd, 4, 0)") {
            ++hideTimers;
            shownAtHideTimer = g_showing;
        }
    };
    RunProgram(kStartupToken, [&](HWND window) {
        EXPECT_EQ(hideTimers, 1);
        EXPECT_TRUE(shownAtHideTimer) << "a hide before the first show is undone by it";
        SendMessageW(window, WM_TIMER, TIMER_HIDE, 0);
        EXPECT_FALSE(IsWindowVisible(window));
        // Shown again by a second start: it stays shown.
        ShowWindow(window, SW_SHOW);
        EXPECT_EQ(hideTimers, 1);
        PostQuitMessage(0);
    });
    fake::device().onCall = nullptr;
    UnhookWindowsHookEx(hook);
}

} // namespace
