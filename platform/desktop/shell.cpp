// Shell folders, the Startup shortcut and the files of the device.
#include "platform/shell.h"

#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <iterator>
#include <wchar.h>

#include "platform/desktop/device_paths.h"
#include "platform/desktop/shell_link.h"
#include "runat/fixed_text.h"

namespace platform {

namespace {

// Splits a shortcut target string, "<program>" args or program args, into its two parts.
bool SplitTarget(LPCWSTR target, LPWSTR program, size_t programSize, LPCWSTR* arguments) {
    const wchar_t* start = target;
    while (*start == L' ' || *start == L'\t')
        ++start;
    const wchar_t* end;
    const wchar_t* rest;
    if (*start == L'"') {
        ++start;
        end = wcschr(start, L'"');
        if (!end)
            return false;
        rest = end + 1;
    } else {
        end = start + wcscspn(start, L" \t");
        rest = end;
    }
    size_t length = static_cast<size_t>(end - start);
    if (length == 0 || length >= programSize)
        return false;
    wmemcpy(program, start, length);
    program[length] = L'\0';
    while (*rest == L' ' || *rest == L'\t')
        ++rest;
    *arguments = rest;
    return true;
}

// Writes the .lnk file; COM is already initialised on this thread.
bool SaveShellLink(LPCWSTR shortcut, LPCWSTR program, LPCWSTR arguments) {
    IShellLinkW* link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                reinterpret_cast<void**>(&link))))
        return false;
    bool saved = false;
    wchar_t folder[MAX_PATH];
    runat::CopyInto(folder, program);
    wchar_t* slash = wcsrchr(folder, L'\\');
    if (slash)
        *slash = L'\0';
    if (SUCCEEDED(link->SetPath(program)) && SUCCEEDED(link->SetArguments(arguments))) {
        if (slash)
            link->SetWorkingDirectory(folder);
        IPersistFile* file = nullptr;
        if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
            saved = SUCCEEDED(file->Save(shortcut, TRUE));
            file->Release();
        }
    }
    link->Release();
    return saved;
}

} // namespace

BOOL SHGetSpecialFolderPathW(HWND window, LPWSTR path, int folder, BOOL create) {
    return ::SHGetSpecialFolderPathW(window, path, folder, create);
}

// The device's shell takes one target string; the desktop's shortcut keeps the program and its
// arguments apart. An existing shortcut is overwritten, so it always points at this program,
// unless it already does: writing takes the shell's COM objects, which a resident start would
// otherwise not load, so a shortcut that certainly starts the same program with the same
// arguments is left as it is.
BOOL SHCreateShortcut(LPCWSTR shortcut, LPCWSTR target) {
    if (!shortcut || !*shortcut || !target)
        return FALSE;
    wchar_t program[MAX_PATH];
    LPCWSTR arguments = nullptr;
    if (!SplitTarget(target, program, std::size(program), &arguments))
        return FALSE;
    if (desktop::ShellLinkStarts(shortcut, program, arguments))
        return TRUE;
    HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    // RPC_E_CHANGED_MODE: the thread already runs COM in another mode, which serves as well.
    if (FAILED(com) && com != RPC_E_CHANGED_MODE)
        return FALSE;
    bool saved = SaveShellLink(shortcut, program, arguments);
    if (SUCCEEDED(com))
        CoUninitialize();
    return saved ? TRUE : FALSE;
}

BOOL DeleteFileW(LPCWSTR path) {
    return ::DeleteFileW(path);
}

HANDLE FindFirstFileW(LPCWSTR pattern, WIN32_FIND_DATAW* data) {
    wchar_t path[MAX_PATH];
    if (!desktop::MapDevicePath(pattern, path, MAX_PATH)) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return INVALID_HANDLE_VALUE;
    }
    return ::FindFirstFileW(path, data);
}

BOOL FindNextFileW(HANDLE find, WIN32_FIND_DATAW* data) {
    return ::FindNextFileW(find, data);
}

BOOL FindClose(HANDLE find) {
    return ::FindClose(find);
}

DWORD GetModuleFileNameW(HMODULE module, LPWSTR path, DWORD size) {
    return ::GetModuleFileNameW(module, path, size);
}

} // namespace platform
