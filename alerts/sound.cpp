#include "alerts/sound.h"

void StartSound() {}
void StopSound() {}
void BeginVolumeEffect() {}
void EndVolumeEffect() {}
void CALLBACK FadeTick(HWND, UINT, UINT_PTR, DWORD) {}
