// Synthesised key events and hot keys.
#include "platform/keys.h"

namespace platform {

void keybd_event(BYTE key, BYTE scan, DWORD flags, ULONG_PTR extra) {
    ::keybd_event(key, scan, flags, extra);
}

BOOL RegisterHotKey(HWND window, int id, UINT modifiers, UINT key) {
    return ::RegisterHotKey(window, id, modifiers, key);
}

BOOL UnregisterHotKey(HWND window, int id) { return ::UnregisterHotKey(window, id); }

} // namespace platform
