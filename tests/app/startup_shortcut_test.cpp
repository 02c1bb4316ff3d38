// The Startup-folder shortcut: its place, its quoted target, and the paths it cannot take.
#include "app/startup_shortcut.h"
#include "tests/support/test_support.h"

namespace {

using StartupShortcutTest = ProgramTest;

TEST_F(StartupShortcutTest, MadeAgainAndRemovedAgainWithoutComplaint) {
    UpdateStartupShortcut(1);
    UpdateStartupShortcut(1);
    EXPECT_EQ(fake::Calls("SHCreateShortcut").size(), 2u);
    EXPECT_EQ(fake::device().shortcuts[ShortcutPath()],
              L"\"" + fake::device().modulePath + L"\" -s");
    UpdateStartupShortcut(0);
    UpdateStartupShortcut(0);
    EXPECT_TRUE(fake::device().shortcuts.empty());
    EXPECT_EQ(fake::Calls("DeleteFileW").size(), 2u);
    EXPECT_TRUE(fake::Calls("MessageBoxW").empty());
}

TEST_F(StartupShortcutTest, AProgramPathIsTakenOnlyWhenItsQuotedTargetFitsWhole) {
    // 254 characters, two quotes, a blank and "-s" fill the 260-character target exactly.
    std::wstring path = L"\\" + std::wstring(249, L'd') + L".exe";
    ASSERT_EQ(path.size(), 254u);
    fake::device().modulePath = path;
    UpdateStartupShortcut(1);
    EXPECT_EQ(fake::device().shortcuts[ShortcutPath()], L"\"" + path + L"\" -s");

    fake::Reset();
    fake::device().modulePath = L"\\d" + path; // one character too many: no cut target
    UpdateStartupShortcut(1);
    EXPECT_TRUE(fake::Calls("SHCreateShortcut").empty());

    fake::Reset();
    fake::device().modulePath = std::wstring(300, L'x'); // cut by the module query itself
    UpdateStartupShortcut(1);
    EXPECT_TRUE(fake::Calls("SHCreateShortcut").empty());
}

TEST_F(StartupShortcutTest, NoStartupFolderMeansNothingIsDone) {
    fake::device().startupFolderFails = true;
    UpdateStartupShortcut(1);
    UpdateStartupShortcut(0);
    EXPECT_TRUE(fake::Calls("SHCreateShortcut").empty());
    EXPECT_TRUE(fake::Calls("DeleteFileW").empty());
}

} // namespace
