// Resource, control and message ids shared by the resource script and the program.
#pragma once

// Dialog templates
#define IDD_MAIN 102
#define IDD_SETTINGS 130

// Icons
#define IDI_DAWNBELL 128
#define IDI_MOON 135
#define IDI_SUN 136

// The built-in beep, a resource of type "WAVE"
#define IDR_BEEP 132

// Main window controls
#define IDC_DATE 1000
#define IDC_CLOCK 1001
#define IDC_SETTINGS 1002
#define IDC_STOP 1003
#define IDC_ALARM 1004
#define IDC_NEXT 1017
#define IDC_MAINICON 1031

// Settings dialog controls
#define IDC_WAVE 1005
#define IDC_HOUR 1006
#define IDC_MINUTE 1007
#define IDC_SNOOZE 1015
#define IDC_BEEP 1016
#define IDC_REPEAT 1017
#define IDC_VERSION 1019
#define IDC_VOLUME 1022
#define IDC_NOSUSPEND 1023
#define IDC_SCREENOFF 1024
#define IDC_LED 1025
#define IDC_LEDNUM 1026
#define IDC_NOW 1030
#define IDC_BUTTONS 1032
// The row of day toggles, in the order of the user's week: IDC_DAY1 is its first day.
#define IDC_DAY1 1040
#define IDC_DAY2 1041
#define IDC_DAY3 1042
#define IDC_DAY4 1043
#define IDC_DAY5 1044
#define IDC_DAY6 1045
#define IDC_DAY7 1046

// "The alarm time has come": sent by a second instance and handled by the main window. A second
// start's hand-over sends it with wParam WM_ALARM_HANDOVER, so that a copy of the alarm the
// running instance has just rung (another copy of the program, started for the same time) is not
// rung once more.
#define WM_ALARM (WM_USER + 100)
#define WM_ALARM_HANDOVER 1
// A second start's hand-over: "show yourself" (the running instance shows itself, restarts its
// clock and cancels a pending start-up hide) and, for a start-up start, "check your alarm" (an
// armed alarm that no longer has a ring pending was missed and ends; nothing is shown).
#define WM_SHOWINSTANCE (WM_USER + 101)
#define WM_CHECKALARM (WM_USER + 102)
// Posted to itself by the main window: tell a missed repeating alarm now, if the user sees the
// window.
#define WM_TELLMISSED (WM_USER + 103)
