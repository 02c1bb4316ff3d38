// The system output volume standing in for the device's wave-out volume word.
#pragma once
#include "platform/win.h"

struct IAudioEndpointVolume;

namespace desktop {

// Reads `endpoint` as a volume word: channel 0 gives the low (left) half, channel 1 the high
// (right) half, a one-channel endpoint both; each level 0.0 to 1.0 scales to 0 to 0xFFFF. A
// muted endpoint reads as silence, since that is what the user hears. False when it cannot be
// read.
bool ReadEndpointVolume(IAudioEndpointVolume* endpoint, DWORD* word);

// Sets `endpoint` from a volume word; any word but silence also unmutes it. Before the first
// change the endpoint's state is kept, and writing back the word it read as restores that
// state exactly, level and mute. False when the endpoint cannot be set (its setters are not
// implemented everywhere): then nothing has changed and nothing is kept.
bool WriteEndpointVolume(IAudioEndpointVolume* endpoint, DWORD word);

// Drops a kept state without restoring it.
void ForgetEndpointState();

} // namespace desktop
