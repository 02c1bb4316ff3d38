// Sound playback and the wave-out volume of device 0.
#include "platform/sound.h"

namespace platform {

BOOL PlaySoundW(LPCWSTR sound, HMODULE module, DWORD flags) {
    return ::PlaySoundW(sound, module, flags);
}

UINT waveOutGetNumDevs() { return ::waveOutGetNumDevs(); }

MMRESULT waveOutGetVolume(HWAVEOUT device, LPDWORD volume) {
    return ::waveOutGetVolume(device, volume);
}

MMRESULT waveOutSetVolume(HWAVEOUT device, DWORD volume) {
    return ::waveOutSetVolume(device, volume);
}

} // namespace platform
