#include "platform/desktop/endpoint_volume.h"

#include <endpointvolume.h>

namespace desktop {
namespace {

constexpr UINT kMaxChannels = 8;

// The user's state before our first change, to be put back as it was.
struct EndpointState {
    bool kept;
    UINT channels;
    BOOL muted;
    float levels[kMaxChannels];
    DWORD word; // what the state read as
};
EndpointState g_kept = {};

WORD ToChannel(float level) {
    if (!(level > 0.0f))
        return 0;
    if (level >= 1.0f)
        return 0xFFFF;
    return static_cast<WORD>(level * 65535.0f + 0.5f);
}

float ToLevel(WORD channel) {
    return channel / 65535.0f;
}

bool ReadState(IAudioEndpointVolume* endpoint, EndpointState* state) {
    UINT channels = 0;
    if (FAILED(endpoint->GetChannelCount(&channels)) || channels == 0)
        return false;
    state->channels = channels < kMaxChannels ? channels : kMaxChannels;
    if (FAILED(endpoint->GetMute(&state->muted)))
        return false;
    for (UINT i = 0; i < state->channels; ++i) {
        if (FAILED(endpoint->GetChannelVolumeLevelScalar(i, &state->levels[i])))
            return false;
    }
    WORD left = ToChannel(state->levels[0]);
    WORD right = state->channels > 1 ? ToChannel(state->levels[1]) : left;
    state->word = state->muted ? 0 : MAKELONG(left, right);
    return true;
}

} // namespace

bool ReadEndpointVolume(IAudioEndpointVolume* endpoint, DWORD* word) {
    EndpointState state = {};
    if (!ReadState(endpoint, &state))
        return false;
    *word = state.word;
    return true;
}

bool WriteEndpointVolume(IAudioEndpointVolume* endpoint, DWORD word) {
    if (!g_kept.kept) {
        if (!ReadState(endpoint, &g_kept))
            return false;
        g_kept.kept = true;
    }
    if (word == g_kept.word) {
        // The put-back: the exact levels and mute the user had, not their 16-bit images.
        g_kept.kept = false;
        for (UINT i = 0; i < g_kept.channels; ++i) {
            if (FAILED(endpoint->SetChannelVolumeLevelScalar(i, g_kept.levels[i], nullptr)))
                return false;
        }
        return SUCCEEDED(endpoint->SetMute(g_kept.muted, nullptr));
    }
    float left = ToLevel(LOWORD(word));
    float right = ToLevel(HIWORD(word));
    float loudest = left > right ? left : right;
    for (UINT i = 0; i < g_kept.channels; ++i) {
        // Channels beyond the two the word has follow the louder one.
        float level = g_kept.channels == 1 ? loudest : i == 0 ? left : i == 1 ? right : loudest;
        if (FAILED(endpoint->SetChannelVolumeLevelScalar(i, level, nullptr))) {
            // The first write already fails where the setters do not exist: nothing changed.
            if (i == 0)
                g_kept.kept = false;
            return false;
        }
    }
    if (word != 0 && FAILED(endpoint->SetMute(FALSE, nullptr)))
        return false;
    return true;
}

void ForgetEndpointState() {
    g_kept = {};
}

} // namespace desktop
