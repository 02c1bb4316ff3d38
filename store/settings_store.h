// The settings block's fourteen values under HKCU\Software\Larchworks\Dawnbell\Setting.
#pragma once
#include "model/names.h" // kSettingsKey

void LoadSettings();
void SaveSettings();
