// Shared test helpers: a scratch registry, driving modal dialogs from inside their loop, and a
// fixture that gives every test a fresh program and a fresh device.
#pragma once
#include "platform/win.h"

#include <cstdint>
#include <functional>
#include <gtest/gtest.h>
#include <ostream>
#include <string>
#include <vector>

#include "model/names.h"
#include "model/settings.h"
#include "tests/support/expected_calls.h"
#include "tests/support/fake_device.h"

// Redirects HKEY_CURRENT_USER of this process into a scratch key for the object's lifetime.
class ScratchRegistry {
  public:
    ScratchRegistry();
    ~ScratchRegistry();
    ScratchRegistry(const ScratchRegistry&) = delete;
    ScratchRegistry& operator=(const ScratchRegistry&) = delete;

  private:
    std::wstring path_;
    HKEY scratch_ = nullptr;
};

// Values under the program's settings key (in the redirected HKCU).
bool HasValue(const wchar_t* name);
DWORD ReadDword(const wchar_t* name);
std::wstring ReadString(const wchar_t* name);
DWORD ValueSize(const wchar_t* name);
void WriteDword(const wchar_t* name, DWORD value);
void WriteString(const wchar_t* name, const std::wstring& text);
void WriteRaw(const wchar_t* name, DWORD type, const void* data, DWORD size);
void DeleteSettingsKey();

// Runs `script` with the next dialog that this thread creates, once its modal loop runs.
// Scripts queue up: nested dialogs take the next script in turn.
void WhenDialogOpens(std::function<void(HWND)> script);
void ClearDialogScripts();
// Runs the main window the way the program does and returns when its loop ends. The test fails
// when a given script never ran (the window was not shown) or the loop was still running after
// a few seconds, which it then ends.
void RunProgram(const wchar_t* cmdLine, std::function<void(HWND)> script);
// Runs the program the same way and tells whether it ended without ever showing its window.
bool RunProgramWithoutWindow(const wchar_t* cmdLine);
// Removes quit messages left in this thread's queue by an ended dialog loop.
void DrainQuit();

std::wstring ControlText(HWND dialog, int id);
bool IsChecked(HWND dialog, int id);
bool IsShown(HWND dialog, int id);
// Sends a BN_CLICKED from a control, as a click on it would.
void Click(HWND dialog, int id);

// The settings block's values, in the store's order (the fourteen, then the repeat days): the one
// list of them that the snapshot, its printer and the store's tests are made from.
#define DAWNBELL_SETTINGS_FIELDS(NUMBER, TEXT)                                                     \
    NUMBER(Hour)                                                                                   \
    NUMBER(Minute)                                                                                 \
    TEXT(Wave)                                                                                     \
    NUMBER(Alarm)                                                                                  \
    NUMBER(VolCtrl)                                                                                \
    NUMBER(AlarmInterval)                                                                          \
    NUMBER(UseBeep)                                                                                \
    TEXT(strNext)                                                                                  \
    NUMBER(NoSuspend)                                                                              \
    NUMBER(ScreenOff)                                                                              \
    NUMBER(LedBlink)                                                                               \
    NUMBER(AlarmNum)                                                                               \
    NUMBER(AlarmCnt)                                                                               \
    NUMBER(Button)                                                                                 \
    NUMBER(AlarmDays)

// A copy of the settings that is compared whole, so that "this changed and nothing else" is one
// assertion; a failure prints every field of both sides.
struct SettingsSnapshot {
#define DAWNBELL_NUMBER(name) int32_t name = 0;
#define DAWNBELL_TEXT(name) std::wstring name;
    DAWNBELL_SETTINGS_FIELDS(DAWNBELL_NUMBER, DAWNBELL_TEXT)
#undef DAWNBELL_NUMBER
#undef DAWNBELL_TEXT
};
bool operator==(const SettingsSnapshot& a, const SettingsSnapshot& b);
bool operator!=(const SettingsSnapshot& a, const SettingsSnapshot& b);
void PrintTo(const SettingsSnapshot& settings, std::ostream* out);

// Each field by its value's name in the store.
struct SettingsField {
    const wchar_t* name;
    int32_t SettingsSnapshot::*number;    // a number field, or
    std::wstring SettingsSnapshot::*text; // a text field of `chars` characters, the terminator's
    size_t chars;                         // included
};
extern const std::vector<SettingsField> kSettingsFields;

// The program's settings block as it stands, and set from a snapshot.
SettingsSnapshot SettingsNow();
void ApplySettings(const SettingsSnapshot& settings);
// The values under the settings key; each must be there and well formed.
SettingsSnapshot StoredSettings();
// The settings of a freshly started program before it loads: its own initial values, with the
// "No setting." that the start puts in strNext.
SettingsSnapshot StartingSettings();

// The program's state as a freshly started process has it.
void ResetProgramState();
// Arranges the stored settings: `edit` changes the settings a fresh program starts with, they
// are saved as the program saves them, and the program's state starts afresh, so that a run
// loads them. Returns what was stored.
SettingsSnapshot StoreSettings(const std::function<void(SettingsBlock&)>& edit);

class ProgramTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;
    ScratchRegistry* registry_ = nullptr;
};
