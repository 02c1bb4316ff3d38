// Shared test helpers: a scratch registry, driving modal dialogs from inside their loop, and a
// fixture that gives every test a fresh program and a fresh device.
#pragma once
#include "platform/win.h"

#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>

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

// The program's state as a freshly started process has it.
void ResetProgramState();

class ProgramTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;
    ScratchRegistry* registry_ = nullptr;
};
