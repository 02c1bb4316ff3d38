// The ring as the system delivers it: acknowledged only once it sounds, and safe to deliver
// again to a program that died before that.
#include "cycle/ring_cycle.h"
#include "model/app_state.h"
#include "model/settings.h"
#include "resources/resource.h"
#include "store/settings_store.h"
#include "tests/support/test_support.h"

namespace {

class DeliveryTest : public ProgramTest {
  protected:
    // A second into the 7:00 ring.
    void SetUp() override {
        ProgramTest::SetUp();
        fake::device().clock = fake::Time(2026, 12, 8, 7, 0, 1);
    }
    // Armed for 7:00, `rings` rings with `count` of them rung.
    static void StoreArmed(int rings, int count = 0, int32_t buttons = 0) {
        StoreSettings([&](SettingsBlock& s) {
            s.Hour = 7;
            s.AlarmNum = rings;
            s.AlarmCnt = count;
            s.Alarm = 1;
            s.Button = buttons;
        });
    }
    // The index of the last journal entry that begins with `prefix`, or -1.
    static int IndexOf(const std::string& prefix) {
        const auto& journal = fake::Journal();
        for (size_t i = journal.size(); i-- > 0;) {
            if (journal[i].rfind(prefix, 0) == 0)
                return static_cast<int>(i);
        }
        return -1;
    }
};

TEST_F(DeliveryTest, TheAlarmIsAcknowledgedOnceItRingsAndNotBefore) {
    StoreArmed(0, 0, 1);
    auto expectAcknowledgedAfterTheRing = [&] {
        // After the snooze is registered, the sound started and the buttons captured, the
        // last step of the ring.
        int handled = IndexOf(NotificationsHandled());
        EXPECT_GT(handled, IndexOf("CeRunAppAtTime("));
        EXPECT_GT(handled, IndexOf(kBeep));
        EXPECT_GT(handled, IndexOf(kButtonsCaptured.back()));
        EXPECT_EQ(fake::Calls("CeHandleAppNotifications").size(), 1u);
    };
    RunProgram(kAlarmToken, [&](HWND window) {
        EXPECT_TRUE(IsShown(window, IDC_STOP));
        expectAcknowledgedAfterTheRing();
        // A hand-over from a second start is acknowledged the same way.
        fake::ClearJournal();
        SendMessageW(window, WM_ALARM, 0, 0);
        EXPECT_EQ(fake::Journal().back(), NotificationsHandled());
        expectAcknowledgedAfterTheRing();
        PostQuitMessage(0);
    });
}

TEST_F(DeliveryTest, ALastRingStaysArmedOnDiskUntilItSoundsThenIsOffForGood) {
    StoreArmed(2, 1);
    DWORD alarmBeforeSound = 99, countBeforeSound = 99;
    fake::device().onCall = [&](const std::string& call) {
        // The display pause comes before the sound: a program killed here has not rung yet.
        if (call == "Sleep(100)") {
            alarmBeforeSound = ReadDword(L"Alarm");
            countBeforeSound = ReadDword(L"AlarmCnt");
        }
    };
    RunProgram(kAlarmToken, [&](HWND window) {
        EXPECT_TRUE(IsShown(window, IDC_STOP));
        EXPECT_FALSE(IsChecked(window, IDC_ALARM));
        EXPECT_EQ(ReadDword(L"Alarm"), 0u) << "off once the ring sounds, even if never closed";
        EXPECT_EQ(ReadDword(L"AlarmCnt"), 0u);
        PostQuitMessage(0);
    });
    fake::device().onCall = nullptr;
    EXPECT_EQ(alarmBeforeSound, 1u);
    EXPECT_EQ(countBeforeSound, 2u);

    // Started again for the same ring from what such a program left: it rings that last ring.
    WriteDword(L"Alarm", alarmBeforeSound);
    WriteDword(L"AlarmCnt", countBeforeSound);
    ResetProgramState();
    fake::ClearJournal();
    bool rang = false;
    RunProgram(kAlarmToken, [&](HWND window) {
        rang = IsShown(window, IDC_STOP);
        EXPECT_EQ(ControlText(window, IDC_NEXT), kNoSetting);
        PostQuitMessage(0);
    });
    EXPECT_TRUE(rang);
    EXPECT_TRUE(fake::Calls("CeRunAppAtTime").empty());
    EXPECT_EQ(ReadDword(L"Alarm"), 0u);
}

TEST_F(DeliveryTest, ACountAtOrPastTheLimitMakesTheLastRing) {
    for (DWORD count : {3u, 7u, 2147483647u}) {
        DeleteSettingsKey();
        StoreArmed(3, static_cast<int32_t>(count));
        fake::ClearJournal();
        RunProgram(kAlarmToken, [&](HWND window) {
            EXPECT_TRUE(IsShown(window, IDC_STOP)) << count;
            EXPECT_FALSE(IsChecked(window, IDC_ALARM)) << count;
            EXPECT_EQ(ControlText(window, IDC_NEXT), kNoSetting) << count;
            PostQuitMessage(0);
        });
        EXPECT_TRUE(fake::Calls("CeRunAppAtTime").empty()) << count;
        EXPECT_EQ(ReadDword(L"Alarm"), 0u) << count;
        EXPECT_EQ(ReadDword(L"AlarmCnt"), 0u) << count;
    }
}

TEST_F(DeliveryTest, ALateNotificationForAnAlarmThatIsOffEndsWithoutAWindow) {
    WriteDword(L"AlarmInterval", 9);
    EXPECT_TRUE(RunProgramWithoutWindow(kAlarmToken));
    EXPECT_TRUE(fake::Calls(kBeep).empty());
    EXPECT_TRUE(fake::Calls("CeRunAppAtTime").empty());
    EXPECT_EQ(fake::Calls("CeHandleAppNotifications"), Lines{NotificationsHandled()});
    EXPECT_EQ(ReadDword(L"AlarmInterval"), 9u);
    EXPECT_EQ(ReadDword(L"Alarm"), 0u);
}

} // namespace
