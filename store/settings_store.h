// The settings block's fourteen values under HKCU\Software\Larchworks\Dawnbell\Setting.
#pragma once
#include "model/names.h" // kSettingsKey, the key they are kept under

void LoadSettings();
void SaveSettings();
