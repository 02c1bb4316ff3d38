// Shell folders, shortcuts and the files of the device.
#pragma once
#include "platform/win.h"

#include <shlobj.h>

namespace platform {

BOOL SHGetSpecialFolderPathW(HWND window, LPWSTR path, int folder, BOOL create);
// Creates the shortcut file `shortcut` whose target string is `target` ("<program>" args).
BOOL SHCreateShortcut(LPCWSTR shortcut, LPCWSTR target);
BOOL DeleteFileW(LPCWSTR path);
HANDLE FindFirstFileW(LPCWSTR pattern, WIN32_FIND_DATAW* data);
BOOL FindNextFileW(HANDLE find, WIN32_FIND_DATAW* data);
BOOL FindClose(HANDLE find);
DWORD GetModuleFileNameW(HMODULE module, LPWSTR path, DWORD size);

} // namespace platform
