#include "alerts/power.h"

#include "model/app_state.h"
#include "model/settings.h"
#include "platform/clock.h"
#include "platform/display.h"
#include "platform/keys.h"
#include "platform/led.h"
#include "platform/timers.h"

namespace {

// One blink a second, lit for half of it; no meta cycle.
constexpr INT32 kBlinkCycleUs = 1000000;
constexpr INT32 kBlinkOnUs = 500000;
constexpr INT32 kBlinkOffUs = kBlinkCycleUs - kBlinkOnUs;

constexpr int kButtonCount = 16;
constexpr UINT kButtonModifiers = MOD_WIN | platform::MOD_KEYUP;
constexpr UINT kFirstAppButton = 193; // the first hardware application button
static_assert(kButtonModifiers == 0x1008, "hot-key modifiers");

constexpr UINT kScreenOffDelayMs = 500;
constexpr DWORD kPowerOnPauseMs = 100;
constexpr UINT kKeepAwakeMs = 10000;
constexpr DWORD kSilentRelease = KEYEVENTF_KEYUP | platform::KEYEVENTF_SILENT;

// The driver's number of the LED chosen in the settings (shown to the user from 1).
UINT32 DriverLed(int32_t ledNumber) {
    return static_cast<UINT32>(ledNumber - 1);
}

} // namespace

int32_t GetLedCount() {
    platform::NLED_COUNT_INFO count = {};
    if (!platform::NLedGetDeviceInfo(platform::NLED_COUNT_INFO_ID, &count))
        return -1;
    return static_cast<int32_t>(count.cLeds);
}

// A ring hands this to SetLed as the LED's mode. A driver that cannot be asked, or that reports a
// cycle adjustment of -1, gets the toggle, which blinks the LED after a stop. Any other cycle
// adjustment says nothing about a mode, so such an LED is asked to blink.
int32_t QueryLedSupport() {
    platform::NLED_SUPPORTS_INFO supports = {};
    supports.LedNum = Settings.LedBlink > 0 ? DriverLed(Settings.LedBlink) : 0;
    if (!platform::NLedGetDeviceInfo(platform::NLED_SUPPORTS_INFO_ID, &supports) ||
        supports.lCycleAdjust == kLedToggle)
        return kLedToggle;
    return platform::kLedBlink;
}

void SetLed(int32_t ledNumber, int32_t mode) {
    if (mode == kLedToggle)
        mode = AppState.ledMode == platform::kLedOff ? platform::kLedBlink : platform::kLedOff;
    // Recorded even without a chosen LED, so that a later toggle starts from it.
    AppState.ledMode = mode;
    if (ledNumber == 0)
        return;
    platform::NLED_SETTINGS_INFO settings = {};
    settings.LedNum = DriverLed(ledNumber);
    settings.OffOnBlink = mode;
    settings.TotalCycleTime = kBlinkCycleUs;
    settings.OnTime = kBlinkOnUs;
    settings.OffTime = kBlinkOffUs;
    settings.MetaCycleOn = 0;
    settings.MetaCycleOff = 0;
    platform::NLedSetDevice(platform::NLED_SETTINGS_INFO_ID, &settings);
}

void CaptureButtons(HWND window, int32_t on) {
    if (!Settings.Button)
        return;
    for (int k = 0; k < kButtonCount; ++k) {
        if (on)
            platform::RegisterHotKey(window, k, kButtonModifiers, kFirstAppButton + k);
        else
            platform::UnregisterHotKey(window, k);
    }
}

void SetDisplayPower(HWND window, int32_t on, int32_t delayed) {
    // Any switch-off replaces a pending delayed one; a delayed call starts it again below.
    if (!on)
        platform::KillTimer(window, TIMER_SCREENOFF);
    HDC dc = platform::GetDC(nullptr);
    INT32 asked = platform::SETPOWERMANAGEMENT;
    if (platform::ExtEscape(dc, platform::QUERYESCSUPPORT_ESCAPE, sizeof asked,
                            reinterpret_cast<LPCSTR>(&asked), 0, nullptr) != 0) {
        if (!on && delayed) {
            platform::SetTimer(window, TIMER_SCREENOFF, kScreenOffDelayMs, nullptr);
        } else {
            platform::VIDEO_POWER_MANAGEMENT power = {};
            power.Length = sizeof power;
            power.DPMSVersion = 1;
            power.PowerState = on ? platform::VideoPowerOn : platform::VideoPowerOff;
            platform::ExtEscape(dc, platform::SETPOWERMANAGEMENT, sizeof power,
                                reinterpret_cast<LPCSTR>(&power), 0, nullptr);
            // Give the display time to come up before the ring goes on.
            if (on)
                platform::Sleep(kPowerOnPauseMs);
        }
    }
    platform::ReleaseDC(nullptr, dc);
}

void SetKeepAwake(HWND window, int32_t on) {
    if (!on)
        platform::KillTimer(window, TIMER_KEEPAWAKE);
    else if (Settings.NoSuspend && Settings.Alarm)
        platform::SetTimer(window, TIMER_KEEPAWAKE, kKeepAwakeMs, nullptr);
}

// A key release without a press counts as user input and restarts the device's idle time-out.
void SendKeepAwakeKey() {
    platform::keybd_event(VK_F24, 0, kSilentRelease, 0);
}

void SuspendDevice() {
    platform::keybd_event(platform::VK_OFF, 0, platform::KEYEVENTF_SILENT, 1);
    platform::keybd_event(platform::VK_OFF, 0, kSilentRelease, 1);
}
