#include "alerts/sound.h"

#include <cwchar>

#include "model/app_state.h"
#include "model/settings.h"
#include "model/text.h"
#include "platform/sound.h"
#include "platform/timers.h"
#include "resources/resource.h"

namespace {

constexpr DWORD kFileLoop = SND_FILENAME | SND_LOOP | SND_ASYNC;
constexpr DWORD kBeepLoop = SND_RESOURCE | SND_LOOP | SND_ASYNC;
static_assert(kFileLoop == 0x00020009, "sound flags of a wave file");
static_assert(kBeepLoop == 0x0004000D, "sound flags of the built-in beep");

constexpr HWAVEOUT kWaveOut = 0;
constexpr DWORD kFullVolume = 0xFFFFFFFF;
constexpr DWORD kFullChannel = 0xFFFF;
constexpr UINT kFadeTickMs = 1000;

// The volume effects of VolCtrl (model/settings.h); any other value means none.
bool IsFade(int32_t effect) {
    return effect == kVolumeFade15 || effect == kVolumeFade30;
}

bool HasEffect(int32_t effect) {
    return effect == kVolumeMax || IsFade(effect);
}

// Keeps the user's volume once, so that rings that follow each other without a stop all put
// back the volume from before the first of them.
void SaveVolumeOnce() {
    if (AppState.volumeSaved)
        return;
    platform::waveOutGetVolume(kWaveOut, &AppState.savedVolume);
    AppState.volumeSaved = 1;
}

void PutVolumeBack() {
    if (!AppState.volumeSaved)
        return;
    platform::waveOutSetVolume(kWaveOut, AppState.savedVolume);
    AppState.volumeSaved = 0;
}

void KillFadeTimer() {
    if (AppState.fadeTimerId == 0)
        return;
    platform::KillTimer(nullptr, AppState.fadeTimerId);
    AppState.fadeTimerId = 0;
}

void StartFade(DWORD seconds) {
    DWORD headroom = kFullVolume - AppState.savedVolume;
    DWORD highStep = (headroom >> 16) / seconds;
    DWORD lowStep = (headroom & kFullChannel) / seconds;
    AppState.fadeStep = (highStep << 16) | lowStep;
    // Only one fade at a time: a fade left running by an earlier ring would otherwise go on
    // raising the volume after this one is stopped.
    KillFadeTimer();
    AppState.fadeTimerId = platform::SetTimer(nullptr, 0, kFadeTickMs, FadeTick);
}

} // namespace

void StartSound() {
    BeginVolumeEffect();
    if (Settings.UseBeep != kPlayBeep) { // the wave file
        wchar_t path[kPathChars] = {};
        CopyText(path, kPathChars, L"\\Windows\\");
        size_t length = wcslen(path);
        CopyText(path + length, kPathChars - length, Settings.Wave);
        length = wcslen(path);
        CopyText(path + length, kPathChars - length, L".wav");
        platform::PlaySoundW(path, AppState.instance, kFileLoop);
    } else {
        platform::PlaySoundW(MAKEINTRESOURCEW(IDR_BEEP), AppState.instance, kBeepLoop);
    }
}

void StopSound() {
    platform::PlaySoundW(nullptr, AppState.instance, 0);
    EndVolumeEffect();
}

// The device is asked for its count only when there is a volume to change: on the desktop that
// question alone loads the whole audio stack, and its answer changes nothing when there is no
// effect to apply or undo.
void BeginVolumeEffect() {
    if (!HasEffect(Settings.VolCtrl) || platform::waveOutGetNumDevs() == 0)
        return;
    switch (Settings.VolCtrl) {
    case kVolumeMax:
        SaveVolumeOnce();
        platform::waveOutSetVolume(kWaveOut, kFullVolume);
        break;
    case kVolumeFade15:
    case kVolumeFade30:
        SaveVolumeOnce();
        StartFade(Settings.VolCtrl == kVolumeFade15 ? 15 : 30);
        break;
    default:
        break;
    }
}

void EndVolumeEffect() {
    bool undo = (Settings.VolCtrl == kVolumeMax && AppState.volumeSaved) ||
                (IsFade(Settings.VolCtrl) && (AppState.volumeSaved || AppState.fadeTimerId));
    if (!undo || platform::waveOutGetNumDevs() == 0)
        return;
    if (Settings.VolCtrl == kVolumeMax) {
        PutVolumeBack();
    } else if (IsFade(Settings.VolCtrl)) {
        KillFadeTimer();
        PutVolumeBack();
    }
}

// Raises each channel by its own step. A channel whose step no longer fits is held at full
// rather than carried into its neighbour; once no channel can rise any more the fade ends at
// full volume. A zero step never ends by itself: the stop ends it.
void CALLBACK FadeTick(HWND, UINT, UINT_PTR, DWORD) {
    if (platform::waveOutGetNumDevs() == 0)
        return;
    DWORD volume = 0; // a failed read counts as silence
    platform::waveOutGetVolume(kWaveOut, &volume);

    DWORD next = 0;
    bool overflow = false;
    bool rising = false;
    for (int shift = 0; shift <= 16; shift += 16) {
        DWORD level = (volume >> shift) & kFullChannel;
        DWORD step = (AppState.fadeStep >> shift) & kFullChannel;
        if (step > kFullChannel - level) {
            overflow = true;
            next |= kFullChannel << shift;
        } else {
            rising = rising || step != 0;
            next |= (level + step) << shift;
        }
    }
    if (overflow && !rising) {
        platform::waveOutSetVolume(kWaveOut, kFullVolume);
        KillFadeTimer();
        return;
    }
    platform::waveOutSetVolume(kWaveOut, next);
}
