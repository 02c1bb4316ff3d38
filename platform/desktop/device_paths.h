// The device's own folders as the desktop holds them.
#pragma once
#include "platform/win.h"

namespace desktop {

// Copies `path` into `out` (room for `outSize` characters with the terminator), turning the
// device's Windows folder "\Windows\..." into the desktop's system sounds folder
// "%WINDIR%\Media\...": that is where the device keeps its wave files. Other paths are copied
// unchanged. False, with `out` empty, when the result does not fit.
bool MapDevicePath(LPCWSTR path, LPWSTR out, size_t outSize);

} // namespace desktop
