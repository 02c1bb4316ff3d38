#include <cwchar>

#include "alerts/sound.h"
#include "model/app_state.h"
#include "model/settings.h"
#include "tests/support/test_support.h"

namespace {

class SoundTest : public ProgramTest {
  protected:
    // Starts a ring with the volume effect `effect` from the user's volume `volume`.
    void Ring(int32_t effect, DWORD volume) {
        Settings.VolCtrl = effect;
        fake::device().volume = volume;
        StartSound();
    }
    // Fires the fade timer `count` times; false as soon as it no longer runs.
    bool Tick(int count = 1) {
        for (int i = 0; i < count; ++i)
            if (!fake::FireTimer(AppState.fadeTimerId ? AppState.fadeTimerId : 100))
                return false;
        return true;
    }
    DWORD Volume() const { return fake::device().volume; }
};

TEST_F(SoundTest, FadesRiseInEqualStepsAndEndOneTickAfterTheStepNoLongerFits) {
    struct Case {
        int32_t effect;
        DWORD saved, step;
        int ticks;     // ticks that add the step
        DWORD reached; // the volume after them
    } cases[] = {
        {2, 0x00000000, 0x11111111, 15, 0xFFFFFFFF},
        {3, 0x00000000, 0x08880888, 30, 0xFFF0FFF0},
        {2, 0x80008000, 0x08880888, 15, 0xFFF8FFF8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.saved << " effect " << c.effect);
        Ring(c.effect, c.saved);
        EXPECT_EQ(AppState.fadeStep, c.step);
        // The sound starts at the user's own volume; the first tick comes a second later.
        EXPECT_EQ(Volume(), c.saved);
        EXPECT_EQ(fake::Calls("SetTimer"), Lines{"SetTimer(NULL, 100, 1000, proc)"});
        ASSERT_TRUE(Tick(c.ticks - 1));
        EXPECT_EQ(Volume(), c.reached - c.step);
        ASSERT_TRUE(Tick());
        EXPECT_EQ(Volume(), c.reached);
        EXPECT_TRUE(fake::TimerRunning(nullptr, 100));

        fake::ClearJournal();
        ASSERT_TRUE(Tick());
        EXPECT_EQ(fake::Journal(), (Lines{kReadVolume, kFullVolume, "KillTimer(NULL, 100)"}));
        EXPECT_FALSE(fake::TimerRunning(nullptr, 100));

        StopSound();
        EXPECT_EQ(Volume(), c.saved);
        fake::Reset();
        AppState = AppStateBlock{};
    }
}

TEST_F(SoundTest, AFadeFromFullVolumeHasNoStepAndTicksUntilTheStop) {
    Ring(3, 0xFFFFFFFF);
    EXPECT_EQ(AppState.fadeStep, 0u);
    ASSERT_TRUE(Tick(100));
    EXPECT_EQ(fake::Calls("waveOutSetVolume"), Lines(100, kFullVolume));
    StopSound();
    EXPECT_FALSE(fake::TimerRunning(nullptr, 100));
}

TEST_F(SoundTest, ChannelsThatDifferAreHeldAtFullWithoutCarrying) {
    // Right channel nearly full: its step is 1 while the left rises by 0x1111 a tick.
    Ring(2, 0xFFEC0000);
    EXPECT_EQ(AppState.fadeStep, 0x00011111u);
    ASSERT_TRUE(Tick(15));
    EXPECT_EQ(Volume(), 0xFFFBFFFFu);
    ASSERT_TRUE(Tick());
    EXPECT_EQ(Volume(), 0xFFFCFFFFu); // the left stays full, the right goes on
    ASSERT_TRUE(Tick(3));
    EXPECT_EQ(Volume(), 0xFFFFFFFFu);
    EXPECT_TRUE(fake::TimerRunning(nullptr, 100)); // the right channel's step still fit
    ASSERT_TRUE(Tick());
    EXPECT_FALSE(fake::TimerRunning(nullptr, 100));
    StopSound();

    // Left channel with a step of 0 below full: the fade ends when the right one is done.
    fake::Reset();
    Ring(2, 0x0000FFF5);
    EXPECT_EQ(AppState.fadeStep, 0x11110000u);
    ASSERT_TRUE(Tick(15));
    EXPECT_EQ(Volume(), 0xFFFFFFF5u);
    ASSERT_TRUE(Tick());
    EXPECT_EQ(Volume(), 0xFFFFFFFFu);
    EXPECT_FALSE(fake::TimerRunning(nullptr, 100));
}

TEST_F(SoundTest, ATickCarriesOnFromTheVolumeOfTheMoment) {
    Ring(2, 0);
    ASSERT_TRUE(Tick(2));
    fake::device().volume = 0x30003000;
    ASSERT_TRUE(Tick());
    EXPECT_EQ(Volume(), 0x41114111u);
    fake::device().volumeReadFails = true; // counts as silence
    ASSERT_TRUE(Tick());
    EXPECT_EQ(Volume(), 0x11111111u);
}

TEST_F(SoundTest, StopPutsBackTheVolumeFromBeforeTheFirstOfSeveralRings) {
    for (int32_t effect : {1, 2, 3}) {
        SCOPED_TRACE(effect);
        Ring(effect, 0x12340567);
        Tick(3);
        fake::device().volume = 0x9999AAAA;
        StartSound(); // a further ring without a stop
        EXPECT_EQ(fake::Calls(kReadVolume).size(), effect == 1 ? 1u : 4u);
        if (effect != 1) {
            // The old fade ends; the new one takes its step from the first saved volume.
            EXPECT_FALSE(fake::TimerRunning(nullptr, 100));
            EXPECT_TRUE(fake::TimerRunning(nullptr, 101));
            EXPECT_EQ(AppState.fadeStep, effect == 2 ? 0x0FDA10B4u : 0x07ED085Au);
        }
        StopSound();
        EXPECT_EQ(Volume(), 0x12340567u);
        EXPECT_TRUE(fake::device().timers.empty());

        // The second EndVolumeEffect of a stop changes nothing.
        fake::device().volume = 0x00010001;
        fake::ClearJournal();
        EndVolumeEffect();
        EXPECT_TRUE(fake::Calls("waveOutSetVolume").empty());
        EXPECT_EQ(Volume(), 0x00010001u);
        fake::Reset();
    }
}

TEST_F(SoundTest, TheVolumeIsLeftAloneWithoutADeviceOrAnEffect) {
    for (int32_t effect : {0, 1, 2, 3, 4, -1}) {
        SCOPED_TRACE(effect);
        fake::Reset();
        fake::device().waveOutDevices = effect >= 1 && effect <= 3 ? 0 : 1;
        Ring(effect, 0x12341234);
        Tick(2);
        StopSound();
        EndVolumeEffect();
        EXPECT_EQ(AppState.volumeSaved, 0);
        EXPECT_TRUE(fake::Calls("waveOut").empty());
        EXPECT_TRUE(fake::Calls("SetTimer").empty());
        EXPECT_EQ(fake::Calls("PlaySoundW").size(), 2u); // the sound is still asked for
    }
}

// The device count is asked only by an operation that then changes a volume or a timer.
TEST_F(SoundTest, AVolumeOperationWithNothingToDoAsksTheDeviceNothing) {
    const Lines none;
    const Lines once = {kAskDevices};
    for (int32_t effect : {0, 1, 2, 3, 4, -1}) {
        SCOPED_TRACE(effect);
        fake::Reset();
        AppState = AppStateBlock{};
        fake::device().journalDeviceCount = true;
        Settings.VolCtrl = effect;
        // A stop with no ring before it: nothing saved, no fade.
        StopSound();
        EndVolumeEffect();
        EXPECT_EQ(fake::Calls("waveOutGetNumDevs"), none);

        bool hasEffect = effect >= 1 && effect <= 3;
        StartSound();
        EXPECT_EQ(fake::Calls("waveOutGetNumDevs"), hasEffect ? once : none);
        fake::ClearJournal();
        StopSound();
        EXPECT_EQ(fake::Calls("waveOutGetNumDevs"), hasEffect ? once : none);
        fake::ClearJournal();
        EndVolumeEffect(); // the stop's second end: all is put back already
        EXPECT_EQ(fake::Journal(), none);
    }
}

TEST_F(SoundTest, AFadeThatHasEndedStillPutsTheVolumeBack) {
    fake::device().journalDeviceCount = true;
    Ring(2, 0);
    ASSERT_TRUE(Tick(16));
    ASSERT_FALSE(fake::TimerRunning(nullptr, 100));
    fake::ClearJournal();
    StopSound();
    EXPECT_EQ(fake::Journal(), (Lines{kSilence, kAskDevices, SetsVolume(0)}));
}

TEST_F(SoundTest, TheRingPlaysTheChosenWaveFileOrTheBeepInALoop) {
    Settings.UseBeep = 1;
    wcscpy(Settings.Wave, L"Alarm 3");
    StartSound();
    wcscpy(Settings.Wave, L"");
    StartSound();
    wmemset(Settings.Wave, L'x', kPathChars); // no terminator: the path is cut, not overrun
    StartSound();
    Settings.UseBeep = 0;
    StartSound();
    StopSound();
    EXPECT_EQ(fake::Calls("PlaySoundW"),
              (Lines{PlaysWave("\\Windows\\Alarm 3.wav"), PlaysWave("\\Windows\\.wav"),
                     PlaysWave("\\Windows\\" + std::string(250, 'x')), kBeep, kSilence}));
    // Full volume is set before the sound starts, and put back after it stops.
    EXPECT_EQ(fake::Journal().front(), kReadVolume);
    EXPECT_EQ(fake::Journal()[1], kFullVolume);
    EXPECT_EQ(fake::Journal().back(), kUserVolumeBack);
}

} // namespace
