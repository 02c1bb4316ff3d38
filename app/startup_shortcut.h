// The Startup-folder shortcut that brings a resident alarm back after the device restarts.
#pragma once
#include <cstdint>

extern const wchar_t kShortcutName[]; // "DBELL.lnk"

void UpdateStartupShortcut(int32_t create);
