// Running one of the program's own dialog templates modally.
#pragma once
#include "platform/win.h"

// Runs dialog template `id` from `module`'s resources with `owner` (may be null) and `procedure`,
// and returns what the dialog ended with; -1 when the template is missing or the dialog could
// not be made.
INT_PTR RunDialogTemplate(HINSTANCE module, int id, HWND owner, DLGPROC procedure);
