#include "tests/settings/dialog_driver.h"

#include "model/dialog_template.h"
#include "resources/resource.h"
#include "settings/settings_dialog.h"
#include "tests/support/combo_items.h"

INT_PTR RunSettingsDialog(std::function<void(HWND)> script) {
    bool ran = false;
    WhenDialogOpens([&](HWND dialog) {
        ran = true;
        script(dialog);
        PostMessageW(dialog, WM_CLOSE, 0, 0); // never left hanging; dropped if already ended
    });
    INT_PTR result =
        RunDialogTemplate(GetModuleHandleW(nullptr), IDD_SETTINGS, nullptr, SettingsDialogProc);
    DrainQuit();
    EXPECT_TRUE(ran) << "the dialog did not run";
    return result;
}

std::vector<std::wstring> Items(HWND dialog, int id) {
    return ComboItems(GetDlgItem(dialog, id));
}

int Selection(HWND dialog, int id) {
    return static_cast<int>(SendDlgItemMessageW(dialog, id, CB_GETCURSEL, 0, 0));
}

bool IsEnabled(HWND dialog, int id) {
    return IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE;
}

void Choose(HWND dialog, int id, int index) {
    HWND box = GetDlgItem(dialog, id);
    SendMessageW(box, CB_SETCURSEL, index, 0); // raises no notification by itself
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(box));
}

int FocusedControl(HWND dialog) {
    HWND focus = GetFocus();
    while (focus && GetParent(focus) != dialog)
        focus = GetParent(focus);
    return focus ? GetDlgCtrlID(focus) : 0;
}
