#include "runat/store.h"

#include <iterator>
#include <string.h>
#include <wchar.h>

#include "runat/fixed_text.h"

namespace runat {

namespace {

constexpr wchar_t kBaseName[] = L"Dawnbell RunAtTime";
constexpr wchar_t kStoreParent[] = L"Software\\Larchworks\\";
constexpr wchar_t kReloadSuffix[] = L" Reload";
constexpr wchar_t kWindowBaseTitle[] = L"Run-at-time service";

wchar_t g_instance[kMaxInstance + 1];
wchar_t g_serviceName[64];
wchar_t g_storeKey[96];
wchar_t g_deliveryKey[112];
wchar_t g_reloadEvent[80];
wchar_t g_windowTitle[64];
bool g_namesReady = false;

void BuildNames() {
    const wchar_t* gap = g_instance[0] ? L" " : L"";
    FormatInto(g_serviceName, L"%ls%ls%ls", kBaseName, gap, g_instance);
    FormatInto(g_storeKey, L"%ls%ls", kStoreParent, g_serviceName);
    FormatInto(g_deliveryKey, L"%ls\\Delivery", g_storeKey);
    FormatInto(g_reloadEvent, L"%ls%ls", g_serviceName, kReloadSuffix);
    FormatInto(g_windowTitle, L"%ls%ls%ls", kWindowBaseTitle, gap, g_instance);
    g_namesReady = true;
}

void EnsureNames() {
    if (!g_namesReady)
        BuildNames();
}

} // namespace

bool SetInstance(LPCWSTR instance) {
    if (!instance)
        instance = L"";
    size_t length = wcslen(instance);
    if (length > kMaxInstance)
        return false;
    for (size_t i = 0; i < length; ++i) {
        wchar_t c = instance[i];
        bool plain = (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') ||
                     (c >= L'0' && c <= L'9') || c == L'-' || c == L'_';
        if (!plain)
            return false;
    }
    wmemcpy(g_instance, instance, length + 1);
    BuildNames();
    return true;
}

LPCWSTR Instance() {
    return g_instance;
}

LPCWSTR ServiceName() {
    EnsureNames();
    return g_serviceName;
}

LPCWSTR StoreKey() {
    EnsureNames();
    return g_storeKey;
}

LPCWSTR DeliveryKey() {
    EnsureNames();
    return g_deliveryKey;
}

LPCWSTR WindowTitle() {
    EnsureNames();
    return g_windowTitle;
}

LPCWSTR ReloadEventName() {
    EnsureNames();
    return g_reloadEvent;
}

bool IsValidLocalTime(const SYSTEMTIME& time) {
    static const WORD kDaysInMonth[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (time.wYear < 1601 || time.wYear > 30827 || time.wMonth < 1 || time.wMonth > 12)
        return false;
    WORD year = time.wYear;
    bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    WORD days = kDaysInMonth[time.wMonth - 1] + (time.wMonth == 2 && leap ? 1 : 0);
    return time.wDay >= 1 && time.wDay <= days && time.wHour < 24 && time.wMinute < 60 &&
           time.wSecond < 60 && time.wMilliseconds < 1000;
}

ULONGLONG UtcNow() {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    return Ticks(now);
}

bool CanonicalPath(LPCWSTR path, LPWSTR canonical) {
    if (!path || wcslen(path) >= MAX_PATH)
        return false;
    wchar_t full[MAX_PATH];
    DWORD length = GetFullPathNameW(path, std::size(full), full, nullptr);
    if (length == 0 || length >= std::size(full)) {
        wcscpy(canonical, path);
        return true;
    }
    length = GetLongPathNameW(full, canonical, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        wcscpy(canonical, full);
    return true;
}

static_assert(sizeof(Registration) == sizeof(SYSTEMTIME) + sizeof(ULONGLONG), "no padding");

bool ParseRegistration(const BYTE* data, DWORD size, Registration* registration) {
    if (size != sizeof(Registration) && size != sizeof(SYSTEMTIME))
        return false;
    *registration = {};
    memcpy(registration, data, size);
    return true;
}

namespace {

LONG WriteBinary(LPCWSTR keyPath, LPCWSTR name, const void* data, DWORD size) {
    HKEY key;
    LONG result = RegCreateKeyExW(HKEY_CURRENT_USER, keyPath, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                                  &key, nullptr);
    if (result != ERROR_SUCCESS)
        return result;
    result = RegSetValueExW(key, name, 0, REG_BINARY, static_cast<const BYTE*>(data), size);
    RegCloseKey(key);
    return result;
}

LONG RemoveValue(LPCWSTR keyPath, LPCWSTR name) {
    HKEY key;
    LONG result = RegOpenKeyExW(HKEY_CURRENT_USER, keyPath, 0, KEY_SET_VALUE, &key);
    if (result == ERROR_FILE_NOT_FOUND)
        return ERROR_SUCCESS;
    if (result != ERROR_SUCCESS)
        return result;
    result = RegDeleteValueW(key, name);
    RegCloseKey(key);
    return result == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : result;
}

} // namespace

LONG StoreRegistration(LPCWSTR path, const SYSTEMTIME& time, ULONGLONG made) {
    Registration registration = {time, made};
    return WriteBinary(StoreKey(), path, &registration, sizeof registration);
}

LONG RemoveRegistration(LPCWSTR path) {
    return RemoveValue(StoreKey(), path);
}

bool ParseDelivery(const BYTE* data, DWORD size, Delivery* delivery) {
    if (size != sizeof(Delivery))
        return false;
    memcpy(delivery, data, sizeof(Delivery));
    return true;
}

LONG StoreDelivery(LPCWSTR path, const Delivery& delivery) {
    return WriteBinary(DeliveryKey(), path, &delivery, sizeof delivery);
}

LONG RemoveDelivery(LPCWSTR path) {
    return RemoveValue(DeliveryKey(), path);
}

} // namespace runat
