// Runs the real settings dialog from its template, driven from inside its own modal loop.
#pragma once
#include "platform/win.h"

#include <functional>
#include <string>
#include <vector>

#include "tests/support/test_support.h"

// Runs template IDD_SETTINGS modally with the program's dialog procedure and `script` inside its
// loop, and returns how it ended. A script that leaves the dialog open has it closed afterwards.
INT_PTR RunSettingsDialog(std::function<void(HWND)> script);

// The texts of a combo box's items, in list order.
std::vector<std::wstring> Items(HWND dialog, int id);
int Selection(HWND dialog, int id);
bool IsEnabled(HWND dialog, int id);
// Picks an item the way the user does, so the box reports the change itself.
void Choose(HWND dialog, int id, int index);
// The control that has the keyboard focus (a combo box for its edit field), or 0.
int FocusedControl(HWND dialog);
