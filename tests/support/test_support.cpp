#include "tests/support/test_support.h"

#include <cwchar>
#include <deque>
#include <iterator>

#include "app/entry.h"
#include "model/alarm_time.h"
#include "model/app_state.h"
#include "model/settings.h"
#include "model/text.h"
#include "store/settings_store.h"

namespace {
int g_scratchCount = 0;
}

ScratchRegistry::ScratchRegistry() {
    wchar_t path[128];
    swprintf(path, std::size(path), L"Software\\DawnbellTests\\%lu-%d", GetCurrentProcessId(),
             ++g_scratchCount);
    path_ = path;
    RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    RegDeleteTreeW(HKEY_CURRENT_USER, path_.c_str());
    RegCreateKeyExW(HKEY_CURRENT_USER, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                    &scratch_, nullptr);
    RegOverridePredefKey(HKEY_CURRENT_USER, scratch_);
}

ScratchRegistry::~ScratchRegistry() {
    RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    RegCloseKey(scratch_);
    RegDeleteTreeW(HKEY_CURRENT_USER, path_.c_str());
}

static HKEY OpenKey() {
    HKEY key = nullptr;
    RegCreateKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                    nullptr);
    return key;
}

bool HasValue(const wchar_t* name) {
    HKEY key = OpenKey();
    bool has = RegQueryValueExW(key, name, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
    RegCloseKey(key);
    return has;
}

DWORD ReadDword(const wchar_t* name) {
    HKEY key = OpenKey();
    DWORD value = 0xDEADBEEF, size = sizeof value, type = 0;
    LONG result =
        RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
    RegCloseKey(key);
    EXPECT_EQ(result, ERROR_SUCCESS) << fake::Narrow(name);
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD)) << fake::Narrow(name);
    return value;
}

std::wstring ReadString(const wchar_t* name) {
    HKEY key = OpenKey();
    wchar_t text[1024] = {};
    DWORD size = sizeof text - sizeof(wchar_t), type = 0;
    LONG result = RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(text), &size);
    RegCloseKey(key);
    EXPECT_EQ(result, ERROR_SUCCESS) << fake::Narrow(name);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ)) << fake::Narrow(name);
    return text;
}

DWORD ValueSize(const wchar_t* name) {
    HKEY key = OpenKey();
    DWORD size = 0;
    RegQueryValueExW(key, name, nullptr, nullptr, nullptr, &size);
    RegCloseKey(key);
    return size;
}

void WriteRaw(const wchar_t* name, DWORD type, const void* data, DWORD size) {
    HKEY key = OpenKey();
    RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), size);
    RegCloseKey(key);
}

void WriteDword(const wchar_t* name, DWORD value) {
    WriteRaw(name, REG_DWORD, &value, sizeof value);
}

void WriteString(const wchar_t* name, const std::wstring& text) {
    WriteRaw(name, REG_SZ, text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

void DeleteSettingsKey() {
    RegDeleteTreeW(HKEY_CURRENT_USER, kPublisherKey);
}

namespace {

struct PendingScript {
    HWND dialog;
    std::function<void(HWND)> script;
};

std::deque<std::function<void(HWND)>> g_scripts;
std::deque<PendingScript> g_pending;
HHOOK g_hook = nullptr;

void CALLBACK RunPendingScript(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    if (g_pending.empty())
        return;
    PendingScript pending = std::move(g_pending.front());
    g_pending.pop_front();
    pending.script(pending.dialog);
}

std::deque<PendingScript> g_initialised; // dialogs whose script waits for their first show

// A dialog takes its script when it handles WM_INITDIALOG; the script runs from a thread timer
// once the dialog loop has shown the dialog: that is, from inside that loop, with the window as
// the user sees it. A dialog that ends before it is shown never runs its script.
LRESULT CALLBACK WatchDialogs(int code, WPARAM wParam, LPARAM lParam) {
    auto* message = reinterpret_cast<CWPRETSTRUCT*>(lParam);
    if (code == HC_ACTION && message->message == WM_INITDIALOG && !g_scripts.empty()) {
        g_initialised.push_back({message->hwnd, std::move(g_scripts.front())});
        g_scripts.pop_front();
    } else if (code == HC_ACTION && message->message == WM_SHOWWINDOW && message->wParam) {
        for (auto at = g_initialised.begin(); at != g_initialised.end(); ++at) {
            if (at->dialog == message->hwnd) {
                g_pending.push_back(std::move(*at));
                g_initialised.erase(at);
                SetTimer(nullptr, 0, 0, RunPendingScript);
                break;
            }
        }
    }
    return CallNextHookEx(g_hook, code, wParam, lParam);
}

} // namespace

void WhenDialogOpens(std::function<void(HWND)> script) {
    if (!g_hook)
        g_hook = SetWindowsHookExW(WH_CALLWNDPROCRET, WatchDialogs, nullptr, GetCurrentThreadId());
    g_scripts.push_back(std::move(script));
}

void ClearDialogScripts() {
    g_scripts.clear();
    g_initialised.clear();
    g_pending.clear();
}

namespace {

// A program whose loop a fault keeps running ends the test with a failure in seconds, not at the
// suite's time-out.
// Once one loop has had to be ended, the fault is known: the rest of the suite fails sooner.
constexpr UINT kProgramPatience = 8000;
constexpr UINT kPatienceAfterOverrun = 1000;
UINT g_patience = kProgramPatience;
bool g_overran = false;

void CALLBACK EndOverrunProgram(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    g_overran = true;
    PostQuitMessage(0); // ends every modal loop in turn, the innermost first
}

} // namespace

namespace {

// Runs the program's loop to its end; false (with a failure) when the watchdog had to end it.
bool RunToEnd(const wchar_t* cmdLine) {
    g_overran = false;
    UINT_PTR watchdog = SetTimer(nullptr, 0, g_patience, EndOverrunProgram);
    RunDawnbell(GetModuleHandleW(nullptr), cmdLine);
    KillTimer(nullptr, watchdog);
    DrainQuit();
    if (!g_overran)
        return true;
    ClearDialogScripts();
    ADD_FAILURE() << "the program was still running after " << g_patience << " ms";
    g_patience = kPatienceAfterOverrun;
    return false;
}

} // namespace

void RunProgram(const wchar_t* cmdLine, std::function<void(HWND)> script) {
    if (!script) {
        RunToEnd(cmdLine);
        return;
    }
    bool ran = false;
    WhenDialogOpens([&ran, script = std::move(script)](HWND window) {
        ran = true;
        script(window);
    });
    if (RunToEnd(cmdLine) && !ran) {
        ClearDialogScripts();
        ADD_FAILURE() << "the program ended before its window was shown: the script did not run";
    }
}

bool RunProgramWithoutWindow(const wchar_t* cmdLine) {
    bool shown = false;
    WhenDialogOpens([&shown](HWND) {
        shown = true;
        PostQuitMessage(0);
    });
    RunToEnd(cmdLine);
    ClearDialogScripts();
    return !shown;
}

void DrainQuit() {
    MSG message;
    while (PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
}

std::wstring ControlText(HWND dialog, int id) {
    wchar_t text[512] = {};
    GetDlgItemTextW(dialog, id, text, static_cast<int>(std::size(text)));
    return text;
}

bool IsChecked(HWND dialog, int id) {
    return SendDlgItemMessageW(dialog, id, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

bool IsShown(HWND dialog, int id) {
    return (GetWindowLongW(GetDlgItem(dialog, id), GWL_STYLE) & WS_VISIBLE) != 0;
}

void Click(HWND dialog, int id) {
    HWND control = GetDlgItem(dialog, id);
    // An automatic check box changes its own state on a real click.
    LONG style = GetWindowLongW(control, GWL_STYLE) & BS_TYPEMASK;
    if (style == BS_AUTOCHECKBOX)
        SendMessageW(control, BM_SETCHECK, IsChecked(dialog, id) ? BST_UNCHECKED : BST_CHECKED, 0);
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(control));
}

#define DAWNBELL_WIDE(text) L##text
#define DAWNBELL_NAME(name) DAWNBELL_WIDE(#name)

const std::vector<SettingsField> kSettingsFields = {
#define DAWNBELL_NUMBER(name) {DAWNBELL_NAME(name), &SettingsSnapshot::name, nullptr, 0},
#define DAWNBELL_TEXT(name)                                                                        \
    {DAWNBELL_NAME(name), nullptr, &SettingsSnapshot::name, std::size(Settings.name)},
    DAWNBELL_SETTINGS_FIELDS(DAWNBELL_NUMBER, DAWNBELL_TEXT)
#undef DAWNBELL_NUMBER
#undef DAWNBELL_TEXT
};

bool operator==(const SettingsSnapshot& a, const SettingsSnapshot& b) {
    for (const SettingsField& f : kSettingsFields) {
        if (f.number ? a.*f.number != b.*f.number : a.*f.text != b.*f.text)
            return false;
    }
    return true;
}

bool operator!=(const SettingsSnapshot& a, const SettingsSnapshot& b) {
    return !(a == b);
}

void PrintTo(const SettingsSnapshot& settings, std::ostream* out) {
    const char* separator = "{";
    for (const SettingsField& f : kSettingsFields) {
        *out << separator << fake::Narrow(f.name) << "=";
        if (f.number)
            *out << settings.*f.number;
        else
            *out << '"' << fake::Narrow(settings.*f.text) << '"';
        separator = ", ";
    }
    *out << "}";
}

SettingsSnapshot SettingsNow() {
    SettingsSnapshot now;
#define DAWNBELL_NUMBER(name) now.name = Settings.name;
#define DAWNBELL_TEXT(name)                                                                        \
    now.name.assign(Settings.name, wcsnlen(Settings.name, std::size(Settings.name)));
    DAWNBELL_SETTINGS_FIELDS(DAWNBELL_NUMBER, DAWNBELL_TEXT)
#undef DAWNBELL_NUMBER
#undef DAWNBELL_TEXT
    return now;
}

void ApplySettings(const SettingsSnapshot& settings) {
#define DAWNBELL_NUMBER(name) Settings.name = settings.name;
#define DAWNBELL_TEXT(name)                                                                        \
    wmemset(Settings.name, L'\0', std::size(Settings.name));                                       \
    CopyText(Settings.name, std::size(Settings.name), settings.name.c_str());
    DAWNBELL_SETTINGS_FIELDS(DAWNBELL_NUMBER, DAWNBELL_TEXT)
#undef DAWNBELL_NUMBER
#undef DAWNBELL_TEXT
}

SettingsSnapshot StoredSettings() {
    SettingsSnapshot stored;
    for (const SettingsField& f : kSettingsFields) {
        if (f.number)
            stored.*f.number = static_cast<int32_t>(ReadDword(f.name));
        else
            stored.*f.text = ReadString(f.name);
    }
    return stored;
}

namespace {
// The settings block is constant-initialised, so before any test runs it holds the program's
// own initial values (model/settings.cpp); they are taken from there, not written again here.
const SettingsSnapshot g_initialSettings = SettingsNow();
} // namespace

SettingsSnapshot StartingSettings() {
    SettingsSnapshot starting = g_initialSettings;
    starting.strNext = kNoSetting;
    return starting;
}

void ResetProgramState() {
    ClearAlarmTime(alarmSetting);
    ClearAlarmTime(nextAlarm);
    ApplySettings(StartingSettings());
    AppState = AppStateBlock{};
    AppState.instance = GetModuleHandleW(nullptr);
    AppState.cmdLine = L"";
}

SettingsSnapshot StoreSettings(const std::function<void(SettingsBlock&)>& edit) {
    ResetProgramState();
    edit(Settings);
    SaveSettings();
    SettingsSnapshot stored = SettingsNow();
    ResetProgramState();
    return stored;
}

void ProgramTest::SetUp() {
    fake::Reset();
    ResetProgramState();
    registry_ = new ScratchRegistry;
}

void ProgramTest::TearDown() {
    ClearDialogScripts();
    DrainQuit();
    delete registry_;
    registry_ = nullptr;
}
