// Message boxes are the desktop's own.
#include "platform/dialogs.h"

namespace platform {

int MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type) {
    return ::MessageBoxW(owner, text, caption, type);
}

} // namespace platform
