#include "platform/desktop/device_paths.h"

#include <iterator>
#include <wchar.h>

namespace desktop {

namespace {

constexpr wchar_t kDeviceWindows[] = L"\\Windows\\";
constexpr size_t kDeviceWindowsLength = 9;
constexpr wchar_t kMedia[] = L"\\Media\\";

bool Append(LPWSTR out, size_t outSize, size_t* used, LPCWSTR text) {
    size_t length = wcslen(text);
    if (length >= outSize - *used)
        return false;
    wmemcpy(out + *used, text, length + 1);
    *used += length;
    return true;
}

} // namespace

bool MapDevicePath(LPCWSTR path, LPWSTR out, size_t outSize) {
    if (!out || outSize == 0)
        return false;
    out[0] = L'\0';
    if (!path)
        return false;
    size_t used = 0;
    // The device's file system ignores letter case, so "\WINDOWS\" is the same folder.
    if (_wcsnicmp(path, kDeviceWindows, kDeviceWindowsLength) == 0) {
        wchar_t windows[MAX_PATH];
        UINT length = GetWindowsDirectoryW(windows, std::size(windows));
        if (length == 0 || length >= std::size(windows))
            return false;
        // "C:\" keeps its backslash; "C:\windows" does not have one.
        if (windows[length - 1] == L'\\')
            windows[length - 1] = L'\0';
        if (!Append(out, outSize, &used, windows) || !Append(out, outSize, &used, kMedia) ||
            !Append(out, outSize, &used, path + kDeviceWindowsLength)) {
            out[0] = L'\0';
            return false;
        }
        return true;
    }
    if (!Append(out, outSize, &used, path)) {
        out[0] = L'\0';
        return false;
    }
    return true;
}

} // namespace desktop
