// Synthesised key events and the hardware-button hot keys.
#pragma once
#include "platform/win.h"

namespace platform {

constexpr BYTE VK_OFF = 0xDF;
constexpr UINT MOD_KEYUP = 0x1000;
constexpr DWORD KEYEVENTF_SILENT = 0x0004;

void keybd_event(BYTE key, BYTE scan, DWORD flags, ULONG_PTR extra);
BOOL RegisterHotKey(HWND window, int id, UINT modifiers, UINT key);
BOOL UnregisterHotKey(HWND window, int id);

} // namespace platform
