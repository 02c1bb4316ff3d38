// The ring sound and its volume effect.
#pragma once
#include "platform/win.h"

void StartSound();
void StopSound();
void BeginVolumeEffect();
void EndVolumeEffect();
void CALLBACK FadeTick(HWND window, UINT message, UINT_PTR timerId, DWORD time);
