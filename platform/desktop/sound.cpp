// Sound playback and the wave-out volume of device 0, which on the desktop is the system
// output volume.
#include "platform/sound.h"

#include <endpointvolume.h>
#include <mmdeviceapi.h>

#include "platform/desktop/device_paths.h"
#include "platform/desktop/endpoint_volume.h"

namespace platform {
namespace {

// Set once the endpoint turned out not to be settable (Wine answers E_NOTIMPL): from then on
// both reading and writing go to the wave-out calls, so the two never disagree.
bool g_endpointUnsettable = false;

// Runs `use` on the default output device's endpoint volume; false when there is none.
template <typename Use> bool WithEndpoint(Use use) {
    if (g_endpointUnsettable)
        return false;
    HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    bool done = false;
    IMMDeviceEnumerator* devices = nullptr;
    IMMDevice* device = nullptr;
    IAudioEndpointVolume* endpoint = nullptr;
    if (SUCCEEDED(CoCreateInstance(__uuidof(MMDeviceEnumerator), nullptr, CLSCTX_ALL,
                                   __uuidof(IMMDeviceEnumerator),
                                   reinterpret_cast<void**>(&devices))) &&
        SUCCEEDED(devices->GetDefaultAudioEndpoint(eRender, eConsole, &device)) &&
        SUCCEEDED(device->Activate(__uuidof(IAudioEndpointVolume), CLSCTX_ALL, nullptr,
                                   reinterpret_cast<void**>(&endpoint))))
        done = use(endpoint);
    if (endpoint)
        endpoint->Release();
    if (device)
        device->Release();
    if (devices)
        devices->Release();
    if (SUCCEEDED(com))
        CoUninitialize();
    return done;
}

} // namespace

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
    if (device == nullptr && volume && WithEndpoint([volume](IAudioEndpointVolume* endpoint) {
            return desktop::ReadEndpointVolume(endpoint, volume);
        }))
        return MMSYSERR_NOERROR;
    return ::waveOutGetVolume(device, volume);
}

MMRESULT waveOutSetVolume(HWAVEOUT device, DWORD volume) {
    bool found = false;
    if (device == nullptr && WithEndpoint([volume, &found](IAudioEndpointVolume* endpoint) {
            found = true;
            return desktop::WriteEndpointVolume(endpoint, volume);
        }))
        return MMSYSERR_NOERROR;
    if (found)
        g_endpointUnsettable = true;
    return ::waveOutSetVolume(device, volume);
}

} // namespace platform
