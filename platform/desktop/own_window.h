// The program's main window, which the desktop stand-ins use as the device's screen and LED.
#pragma once
#include "platform/win.h"

namespace desktop {

// The top-level window of this process titled "Dawnbell", or null when there is none.
HWND FindOwnMainWindow();

} // namespace desktop
