#include "model/dialog_template.h"

INT_PTR RunDialogTemplate(HINSTANCE module, int id, HWND owner, DLGPROC procedure) {
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), RT_DIALOG);
    HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    auto* dialogTemplate = loaded ? static_cast<LPCDLGTEMPLATEW>(LockResource(loaded)) : nullptr;
    if (!dialogTemplate)
        return -1;
    return DialogBoxIndirectParamW(module, dialogTemplate, owner, procedure, 0);
}
