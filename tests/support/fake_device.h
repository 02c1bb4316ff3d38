// The recording fake device: every platform call is journalled in order, and answers come
// from a state the test sets.
#pragma once
#include "platform/win.h"

#include <functional>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace fake {

struct File {
    std::wstring name;
    DWORD attributes = FILE_ATTRIBUTE_NORMAL;
};

struct Device {
    SYSTEMTIME clock = {2026, 12, 2, 8, 7, 0, 0, 0}; // Tue 2026-12-08 07:00:00

    // Sound
    UINT waveOutDevices = 1;
    DWORD volume = 0x80008000;
    bool volumeReadFails = false;
    // Journals each device count query too, so that a volume operation that only asks (and
    // finds nothing to do) still shows where it ran.
    bool journalDeviceCount = false;

    // LED driver
    bool ledCountFails = false;
    UINT32 ledCount = 1;
    bool ledSupportFails = false;
    INT32 cycleAdjust = 0;

    // Display
    bool powerEscapeKnown = true;

    // Wake-up registration
    bool runAtTimeFails = false;
    bool registered = false;
    std::wstring registeredPath;
    SYSTEMTIME registeredTime = {};
    int handledNotifications = 0; // CeHandleAppNotifications calls
    // What IsAppNotificationPending answers: the system still holds a ring for the program. A
    // registration sets it, a removal clears it; a test sets it for a missed alarm.
    bool ringPending = true;

    // Shell and files
    std::wstring modulePath = L"\\Program Files\\Dawnbell\\dawnbell.exe";
    bool modulePathFails = false;
    bool startupFolderFails = false;
    std::wstring startupFolder = L"\\Windows\\StartUp";
    std::map<std::wstring, std::wstring> shortcuts; // shortcut path -> target string
    std::vector<File> windowsFolder;                // the files in "\Windows\"

    // Called with each journal entry as the call is made: a test can look at the program's
    // state at that moment, as a program killed right then would have left it.
    std::function<void(const std::string&)> onCall;

    // Modal message boxes return this at once.
    int messageBoxAnswer = IDOK;

    // Timers that run: (window, id). Window-less timers get ids from 100 on.
    std::set<std::pair<HWND, UINT_PTR>> timers;
    std::map<UINT_PTR, TIMERPROC> timerProcs;
    UINT_PTR nextTimerId = 100;
};

Device& device();
// A fresh device and an empty journal.
void Reset();

// The calls made since the last Reset or ClearJournal, e.g. "PlaySoundW(#132, 0x0004000D)".
const std::vector<std::string>& Journal();
void ClearJournal();
// The journal entries that begin with `prefix`.
std::vector<std::string> Calls(const std::string& prefix);

bool TimerRunning(HWND window, UINT_PTR id);
// Runs the procedure of a window-less timer as if it had fired; false if it does not run.
bool FireTimer(UINT_PTR id);

std::string Narrow(const std::wstring& text);
SYSTEMTIME Time(int year, int month, int day, int hour, int minute, int second = 0);

} // namespace fake
