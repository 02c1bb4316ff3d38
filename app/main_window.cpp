#include "app/main_window.h"

#include <cstdlib>
#include <cwchar>

#include "alerts/power.h"
#include "alerts/sound.h"
#include "app/clock_format.h"
#include "app/entry.h"
#include "app/startup_shortcut.h"
#include "app/week_days.h"
#include "cycle/registration.h"
#include "cycle/ring_cycle.h"
#include "model/app_state.h"
#include "model/settings.h"
#include "model/text.h"
#include "platform/clock.h"
#include "platform/dialogs.h"
#include "platform/timers.h"
#include "platform/wakeup.h"
#include "resources/resource.h"
#include "store/settings_store.h"

namespace {

int32_t ResidentMode() {
    return Settings.NoSuspend && Settings.Alarm;
}

// A ring, or a second start that shows us, must not be hidden by the hide of a start-up start
// that is still to come (a start at logon racing the system's start for a missed alarm).
void CancelStartupHide(HWND window) {
    AppState.hideWhenShown = 0;
    if (AppState.hidePending) {
        AppState.hidePending = 0;
        platform::KillTimer(window, TIMER_HIDE);
    }
}

void StartHideTimer(HWND window) {
    AppState.hidePending = 1;
    platform::SetTimer(window, TIMER_HIDE, 0, nullptr);
}

// The alarm has come: ring, then tell the system it has been dealt with. Acknowledged only once
// the ring is under way, so that a program that dies before is started again. A hand-over that
// comes while the next ring registered by our own last ring (its snooze, or a repeating alarm's
// next day) is still ahead is that same alarm reaching us a second time (another copy of the
// program started for it, or the system trying again while we did not answer): it is taken,
// but not rung again.
void HandleAlarm(HWND window, bool handOver) {
    CancelStartupHide(window);
    if (!(handOver && IsRingAlreadyHandled()))
        FireAlarm(window);
    AcknowledgeAlarm();
}

// The caption of the message that tells a missed repeating alarm: not the main window's title,
// which a second start looks for.
const wchar_t kMissedCaption[] = L"Missed alarm";

// A repeating alarm that was missed has gone on to its next day, which its line shows; the miss
// itself is told once, in a message, as soon as the user sees the window: never while it is
// hidden, nor by a start-up start that is about to hide it.
void TellMissedAlarm(HWND window) {
    if (!AppState.missedAlarm[0] || !IsWindowVisible(window) || AppState.hidePending ||
        AppState.hideWhenShown)
        return;
    wchar_t text[kTextChars];
    CopyText(text, kTextChars, AppState.missedAlarm);
    AppState.missedAlarm[0] = L'\0'; // told once, whatever comes while the message is open
    platform::MessageBoxW(window, text, kMissedCaption, MB_OK | MB_ICONEXCLAMATION);
}

// After the message that shows or checks the window has been answered.
void TellMissedAlarmSoon(HWND window) {
    if (AppState.missedAlarm[0])
        PostMessageW(window, WM_TELLMISSED, 0, 0);
}

// A second start's "show yourself".
void ShowInstance(HWND window) {
    CancelStartupHide(window);
    platform::SetTimer(window, TIMER_CLOCK, kClockTickMs, nullptr);
    ShowWindow(window, SW_SHOW);
    SetForegroundWindow(window);
    TellMissedAlarmSoon(window); // also when a start-up hide was still to come, and now is not
}

// A start-up start, or the system after giving an alarm up, asks us to look again: an armed
// alarm without a pending ring ends, and a hidden instance then has nothing left to wait for; a
// repeating one goes on to its next day, and a shown window tells the miss.
void CheckAlarm(HWND window) {
    if (EndAlarmIfMissed(window) && !IsWindowVisible(window))
        HandleClose(window);
    TellMissedAlarmSoon(window);
}

// With the display-off option on an armed alarm, the display goes dark again 500 ms after the
// user's last action.
void DisplayTail(HWND window) {
    if (Settings.ScreenOff && Settings.Alarm)
        SetDisplayPower(window, kOff, kDelayed);
}

void HandleCommand(HWND window, WPARAM wParam, LPARAM lParam) {
    if (LOWORD(wParam) == IDOK)
        SendMessageW(window, WM_CLOSE, 0, 0);
    if (HIWORD(wParam) != 0)
        return;
    HWND control = reinterpret_cast<HWND>(lParam);
    if (control && control == GetDlgItem(window, IDC_ALARM))
        ToggleAlarm(window);
    else if (control && control == GetDlgItem(window, IDC_STOP))
        StopRinging(window);
    else if (control && control == GetDlgItem(window, IDC_SETTINGS))
        OpenSettings(window);
    DisplayTail(window);
}

void Initialise(HWND window) {
    SetWindowTextW(window, kWindowTitle);
    LoadSettings();
    // The system's start rings what it was started for; any other start first makes sure that an
    // armed alarm still has its ring coming, so that the window never promises one that is not.
    if (!IsAlarmCommand(AppState.cmdLine))
        EndAlarmIfMissed(window);
    if (Settings.Alarm) {
        SendDlgItemMessageW(window, IDC_ALARM, BM_SETCHECK, BST_CHECKED, 0);
        ShowWindow(GetDlgItem(window, IDC_SETTINGS), SW_HIDE);
    }
    SetKeepAwake(window, kOn);
    UpdateStartupShortcut(ResidentMode());
    bool closing = false;
    if (AppState.startupFlag) {
        if (Settings.Alarm) {
            // The dialog loop shows the window after this; a hide that came first would be
            // undone by that show, so the hide waits for it.
            if (IsWindowVisible(window))
                StartHideTimer(window);
            else
                AppState.hideWhenShown = 1;
        } else {
            SendMessageW(window, WM_CLOSE, 0, 0); // ends the program once the loop runs
            closing = true;
        }
    }
    AppState.clockFont = MakeClockFont(240, L"System");
    if (AppState.clockFont)
        SendDlgItemMessageW(window, IDC_CLOCK, WM_SETFONT,
                            reinterpret_cast<WPARAM>(AppState.clockFont), TRUE);
    HandleTimer(window, TIMER_CLOCK);
    SetAlarmLabel(window);
    platform::SetTimer(window, TIMER_CLOCK, kClockTickMs, nullptr);
    if (IsAlarmCommand(AppState.cmdLine)) {
        if (Settings.Alarm) {
            HandleAlarm(window, false);
        } else if (!closing) {
            // A late or repeated notification for an alarm that is off: nothing to ring, and
            // no window to pop up for nothing.
            AcknowledgeAlarm();
            SendMessageW(window, WM_CLOSE, 0, 0);
            closing = true;
        }
    }
    SetDlgItemTextW(window, IDC_NEXT, Settings.strNext);
    if (!closing)
        AnnounceReady(window);
}

// Whether the first line of `label` fits on the check box beside its box, without wrapping.
bool FirstLineFits(HWND box, const wchar_t* label) {
    RECT client = {};
    GetClientRect(box, &client);
    HDC dc = GetDC(box);
    HGDIOBJ font = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(box, WM_GETFONT, 0, 0)));
    SIZE line = {}, digit = {};
    bool measured =
        GetTextExtentPoint32W(dc, label, static_cast<int>(wcscspn(label, L"\n")), &line) &&
        GetTextExtentPoint32W(dc, L"0", 1, &digit);
    SelectObject(dc, font);
    ReleaseDC(box, dc);
    // The box comes first, and a gap of about half a digit after it.
    return !measured || line.cx + GetSystemMetrics(SM_CXMENUCHECK) + digit.cx <= client.right;
}

void ShowDateAndTime(HWND window) {
    // The device clock is read through the platform, so a test clock shows here too.
    SYSTEMTIME now = {};
    platform::GetLocalTime(&now);
    wchar_t text[kTextChars] = {};
    GetDateFormatW(LOCALE_USER_DEFAULT, 0, &now, L"yyyy/M/d(ddd)", text, kTextChars);
    SetDlgItemTextW(window, IDC_DATE, text);
    wmemset(text, L'\0', kTextChars);
    FormatClockTime(LOCALE_USER_DEFAULT, &now, text, kTextChars);
    SetDlgItemTextW(window, IDC_CLOCK, text);
}

} // namespace

void SetAlarmLabel(HWND window) {
    // With days, the fullest form whose first line fits beside the box: the days' abbreviated
    // names, their shortest, then without "Alarm at". Without days, the first form, unmeasured.
    static const struct {
        const wchar_t* format;
        DayNames names;
    } kForms[] = {
        {L"Alarm at %d:%02d%ls\n(Snooze %d Min.)", DayNames::Abbreviated},
        {L"Alarm at %d:%02d%ls\n(Snooze %d Min.)", DayNames::Shortest},
        {L"%d:%02d%ls\n(Snooze %d Min.)", DayNames::Shortest},
    };
    HWND box = GetDlgItem(window, IDC_ALARM);
    wchar_t label[kTextChars] = {};
    for (const auto& form : kForms) {
        wchar_t days[kTextChars] = {};
        DescribeDays(LOCALE_USER_DEFAULT, RepeatDays(), form.names, days, kTextChars);
        FormatText(label, kTextChars, form.format, Settings.Hour, Settings.Minute, days,
                   Settings.AlarmInterval);
        if (!days[0] || FirstLineFits(box, label))
            break;
    }
    SetWindowTextW(box, label);
}

HFONT MakeClockFont(int32_t tenthsOfPoint, const wchar_t* face) {
    LOGFONTW font = {};
    font.lfCharSet = DEFAULT_CHARSET;
    CopyText(font.lfFaceName, LF_FACESIZE, face);
    HDC screen = GetDC(nullptr);
    int32_t pixelsPerInch = GetDeviceCaps(screen, LOGPIXELSY);
    font.lfHeight = -std::abs(tenthsOfPoint * pixelsPerInch / 720);
    ReleaseDC(nullptr, screen);
    return CreateFontIndirectW(&font);
}

void HandleTimer(HWND window, UINT_PTR id) {
    switch (id) {
    case TIMER_CLOCK:
        ShowDateAndTime(window);
        break;
    case TIMER_KEEPAWAKE:
        SendKeepAwakeKey();
        // A resident instance waits on the service to be started for its alarm: one that died
        // meanwhile is brought back, and fires what it missed.
        platform::EnsureRunAtTimeService();
        break;
    case TIMER_SCREENOFF:
        SetDisplayPower(window, kOff, kAtOnce);
        break;
    default:
        if (id == TIMER_HIDE) {
            AppState.hidePending = 0;
            ShowWindow(window, SW_HIDE);
        }
        platform::KillTimer(window, id);
        break;
    }
}

BOOL HandleClose(HWND window) {
    SaveSettings();
    StopSound();
    SetLed(Settings.LedBlink, platform::kLedOff);
    UpdateStartupShortcut(ResidentMode());
    if (Settings.Alarm) {
        if (Settings.NoSuspend) {
            // Resident: stay hidden until the alarm comes or a second start shows us.
            if (Settings.ScreenOff)
                SetDisplayPower(window, kOff, kDelayed);
            ShowWindow(window, SW_HIDE);
            platform::KillTimer(window, TIMER_CLOCK);
            return FALSE;
        }
        if (Settings.ScreenOff)
            SuspendDevice();
    }
    SendMessageW(window, WM_DESTROY, 0, 0);
    return TRUE;
}

INT_PTR CALLBACK MainDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        Initialise(window);
        return TRUE;
    case WM_COMMAND:
        HandleCommand(window, wParam, lParam);
        return TRUE;
    case WM_HOTKEY:
        StopRinging(window);
        DisplayTail(window);
        return TRUE;
    case WM_TIMER:
        HandleTimer(window, wParam);
        return TRUE;
    case WM_ALARM:
        HandleAlarm(window, wParam == WM_ALARM_HANDOVER);
        return TRUE;
    case WM_SHOWINSTANCE:
        ShowInstance(window);
        return TRUE;
    case WM_CHECKALARM:
        CheckAlarm(window);
        return TRUE;
    case WM_TELLMISSED:
        TellMissedAlarm(window);
        return TRUE;
    case WM_KEYDOWN:
        if (wParam == VK_RETURN)
            SendMessageW(window, WM_CLOSE, 0, 0);
        return TRUE;
    case WM_CLOSE:
        return HandleClose(window);
    case WM_DESTROY:
        WithdrawReady(window); // a second start must not hand over to a window that ends
        PostQuitMessage(0);
        return TRUE;
    case WM_SHOWWINDOW:
        // A second instance cannot restart our clock timer on this desktop, so a window that
        // is shown again restarts it itself.
        if (wParam) {
            platform::SetTimer(window, TIMER_CLOCK, kClockTickMs, nullptr);
            if (AppState.hideWhenShown) {
                AppState.hideWhenShown = 0;
                StartHideTimer(window);
            }
            TellMissedAlarmSoon(window);
        }
        return FALSE;
    default:
        return FALSE;
    }
}
