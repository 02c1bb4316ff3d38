// Shell folders and the files of the device.
#include "platform/shell.h"

#include <shlobj.h>

namespace platform {

BOOL SHGetSpecialFolderPathW(HWND window, LPWSTR path, int folder, BOOL create) {
    return ::SHGetSpecialFolderPathW(window, path, folder, create);
}

// No shortcut maker yet: fail rather than pretend.
BOOL SHCreateShortcut(LPCWSTR, LPCWSTR) { return FALSE; }

BOOL DeleteFileW(LPCWSTR path) { return ::DeleteFileW(path); }

HANDLE FindFirstFileW(LPCWSTR pattern, WIN32_FIND_DATAW* data) {
    return ::FindFirstFileW(pattern, data);
}

BOOL FindNextFileW(HANDLE find, WIN32_FIND_DATAW* data) { return ::FindNextFileW(find, data); }

BOOL FindClose(HANDLE find) { return ::FindClose(find); }

DWORD GetModuleFileNameW(HMODULE module, LPWSTR path, DWORD size) {
    return ::GetModuleFileNameW(module, path, size);
}

} // namespace platform
