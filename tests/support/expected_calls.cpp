#include "tests/support/expected_calls.h"

#include <cstdio>

#include "app/startup_shortcut.h"
#include "model/names.h"
#include "resources/resource.h"
#include "tests/support/fake_device.h"

namespace {

std::string Format(const char* format, long long a, long long b = 0) {
    char line[128];
    snprintf(line, sizeof line, format, a, b);
    return line;
}

std::string WindowTimer(const char* call, uintptr_t id) {
    return std::string(call) + "(hwnd, " + std::to_string(id);
}

Lines HotKeys(bool capture) {
    Lines lines;
    for (int k = 0; k < 16; ++k)
        lines.push_back(capture ? Format("RegisterHotKey(hwnd, %lld, 0x1008, 0x%llX)", k, 0xC1 + k)
                                : Format("UnregisterHotKey(hwnd, %lld)", k));
    return lines;
}

std::string ProgramPath() {
    return fake::Narrow(fake::device().modulePath);
}

} // namespace

Lines Join(std::initializer_list<Lines> parts) {
    Lines all;
    for (const Lines& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

const std::string kBeep = Format("PlaySoundW(#%lld, 0x0004000D)", IDR_BEEP);
const std::string kSilence = "PlaySoundW(NULL, 0x00000000)";
std::string PlaysWave(const std::string& path) {
    return "PlaySoundW(" + path + ", 0x00020009)";
}

const std::string kAskDevices = "waveOutGetNumDevs()";
const std::string kReadVolume = "waveOutGetVolume(0)";
std::string SetsVolume(DWORD volume) {
    return Format("waveOutSetVolume(0, 0x%08llX)", volume);
}
const std::string kFullVolume = SetsVolume(0xFFFFFFFF);
const std::string kUserVolumeBack = SetsVolume(fake::Device{}.volume);
const Lines kBeepAtFullVolume = {kAskDevices, kReadVolume, kFullVolume, kBeep};

const std::string kLedCountQuery = "NLedGetDeviceInfo(0)";
std::string LedQuery(int led) {
    return Format("NLedGetDeviceInfo(1, led=%lld)", led);
}
static std::string LedMode(int led, int mode) {
    return Format("NLedSetDevice(2, led=%lld, mode=%lld)", led, mode);
}
std::string LedOff(int led) {
    return LedMode(led, 0);
}
std::string LedOn(int led) {
    return LedMode(led, 1);
}
std::string LedBlinks(int led) {
    return LedMode(led, 2);
}
Lines LedQueriedThenBlinks(int led) {
    return {LedQuery(led), LedBlinks(led)};
}

const Lines kDisplayOn = {"GetDC(NULL)", "ExtEscape(QUERYESCSUPPORT, 6147)",
                          "ExtEscape(SETPOWERMANAGEMENT, length=12, dpms=1, state=1)", "Sleep(100)",
                          "ReleaseDC(NULL)"};
const Lines kDisplayOffSoon = {WindowTimer("KillTimer", TIMER_SCREENOFF) + ")", "GetDC(NULL)",
                               "ExtEscape(QUERYESCSUPPORT, 6147)",
                               WindowTimer("SetTimer", TIMER_SCREENOFF) + ", 500)",
                               "ReleaseDC(NULL)"};
const Lines kDisplayOffNow = {WindowTimer("KillTimer", TIMER_SCREENOFF) + ")", "GetDC(NULL)",
                              "ExtEscape(QUERYESCSUPPORT, 6147)",
                              "ExtEscape(SETPOWERMANAGEMENT, length=12, dpms=1, state=4)",
                              "ReleaseDC(NULL)"};

const Lines kButtonsCaptured = HotKeys(true);
const Lines kButtonsReleased = HotKeys(false);

const std::string kKeepAwakeStarts = WindowTimer("SetTimer", TIMER_KEEPAWAKE) + ", 10000)";
const std::string kKeepAwakeStops = WindowTimer("KillTimer", TIMER_KEEPAWAKE) + ")";
const std::string kKeepAwakeKey = "keybd_event(0x87, 0, 6, 0)";
const Lines kSuspend = {"keybd_event(0xDF, 0, 4, 1)", "keybd_event(0xDF, 0, 6, 1)"};
const std::string kClockStops = WindowTimer("KillTimer", TIMER_CLOCK) + ")";
const std::string kEnsureService = "EnsureRunAtTimeService()";

std::string Registration(const std::string& time) {
    return "CeRunAppAtTime(" + ProgramPath() + ", " + time + ")";
}
std::string RegistrationRemoved() {
    return Registration("NULL");
}
std::string NotificationsHandled() {
    return "CeHandleAppNotifications(" + ProgramPath() + ")";
}

std::wstring ShortcutPath() {
    return fake::device().startupFolder + L"\\" + kShortcutName;
}
std::wstring ShortcutTarget() {
    return L"\"" + fake::device().modulePath + L"\" " + kStartupToken;
}
std::string ShortcutMade() {
    return "SHCreateShortcut(" + fake::Narrow(ShortcutPath()) + ", " +
           fake::Narrow(ShortcutTarget()) + ")";
}
std::string ShortcutDeleted() {
    return "DeleteFileW(" + fake::Narrow(ShortcutPath()) + ")";
}

const Lines kSettingsDialogOpens = {"FindFirstFileW(\\Windows\\*.wav)", kLedCountQuery};
