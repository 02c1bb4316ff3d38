// The settings block's fourteen values under HKCU\Software\Larchworks\Dawnbell\Setting.
#pragma once

extern const wchar_t kSettingsKey[];

void LoadSettings();
void SaveSettings();
