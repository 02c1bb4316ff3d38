// Sound playback and the wave-out volume of device 0, which on the desktop is the system
// output volume.
#include "platform/sound.h"

#include <endpointvolume.h>
#include <mmdeviceapi.h>

#include <iterator>

#include "platform/desktop/device_paths.h"
#include "platform/desktop/endpoint_volume.h"

namespace platform {
namespace {

// Set once the endpoint turned out not to be settable (Wine answers E_NOTIMPL): from then on
// both reading and writing go to the wave-out calls, so the two never disagree.
bool g_endpointUnsettable = false;

// Set by the first sound this process plays.
bool g_played = false;

// The default output device's endpoint volume, or null where there is none (or it cannot be
// set). `com` tells CloseEndpoint whether to end COM again.
IAudioEndpointVolume* OpenEndpoint(HRESULT* com) {
    *com = E_FAIL;
    if (g_endpointUnsettable)
        return nullptr;
    *com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    IMMDeviceEnumerator* devices = nullptr;
    IMMDevice* device = nullptr;
    IAudioEndpointVolume* endpoint = nullptr;
    if (SUCCEEDED(CoCreateInstance(__uuidof(MMDeviceEnumerator), nullptr, CLSCTX_ALL,
                                   __uuidof(IMMDeviceEnumerator),
                                   reinterpret_cast<void**>(&devices))) &&
        SUCCEEDED(devices->GetDefaultAudioEndpoint(eRender, eConsole, &device)))
        device->Activate(__uuidof(IAudioEndpointVolume), CLSCTX_ALL, nullptr,
                         reinterpret_cast<void**>(&endpoint));
    if (device)
        device->Release();
    if (devices)
        devices->Release();
    if (!endpoint && SUCCEEDED(*com)) {
        CoUninitialize();
        *com = E_FAIL;
    }
    return endpoint;
}

void CloseEndpoint(IAudioEndpointVolume* endpoint, HRESULT com) {
    if (endpoint)
        endpoint->Release();
    if (SUCCEEDED(com))
        CoUninitialize();
}

} // namespace

BOOL PlaySoundW(LPCWSTR sound, HMODULE module, DWORD flags) {
    if (!sound) {
        // Nothing to stop before the first sound; asking would load the sound library, and
        // every window close asks.
        if (!g_played)
            return TRUE;
        return ::PlaySoundW(nullptr, module, flags);
    }
    g_played = true;
    // Wave files live in the device's "\Windows\" folder; the desktop keeps them elsewhere.
    constexpr DWORD kNotAFile = SND_RESOURCE | SND_MEMORY | SND_ALIAS | SND_ALIAS_ID;
    if ((flags & SND_FILENAME) && (flags & kNotAFile) == 0) {
        wchar_t path[MAX_PATH];
        if (!desktop::MapDevicePath(sound, path, std::size(path)))
            return FALSE;
        return ::PlaySoundW(path, module, flags);
    }
    return ::PlaySoundW(sound, module, flags);
}

UINT waveOutGetNumDevs() {
    return ::waveOutGetNumDevs();
}

MMRESULT waveOutGetVolume(HWAVEOUT device, LPDWORD volume) {
    HRESULT com;
    IAudioEndpointVolume* endpoint = device || !volume ? nullptr : OpenEndpoint(&com);
    if (endpoint) {
        bool read = desktop::ReadEndpointVolume(endpoint, volume);
        CloseEndpoint(endpoint, com);
        if (read)
            return MMSYSERR_NOERROR;
    }
    return ::waveOutGetVolume(device, volume);
}

MMRESULT waveOutSetVolume(HWAVEOUT device, DWORD volume) {
    HRESULT com;
    IAudioEndpointVolume* endpoint = device ? nullptr : OpenEndpoint(&com);
    if (endpoint) {
        bool written = desktop::WriteEndpointVolume(endpoint, volume);
        CloseEndpoint(endpoint, com);
        if (written)
            return MMSYSERR_NOERROR;
        g_endpointUnsettable = true;
    }
    return ::waveOutSetVolume(device, volume);
}

} // namespace platform
