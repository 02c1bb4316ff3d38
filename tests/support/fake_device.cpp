#include "tests/support/fake_device.h"

#include <cstdarg>
#include <cstdio>
#include <cwchar>

#include "platform/clock.h"
#include "platform/dialogs.h"
#include "platform/display.h"
#include "platform/keys.h"
#include "platform/led.h"
#include "platform/shell.h"
#include "platform/sound.h"
#include "platform/timers.h"
#include "platform/wakeup.h"

namespace fake {
namespace {

Device g_device;
std::vector<std::string> g_journal;

void Record(const char* format, ...) {
    char line[512];
    va_list args;
    va_start(args, format);
    vsnprintf(line, sizeof line, format, args);
    va_end(args);
    g_journal.push_back(line);
    if (g_device.onCall)
        g_device.onCall(line);
}

const char* WindowName(HWND window) {
    return window ? "hwnd" : "NULL";
}

std::string TimeText(const SYSTEMTIME& t) {
    char text[64];
    snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u.%03u", t.wYear, t.wMonth, t.wDay,
             t.wHour, t.wMinute, t.wSecond, t.wMilliseconds);
    return text;
}

// "*.wav" matches a long name ending in ".wav", and also, through its short name whose ending
// is cut to three letters, any name whose ending begins with ".wav" ("song.wave").
bool MatchesWavPattern(const std::wstring& name) {
    size_t dot = name.rfind(L'.');
    return dot != std::wstring::npos && name.size() - dot >= 4 &&
           _wcsnicmp(name.c_str() + dot, L".wav", 4) == 0;
}

// The one search the program makes: the device folder's wave files.
struct Search {
    std::vector<File> found;
    size_t next = 0;
} g_search;
HANDLE const kSearchHandle = reinterpret_cast<HANDLE>(0x5EA6C);
HDC const kScreenDc = reinterpret_cast<HDC>(0xD15C);

void FillFind(const File& file, WIN32_FIND_DATAW* data) {
    *data = WIN32_FIND_DATAW{};
    data->dwFileAttributes = file.attributes;
    wcsncpy(data->cFileName, file.name.c_str(), MAX_PATH - 1);
}

} // namespace

Device& device() {
    return g_device;
}

void Reset() {
    g_device = Device{};
    g_journal.clear();
    g_search = Search{};
}

const std::vector<std::string>& Journal() {
    return g_journal;
}
void ClearJournal() {
    g_journal.clear();
}

std::vector<std::string> Calls(const std::string& prefix) {
    std::vector<std::string> calls;
    for (const auto& call : g_journal)
        if (call.compare(0, prefix.size(), prefix) == 0)
            calls.push_back(call);
    return calls;
}

bool TimerRunning(HWND window, UINT_PTR id) {
    return g_device.timers.count({window, id}) != 0;
}

bool FireTimer(UINT_PTR id) {
    if (!TimerRunning(nullptr, id))
        return false;
    g_device.timerProcs[id](nullptr, WM_TIMER, id, 0);
    return true;
}

std::string Narrow(const std::wstring& text) {
    std::string out;
    for (wchar_t c : text)
        out.push_back(c < 128 ? static_cast<char>(c) : '?');
    return out;
}

SYSTEMTIME Time(int year, int month, int day, int hour, int minute, int second) {
    SYSTEMTIME t = {};
    t.wYear = static_cast<WORD>(year);
    t.wMonth = static_cast<WORD>(month);
    t.wDay = static_cast<WORD>(day);
    t.wHour = static_cast<WORD>(hour);
    t.wMinute = static_cast<WORD>(minute);
    t.wSecond = static_cast<WORD>(second);
    return t;
}

} // namespace fake

using fake::Record;

namespace platform {

void GetLocalTime(SYSTEMTIME* time) {
    *time = fake::device().clock;
}

void Sleep(DWORD milliseconds) {
    Record("Sleep(%lu)", milliseconds);
}

UINT_PTR SetTimer(HWND window, UINT_PTR id, UINT milliseconds, TIMERPROC proc) {
    auto& d = fake::device();
    if (!window)
        id = d.nextTimerId++;
    Record("SetTimer(%s, %llu, %u%s)", fake::WindowName(window), (unsigned long long)id,
           milliseconds, proc ? ", proc" : "");
    d.timers.insert({window, id});
    if (proc)
        d.timerProcs[id] = proc;
    return id;
}

BOOL KillTimer(HWND window, UINT_PTR id) {
    Record("KillTimer(%s, %llu)", fake::WindowName(window), (unsigned long long)id);
    return fake::device().timers.erase({window, id}) != 0;
}

BOOL PlaySoundW(LPCWSTR sound, HMODULE, DWORD flags) {
    std::string name;
    if (!sound)
        name = "NULL";
    else if (IS_INTRESOURCE(sound))
        name = "#" + std::to_string(reinterpret_cast<ULONG_PTR>(sound));
    else
        name = fake::Narrow(sound);
    Record("PlaySoundW(%s, 0x%08lX)", name.c_str(), flags);
    return TRUE;
}

UINT waveOutGetNumDevs() {
    if (fake::device().journalDeviceCount)
        Record("waveOutGetNumDevs()");
    return fake::device().waveOutDevices;
}

MMRESULT waveOutGetVolume(HWAVEOUT, LPDWORD volume) {
    auto& d = fake::device();
    Record("waveOutGetVolume(0)");
    if (d.waveOutDevices == 0 || d.volumeReadFails)
        return MMSYSERR_ERROR;
    *volume = d.volume;
    return MMSYSERR_NOERROR;
}

MMRESULT waveOutSetVolume(HWAVEOUT, DWORD volume) {
    auto& d = fake::device();
    Record("waveOutSetVolume(0, 0x%08lX)", volume);
    if (d.waveOutDevices == 0)
        return MMSYSERR_ERROR;
    d.volume = volume;
    return MMSYSERR_NOERROR;
}

BOOL NLedGetDeviceInfo(UINT infoId, void* output) {
    auto& d = fake::device();
    if (infoId == NLED_COUNT_INFO_ID) {
        Record("NLedGetDeviceInfo(0)");
        if (d.ledCountFails)
            return FALSE;
        static_cast<NLED_COUNT_INFO*>(output)->cLeds = d.ledCount;
        return TRUE;
    }
    if (infoId == NLED_SUPPORTS_INFO_ID) {
        auto* info = static_cast<NLED_SUPPORTS_INFO*>(output);
        Record("NLedGetDeviceInfo(1, led=%u)", info->LedNum);
        if (d.ledSupportFails)
            return FALSE;
        info->lCycleAdjust = d.cycleAdjust;
        return TRUE;
    }
    Record("NLedGetDeviceInfo(%u)", infoId);
    return FALSE;
}

BOOL NLedSetDevice(UINT infoId, void* input) {
    if (infoId != NLED_SETTINGS_INFO_ID) {
        Record("NLedSetDevice(%u)", infoId);
        return FALSE;
    }
    auto* info = static_cast<NLED_SETTINGS_INFO*>(input);
    Record("NLedSetDevice(2, led=%u, mode=%d)", info->LedNum, info->OffOnBlink);
    return TRUE;
}

HDC GetDC(HWND window) {
    Record("GetDC(%s)", fake::WindowName(window));
    return fake::kScreenDc;
}

int ReleaseDC(HWND window, HDC) {
    Record("ReleaseDC(%s)", fake::WindowName(window));
    return 1;
}

int ExtEscape(HDC, int escape, int inputSize, LPCSTR input, int, LPSTR) {
    auto& d = fake::device();
    if (escape == QUERYESCSUPPORT_ESCAPE && inputSize == 4) {
        Record("ExtEscape(QUERYESCSUPPORT, %d)", *reinterpret_cast<const INT32*>(input));
        return d.powerEscapeKnown ? 1 : 0;
    }
    if (escape == SETPOWERMANAGEMENT && inputSize == sizeof(VIDEO_POWER_MANAGEMENT)) {
        auto* power = reinterpret_cast<const VIDEO_POWER_MANAGEMENT*>(input);
        Record("ExtEscape(SETPOWERMANAGEMENT, length=%u, dpms=%u, state=%u)", power->Length,
               power->DPMSVersion, power->PowerState);
        return d.powerEscapeKnown ? 1 : -1;
    }
    Record("ExtEscape(%d, size=%d)", escape, inputSize);
    return 0;
}

void keybd_event(BYTE key, BYTE scan, DWORD flags, ULONG_PTR extra) {
    Record("keybd_event(0x%02X, %u, %lu, %llu)", key, scan, flags, (unsigned long long)extra);
}

BOOL RegisterHotKey(HWND window, int id, UINT modifiers, UINT key) {
    Record("RegisterHotKey(%s, %d, 0x%X, 0x%X)", fake::WindowName(window), id, modifiers, key);
    return TRUE;
}

BOOL UnregisterHotKey(HWND window, int id) {
    Record("UnregisterHotKey(%s, %d)", fake::WindowName(window), id);
    return TRUE;
}

BOOL CeRunAppAtTime(LPCWSTR path, const SYSTEMTIME* time) {
    auto& d = fake::device();
    Record("CeRunAppAtTime(%s, %s)", fake::Narrow(path ? path : L"NULL").c_str(),
           time ? fake::TimeText(*time).c_str() : "NULL");
    if (d.runAtTimeFails)
        return FALSE;
    d.registered = time != nullptr;
    d.ringPending = time != nullptr;
    d.registeredPath = path ? path : L"";
    if (time)
        d.registeredTime = *time;
    return TRUE;
}

BOOL CeHandleAppNotifications(LPCWSTR path) {
    Record("CeHandleAppNotifications(%s)", fake::Narrow(path ? path : L"NULL").c_str());
    fake::device().handledNotifications += 1;
    return TRUE;
}

BOOL IsAppNotificationPending(LPCWSTR path) {
    Record("IsAppNotificationPending(%s)", fake::Narrow(path ? path : L"NULL").c_str());
    return fake::device().ringPending ? TRUE : FALSE;
}

BOOL EnsureRunAtTimeService() {
    Record("EnsureRunAtTimeService()");
    return TRUE;
}

BOOL SHGetSpecialFolderPathW(HWND, LPWSTR path, int folder, BOOL) {
    auto& d = fake::device();
    if (d.startupFolderFails || folder != CSIDL_STARTUP)
        return FALSE;
    wcsncpy(path, d.startupFolder.c_str(), MAX_PATH - 1);
    path[MAX_PATH - 1] = L'\0';
    return TRUE;
}

BOOL SHCreateShortcut(LPCWSTR shortcut, LPCWSTR target) {
    Record("SHCreateShortcut(%s, %s)", fake::Narrow(shortcut).c_str(),
           fake::Narrow(target).c_str());
    fake::device().shortcuts[shortcut] = target;
    return TRUE;
}

BOOL DeleteFileW(LPCWSTR path) {
    Record("DeleteFileW(%s)", fake::Narrow(path).c_str());
    return fake::device().shortcuts.erase(path) != 0;
}

HANDLE FindFirstFileW(LPCWSTR pattern, WIN32_FIND_DATAW* data) {
    Record("FindFirstFileW(%s)", fake::Narrow(pattern).c_str());
    fake::g_search = fake::Search{};
    if (_wcsicmp(pattern, L"\\Windows\\*.wav") != 0)
        return INVALID_HANDLE_VALUE;
    for (const auto& file : fake::device().windowsFolder)
        if (fake::MatchesWavPattern(file.name))
            fake::g_search.found.push_back(file);
    if (fake::g_search.found.empty())
        return INVALID_HANDLE_VALUE;
    fake::FillFind(fake::g_search.found[0], data);
    fake::g_search.next = 1;
    return fake::kSearchHandle;
}

BOOL FindNextFileW(HANDLE find, WIN32_FIND_DATAW* data) {
    if (find != fake::kSearchHandle || fake::g_search.next >= fake::g_search.found.size())
        return FALSE;
    fake::FillFind(fake::g_search.found[fake::g_search.next++], data);
    return TRUE;
}

BOOL FindClose(HANDLE find) {
    Record("FindClose(%s)", find == fake::kSearchHandle ? "search" : "other");
    return find == fake::kSearchHandle;
}

DWORD GetModuleFileNameW(HMODULE, LPWSTR path, DWORD size) {
    auto& d = fake::device();
    if (d.modulePathFails || size == 0)
        return 0;
    size_t length = d.modulePath.size();
    if (length >= size) {
        // Like the real one: cut, terminated, and the full size returned.
        wcsncpy(path, d.modulePath.c_str(), size - 1);
        path[size - 1] = L'\0';
        return size;
    }
    wcscpy(path, d.modulePath.c_str());
    return static_cast<DWORD>(length);
}

int MessageBoxW(HWND, LPCWSTR text, LPCWSTR caption, UINT type) {
    Record("MessageBoxW(%s, %s, 0x%X)", fake::Narrow(text ? text : L"NULL").c_str(),
           caption ? fake::Narrow(caption).c_str() : "NULL", type);
    return fake::device().messageBoxAnswer;
}

} // namespace platform
