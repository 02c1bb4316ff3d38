// The Startup-folder shortcut that brings a resident alarm back after the device restarts.
#pragma once
#include <cstdint>

#include "model/names.h" // kShortcutName

void UpdateStartupShortcut(int32_t create);
