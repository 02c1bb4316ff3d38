#include "app/startup_shortcut.h"

#include "model/app_state.h"
#include "model/settings.h"
#include "model/text.h"
#include "platform/shell.h"

void UpdateStartupShortcut(int32_t create) {
    wchar_t folder[kPathChars] = {};
    if (!platform::SHGetSpecialFolderPathW(nullptr, folder, CSIDL_STARTUP, FALSE))
        return;
    folder[kPathChars - 1] = L'\0';

    wchar_t shortcut[kPathChars];
    if (!FormatText(shortcut, kPathChars, L"%ls\\%ls", folder, kShortcutName))
        return; // a folder path too long for the shortcut's name: nothing to create or delete

    if (!create) {
        platform::DeleteFileW(shortcut); // a missing shortcut is what we want anyway
        return;
    }

    wchar_t program[kPathChars] = {};
    DWORD length = platform::GetModuleFileNameW(AppState.instance, program, kPathChars);
    if (length == 0 || length >= kPathChars)
        return;
    // The quoted path, a blank and "-s" must fit whole; a cut target would start the wrong
    // program or lose the argument.
    wchar_t target[kPathChars];
    if (!FormatText(target, kPathChars, L"\"%ls\" -s", program))
        return;
    platform::SHCreateShortcut(shortcut, target);
}
