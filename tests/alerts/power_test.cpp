#include "alerts/power.h"
#include "model/app_state.h"
#include "model/settings.h"
#include "tests/support/test_support.h"

namespace {

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
    EXPECT_EQ(fake::Calls("NLedGetDeviceInfo(1"), Lines(4, LedQuery(2)));
}

TEST_F(PowerTest, SetLedResolvesTheToggleAndDrivesTheChosenLed) {
    SetLed(3, platform::kLedBlink);
    SetLed(1, platform::kLedOff);
    SetLed(1, kLedToggle); // from off: blink
    EXPECT_EQ(AppState.ledMode, platform::kLedBlink);
    SetLed(1, kLedToggle); // from blink: off
    SetLed(2, platform::kLedOn);
    SetLed(2, kLedToggle); // from on: off
    EXPECT_EQ(fake::Calls("NLed"),
              (Lines{LedBlinks(2), LedOff(0), LedBlinks(0), LedOff(0), LedOn(1), LedOff(1)}));

    // Without a chosen LED the mode is still kept, and a later toggle starts from it.
    fake::ClearJournal();
    SetLed(kNoLed, platform::kLedBlink);
    EXPECT_TRUE(fake::Journal().empty());
    EXPECT_EQ(AppState.ledMode, platform::kLedBlink);
    SetLed(kNoLed, kLedToggle);
    EXPECT_EQ(AppState.ledMode, platform::kLedOff);
}

TEST_F(PowerTest, RingsBlinkTheLedOrToggleItWhenTheQueryFails) {
    Settings.LedBlink = 2;
    RingLed();
    RingLed();
    fake::device().ledSupportFails = true;
    SetLed(Settings.LedBlink, platform::kLedOff); // a stop
    RingLed();
    RingLed();
    EXPECT_EQ(fake::Calls("NLedSetDevice"),
              (Lines{LedBlinks(1), LedBlinks(1), LedOff(1), LedBlinks(1), LedOff(1)}));
}

TEST_F(PowerTest, ButtonsAreCapturedInOrderOnlyWhenChosen) {
    CaptureButtons(window_, kOn);
    CaptureButtons(window_, kOff);
    EXPECT_TRUE(fake::Journal().empty());

    Settings.Button = 1;
    CaptureButtons(window_, kOn);
    CaptureButtons(window_, kOff);
    EXPECT_EQ(fake::Journal(), Join({kButtonsCaptured, kButtonsReleased}));
}

TEST_F(PowerTest, DisplayPowerThroughTheEscapes) {
    SetDisplayPower(window_, kOff, kDelayed);
    EXPECT_EQ(fake::Journal(), kDisplayOffSoon);
    fake::ClearJournal();
    SetDisplayPower(window_, kOff, kDelayed); // a second action starts the 500 ms again
    EXPECT_EQ(fake::Journal(), kDisplayOffSoon);
    EXPECT_TRUE(fake::TimerRunning(window_, TIMER_SCREENOFF));

    // Switching on is immediate, pauses, and leaves the pending switch-off alone.
    fake::ClearJournal();
    SetDisplayPower(window_, kOn, kDelayed);
    EXPECT_EQ(fake::Journal(), kDisplayOn);
    EXPECT_TRUE(fake::TimerRunning(window_, TIMER_SCREENOFF));

    // Switching off at once ends the pending switch-off (what timer 3 does when it expires).
    fake::ClearJournal();
    SetDisplayPower(window_, kOff, kAtOnce);
    EXPECT_EQ(fake::Journal(), kDisplayOffNow);
    EXPECT_FALSE(fake::TimerRunning(window_, TIMER_SCREENOFF));
}

TEST_F(PowerTest, ADisplayWithoutThePowerEscapeIsLeftAlone) {
    fake::device().powerEscapeKnown = false;
    SetDisplayPower(window_, kOff, kDelayed);
    SetDisplayPower(window_, kOff, kAtOnce);
    SetDisplayPower(window_, kOn, kAtOnce);
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
    EXPECT_EQ(fake::Journal(), Lines{kKeepAwakeStarts});
    Settings.NoSuspend = 0;
    SetKeepAwake(window_, 1); // a running timer is left running
    EXPECT_TRUE(fake::TimerRunning(window_, TIMER_KEEPAWAKE));
    SetKeepAwake(window_, 0);
    EXPECT_FALSE(fake::TimerRunning(window_, TIMER_KEEPAWAKE));

    fake::ClearJournal();
    SendKeepAwakeKey();
    SuspendDevice();
    EXPECT_EQ(fake::Journal(), Join({{kKeepAwakeKey}, kSuspend}));
}

} // namespace
