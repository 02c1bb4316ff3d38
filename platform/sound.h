// Sound playback and the wave-out volume.
#pragma once
#include "platform/win.h"

namespace platform {

BOOL PlaySoundW(LPCWSTR sound, HMODULE module, DWORD flags);
UINT waveOutGetNumDevs();
MMRESULT waveOutGetVolume(HWAVEOUT device, LPDWORD volume);
MMRESULT waveOutSetVolume(HWAVEOUT device, DWORD volume);

} // namespace platform
