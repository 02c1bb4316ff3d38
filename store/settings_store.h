// The settings block under HKCU\Software\Larchworks\Dawnbell\Setting: its fourteen values and the
// repeat days.
#pragma once
#include "model/names.h" // kSettingsKey, the key they are kept under

void LoadSettings();
void SaveSettings();
