#include <cstdio>

#include "alerts/power.h"
#include "app/main_window.h"
#include "model/app_state.h"
#include "model/settings.h"
#include "tests/support/test_support.h"

namespace {

using Lines = std::vector<std::string>;

class PowerTest : public ProgramTest {
  protected:
    HWND const window_ = reinterpret_cast<HWND>(0x4D41);
    // The LED step of a ring.
    void RingLed() { SetLed(Settings.LedBlink, QueryLedSupport()); }
};

TEST_F(PowerTest, LedCountAndSupportQuery) {
    fake::device().ledCount = 0;
    EXPECT_EQ(GetLedCount(), 0);
    fake::device().ledCountFails = true;
    EXPECT_EQ(GetLedCount(), -1);

    // The chosen LED is asked about, and an answering LED blinks whatever its cycle adjustment,
    // unless that is -1, which the ring hands on as the toggle, like a failed query.
    Settings.LedBlink = 3;
    fake::device().cycleAdjust = 7;
    EXPECT_EQ(QueryLedSupport(), 2);
    fake::device().cycleAdjust = 0;
    EXPECT_EQ(QueryLedSupport(), 2);
    fake::device().cycleAdjust = -1;
    EXPECT_EQ(QueryLedSupport(), -1);
    fake::device().cycleAdjust = 7;
    fake::device().ledSupportFails = true;
    EXPECT_EQ(QueryLedSupport(), -1);
    EXPECT_EQ(fake::Calls("NLedGetDeviceInfo(1"), Lines(4, "NLedGetDeviceInfo(1, led=2)"));
}

TEST_F(PowerTest, SetLedResolvesTheToggleAndDrivesTheChosenLed) {
    SetLed(3, 2);
    SetLed(1, 0);
    SetLed(1, -1); // from off: blink
    EXPECT_EQ(AppState.ledMode, 2);
    SetLed(1, -1); // from blink: off
    SetLed(2, 1);
    SetLed(2, -1); // from on: off
    EXPECT_EQ(fake::Calls("NLed"),
              (Lines{"NLedSetDevice(2, led=2, mode=2)", "NLedSetDevice(2, led=0, mode=0)",
                     "NLedSetDevice(2, led=0, mode=2)", "NLedSetDevice(2, led=0, mode=0)",
                     "NLedSetDevice(2, led=1, mode=1)", "NLedSetDevice(2, led=1, mode=0)"}));

    // Without a chosen LED the mode is still kept, and a later toggle starts from it.
    fake::ClearJournal();
    SetLed(0, 2);
    EXPECT_TRUE(fake::Journal().empty());
    EXPECT_EQ(AppState.ledMode, 2);
    SetLed(0, -1);
    EXPECT_EQ(AppState.ledMode, 0);
}

TEST_F(PowerTest, RingsBlinkTheLedOrToggleItWhenTheQueryFails) {
    Settings.LedBlink = 2;
    RingLed();
    RingLed();
    fake::device().ledSupportFails = true;
    SetLed(Settings.LedBlink, 0); // a stop
    RingLed();
    RingLed();
    EXPECT_EQ(fake::Calls("NLedSetDevice"),
              (Lines{"NLedSetDevice(2, led=1, mode=2)", "NLedSetDevice(2, led=1, mode=2)",
                     "NLedSetDevice(2, led=1, mode=0)", "NLedSetDevice(2, led=1, mode=2)",
                     "NLedSetDevice(2, led=1, mode=0)"}));
}

TEST_F(PowerTest, ButtonsAreCapturedInOrderOnlyWhenChosen) {
    CaptureButtons(window_, 1);
    CaptureButtons(window_, 0);
    EXPECT_TRUE(fake::Journal().empty());

    Settings.Button = 1;
    CaptureButtons(window_, 1);
    CaptureButtons(window_, 0);
    Lines expected;
    char line[64];
    for (int k = 0; k < 16; ++k) {
        snprintf(line, sizeof line, "RegisterHotKey(hwnd, %d, 0x1008, 0x%X)", k, 0xC1 + k);
        expected.push_back(line);
    }
    for (int k = 0; k < 16; ++k)
        expected.push_back("UnregisterHotKey(hwnd, " + std::to_string(k) + ")");
    EXPECT_EQ(fake::Journal(), expected);
}

TEST_F(PowerTest, DisplayPowerThroughTheEscapes) {
    const Lines delayedOff = {"KillTimer(hwnd, 3)", "GetDC(NULL)",
                              "ExtEscape(QUERYESCSUPPORT, 6147)", "SetTimer(hwnd, 3, 500)",
                              "ReleaseDC(NULL)"};
    SetDisplayPower(window_, 0, 1);
    EXPECT_EQ(fake::Journal(), delayedOff);
    fake::ClearJournal();
    SetDisplayPower(window_, 0, 1); // a second action starts the 500 ms again
    EXPECT_EQ(fake::Journal(), delayedOff);
    EXPECT_TRUE(fake::TimerRunning(window_, TIMER_SCREENOFF));

    // Switching on is immediate, pauses, and leaves the pending switch-off alone.
    fake::ClearJournal();
    SetDisplayPower(window_, 1, 1);
    EXPECT_EQ(fake::Journal(), (Lines{"GetDC(NULL)", "ExtEscape(QUERYESCSUPPORT, 6147)",
                                      "ExtEscape(SETPOWERMANAGEMENT, length=12, dpms=1, state=1)",
                                      "Sleep(100)", "ReleaseDC(NULL)"}));
    EXPECT_TRUE(fake::TimerRunning(window_, TIMER_SCREENOFF));

    // When timer 3 expires the display goes off at once.
    fake::ClearJournal();
    HandleTimer(window_, TIMER_SCREENOFF);
    EXPECT_EQ(
        fake::Journal(),
        (Lines{"KillTimer(hwnd, 3)", "GetDC(NULL)", "ExtEscape(QUERYESCSUPPORT, 6147)",
               "ExtEscape(SETPOWERMANAGEMENT, length=12, dpms=1, state=4)", "ReleaseDC(NULL)"}));
    EXPECT_FALSE(fake::TimerRunning(window_, TIMER_SCREENOFF));
}

TEST_F(PowerTest, ADisplayWithoutThePowerEscapeIsLeftAlone) {
    fake::device().powerEscapeKnown = false;
    SetDisplayPower(window_, 0, 1);
    SetDisplayPower(window_, 0, 0);
    SetDisplayPower(window_, 1, 0);
    EXPECT_EQ(fake::Calls("KillTimer").size(), 2u);
    EXPECT_TRUE(fake::Calls("ExtEscape(SET").empty());
    EXPECT_TRUE(fake::Calls("SetTimer").empty());
    EXPECT_TRUE(fake::Calls("Sleep").empty());
    EXPECT_EQ(fake::Calls("ReleaseDC").size(), 3u);
}

TEST_F(PowerTest, KeepAwakeAndSuspendKeys) {
    for (int32_t noSuspend : {0, 1})
        for (int32_t alarm : {0, 1}) {
            Settings.NoSuspend = noSuspend;
            Settings.Alarm = alarm;
            SetKeepAwake(window_, 1);
        }
    EXPECT_EQ(fake::Journal(), Lines{"SetTimer(hwnd, 2, 10000)"});
    Settings.NoSuspend = 0;
    SetKeepAwake(window_, 1); // a running timer is left running
    EXPECT_TRUE(fake::TimerRunning(window_, TIMER_KEEPAWAKE));
    SetKeepAwake(window_, 0);
    EXPECT_FALSE(fake::TimerRunning(window_, TIMER_KEEPAWAKE));

    fake::ClearJournal();
    SendKeepAwakeKey();
    SuspendDevice();
    EXPECT_EQ(fake::Journal(), (Lines{"keybd_event(0x87, 0, 6, 0)", "keybd_event(0xDF, 0, 4, 1)",
                                      "keybd_event(0xDF, 0, 6, 1)"}));
}

} // namespace
