// Sound playback and the wave-out volume of device 0.
#include "platform/sound.h"

#include "platform/desktop/device_paths.h"

namespace platform {

BOOL PlaySoundW(LPCWSTR sound, HMODULE module, DWORD flags) {
    // Wave files live in the device's "\Windows\" folder; the desktop keeps them elsewhere.
    constexpr DWORD kNotAFile = SND_RESOURCE | SND_MEMORY | SND_ALIAS | SND_ALIAS_ID;
    if (sound && (flags & SND_FILENAME) && (flags & kNotAFile) == 0) {
        wchar_t path[MAX_PATH];
        if (!desktop::MapDevicePath(sound, path, MAX_PATH))
            return FALSE;
        return ::PlaySoundW(path, module, flags);
    }
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
