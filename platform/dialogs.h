// Modal message boxes: they block the caller, so tests answer them through the fake device.
#pragma once
#include "platform/win.h"

namespace platform {

int MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type);

} // namespace platform
