#include "store/settings_store.h"

#include <cstring>
#include <cwchar>

#include "model/names.h"
#include "model/settings.h"

namespace {

// One query buffer serves every value; a value larger than this is not taken at all.
constexpr DWORD kQueryBytes = 128;

HKEY OpenSettingsKey() {
    HKEY key = nullptr;
    DWORD disposition = 0;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, const_cast<wchar_t*>(L""), 0,
                        KEY_ALL_ACCESS, nullptr, &key, &disposition) != ERROR_SUCCESS)
        return nullptr;
    return key;
}

// A number is taken only as a DWORD of exactly four bytes: anything else under a number's name
// (a string, a short or long value) is not a number we wrote, and the field keeps its value.
void LoadNumber(HKEY key, const wchar_t* name, int32_t& field) {
    BYTE data[kQueryBytes];
    DWORD size = sizeof data;
    DWORD type = REG_NONE;
    if (RegQueryValueExW(key, name, nullptr, &type, data, &size) != ERROR_SUCCESS)
        return;
    if (type != REG_DWORD || size != sizeof field)
        return;
    std::memcpy(&field, data, sizeof field);
}

// Text is taken as REG_SZ of whole UTF-16 code units; it is cut at its first NUL and always ends
// with one inside the field, so a stored value without a terminator cannot run past it.
void LoadText(HKEY key, const wchar_t* name, wchar_t* field, size_t fieldChars) {
    wchar_t data[kQueryBytes / sizeof(wchar_t)];
    DWORD size = sizeof data;
    DWORD type = REG_NONE;
    if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size) !=
        ERROR_SUCCESS)
        return;
    if (type != REG_SZ || size % sizeof(wchar_t) != 0)
        return;
    size_t chars = size / sizeof(wchar_t);
    size_t length = 0;
    while (length < chars && data[length] != L'\0')
        ++length;
    if (length >= fieldChars)
        length = fieldChars - 1;
    std::wmemcpy(field, data, length);
    field[length] = L'\0';
}

void SaveNumber(HKEY key, const wchar_t* name, int32_t value) {
    RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
}

void SaveText(HKEY key, const wchar_t* name, const wchar_t* text, size_t fieldChars) {
    size_t length = wcsnlen(text, fieldChars - 1);
    RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                   static_cast<DWORD>((length + 1) * sizeof(wchar_t)));
}

} // namespace

void LoadSettings() {
    HKEY key = OpenSettingsKey();
    if (!key)
        return;
    LoadNumber(key, L"Hour", Settings.Hour);
    LoadNumber(key, L"Minute", Settings.Minute);
    LoadText(key, L"Wave", Settings.Wave, kPathChars);
    LoadNumber(key, L"Alarm", Settings.Alarm);
    LoadNumber(key, L"VolCtrl", Settings.VolCtrl);
    LoadNumber(key, L"AlarmInterval", Settings.AlarmInterval);
    LoadNumber(key, L"UseBeep", Settings.UseBeep);
    LoadText(key, L"strNext", Settings.strNext, kTextChars);
    LoadNumber(key, L"NoSuspend", Settings.NoSuspend);
    LoadNumber(key, L"ScreenOff", Settings.ScreenOff);
    LoadNumber(key, L"LedBlink", Settings.LedBlink);
    LoadNumber(key, L"AlarmNum", Settings.AlarmNum);
    LoadNumber(key, L"AlarmCnt", Settings.AlarmCnt);
    LoadNumber(key, L"Button", Settings.Button);
    LoadNumber(key, L"AlarmDays", Settings.AlarmDays);
    RegCloseKey(key);
}

void SaveSettings() {
    HKEY key = OpenSettingsKey();
    if (!key)
        return;
    SaveNumber(key, L"Hour", Settings.Hour);
    SaveNumber(key, L"Minute", Settings.Minute);
    SaveNumber(key, L"UseBeep", Settings.UseBeep);
    SaveNumber(key, L"Alarm", Settings.Alarm);
    SaveNumber(key, L"VolCtrl", Settings.VolCtrl);
    SaveNumber(key, L"AlarmInterval", Settings.AlarmInterval);
    SaveText(key, L"Wave", Settings.Wave, kPathChars);
    SaveText(key, L"strNext", Settings.strNext, kTextChars);
    SaveNumber(key, L"NoSuspend", Settings.NoSuspend);
    SaveNumber(key, L"ScreenOff", Settings.ScreenOff);
    SaveNumber(key, L"LedBlink", Settings.LedBlink);
    SaveNumber(key, L"AlarmNum", Settings.AlarmNum);
    SaveNumber(key, L"AlarmCnt", Settings.AlarmCnt);
    SaveNumber(key, L"Button", Settings.Button);
    SaveNumber(key, L"AlarmDays", Settings.AlarmDays);
    RegCloseKey(key);
}
