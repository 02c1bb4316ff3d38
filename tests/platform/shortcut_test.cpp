// The Startup shortcut as the desktop makes it: a real .lnk that the shell resolves.
#include <shlobj.h>
#include <shobjidl.h>

#include <gtest/gtest.h>
#include <string>

#include "platform/shell.h"
#include "tests/platform/file_bytes.h"

namespace {

struct Resolved {
    bool loaded = false;
    std::wstring program;
    std::wstring arguments;
    std::wstring description;
};

Resolved Resolve(const std::wstring& shortcut) {
    Resolved resolved;
    IShellLinkW* link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                reinterpret_cast<void**>(&link))))
        return resolved;
    IPersistFile* file = nullptr;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
        if (SUCCEEDED(file->Load(shortcut.c_str(), STGM_READ))) {
            wchar_t text[MAX_PATH] = {};
            resolved.loaded = SUCCEEDED(link->GetPath(text, MAX_PATH, nullptr, SLGP_RAWPATH));
            resolved.program = text;
            text[0] = L'\0';
            link->GetArguments(text, MAX_PATH);
            resolved.arguments = text;
            text[0] = L'\0';
            link->GetDescription(text, MAX_PATH);
            resolved.description = text;
        }
        file->Release();
    }
    link->Release();
    return resolved;
}

// Gives the shortcut a description, as a user might in its properties: a mark that shows
// whether it was written again since.
bool Describe(const std::wstring& shortcut, const wchar_t* description) {
    IShellLinkW* link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                reinterpret_cast<void**>(&link))))
        return false;
    bool saved = false;
    IPersistFile* file = nullptr;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
        saved = SUCCEEDED(file->Load(shortcut.c_str(), STGM_READWRITE)) &&
                SUCCEEDED(link->SetDescription(description)) &&
                SUCCEEDED(file->Save(shortcut.c_str(), TRUE));
        file->Release();
    }
    link->Release();
    return saved;
}

// Wine's shell reads a new shortcut once more after saving it (for its own menus), so a delete
// right after creating may meet the file still open for a moment.
bool DeleteSoon(const std::wstring& path) {
    for (int attempt = 0; attempt < 250; ++attempt) {
        if (platform::DeleteFileW(path.c_str()))
            return true;
        if (GetLastError() != ERROR_SHARING_VIOLATION && GetLastError() != ERROR_ACCESS_DENIED)
            return false;
        Sleep(20);
    }
    return false;
}

class Shortcut : public ::testing::Test {
  protected:
    void SetUp() override {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        folder_ =
            std::wstring(temp) + L"dawnbell shortcut " + std::to_wstring(GetCurrentProcessId());
        CreateDirectoryW(folder_.c_str(), nullptr);
        shortcut_ = folder_ + L"\\DBELL.lnk";
        // Real files as targets: some shells look at them when the link is written.
        program_ = folder_ + L"\\Dawn Bell Folder";
        CreateDirectoryW(program_.c_str(), nullptr);
        program_ += L"\\dawn bell.exe";
        CloseHandle(
            CreateFileW(program_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        // Without blanks anywhere in it; the shell does not need it to exist.
        plain_ = L"C:\\Dawnbell\\dawnbell.exe";
    }

    void TearDown() override {
        DeleteSoon(shortcut_);
        ::DeleteFileW(program_.c_str());
        RemoveDirectoryW((folder_ + L"\\Dawn Bell Folder").c_str());
        RemoveDirectoryW(folder_.c_str());
        CoUninitialize();
    }

    std::wstring folder_, shortcut_, program_, plain_;
};

TEST_F(Shortcut, AQuotedProgramWithBlanksKeepsItsArgumentApart) {
    std::wstring target = L"\"" + program_ + L"\" -s";
    ASSERT_TRUE(platform::SHCreateShortcut(shortcut_.c_str(), target.c_str()));
    Resolved resolved = Resolve(shortcut_);
    ASSERT_TRUE(resolved.loaded);
    EXPECT_EQ(program_, resolved.program);
    EXPECT_EQ(L"-s", resolved.arguments);
}

TEST_F(Shortcut, AnUnquotedProgramEndsAtTheFirstBlank) {
    std::wstring target = plain_ + L" -s";
    ASSERT_TRUE(platform::SHCreateShortcut(shortcut_.c_str(), target.c_str()));
    Resolved resolved = Resolve(shortcut_);
    EXPECT_EQ(plain_, resolved.program);
    EXPECT_EQ(L"-s", resolved.arguments);
}

TEST_F(Shortcut, CreatingAgainReplacesTheShortcut) {
    ASSERT_TRUE(platform::SHCreateShortcut(shortcut_.c_str(), (plain_ + L" -x").c_str()));
    std::wstring target = L"\"" + program_ + L"\" -s";
    ASSERT_TRUE(platform::SHCreateShortcut(shortcut_.c_str(), target.c_str()));
    Resolved resolved = Resolve(shortcut_);
    EXPECT_EQ(program_, resolved.program);
    EXPECT_EQ(L"-s", resolved.arguments);
}

// One that already starts the program with the same arguments is left as it is (the user's note
// stays); any other is written again.
TEST_F(Shortcut, AShortcutIsWrittenAgainUnlessItAlreadyStartsTheProgramSo) {
    std::wstring folder = folder_ + L"\\Dawn Bell Folder\\";
    std::wstring target = L"\"" + program_ + L"\" -s";
    const struct {
        std::wstring earlier;
        bool kept;
    } cases[] = {
        {target, true},
        {L"\"" + program_ + L"\" -x", false},
        {L"\"" + program_ + L"\"", false},
        {L"\"" + program_ + L"\" -s -s", false},
        {L"\"" + folder_ + L"\\dawn bell.exe\" -s", false},   // the same name in another folder
        {L"\"" + folder + L"dawn bell.exe.exe\" -s", false},  // a longer name
        {L"\"" + folder + L"d\u0101wn bell.exe\" -s", false}, // "a" with a macron: one letter apart
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.earlier.c_str());
        ASSERT_TRUE(platform::SHCreateShortcut(shortcut_.c_str(), c.earlier.c_str()));
        ASSERT_TRUE(Describe(shortcut_, L"the user's note"));
        ASSERT_TRUE(platform::SHCreateShortcut(shortcut_.c_str(), target.c_str()));
        Resolved resolved = Resolve(shortcut_);
        EXPECT_EQ(c.kept ? L"the user's note" : L"", resolved.description);
        EXPECT_EQ(program_, resolved.program);
        EXPECT_EQ(L"-s", resolved.arguments);
    }
}

TEST_F(Shortcut, AShortcutThatCannotBeReadIsReplaced) {
    std::wstring target = L"\"" + program_ + L"\" -s";
    for (const std::string& bytes :
         {std::string(), std::string("not a shortcut"), std::string(0x4C, '\0')}) {
        ASSERT_TRUE(WriteBytes(shortcut_, bytes));
        ASSERT_TRUE(platform::SHCreateShortcut(shortcut_.c_str(), target.c_str()));
        Resolved resolved = Resolve(shortcut_);
        ASSERT_TRUE(resolved.loaded);
        EXPECT_EQ(program_, resolved.program);
        EXPECT_EQ(L"-s", resolved.arguments);
    }
}

TEST_F(Shortcut, ATargetWithoutAProgramMakesNoShortcut) {
    EXPECT_FALSE(platform::SHCreateShortcut(shortcut_.c_str(), L""));
    EXPECT_FALSE(platform::SHCreateShortcut(shortcut_.c_str(), L"\"\" -s"));
    EXPECT_FALSE(platform::SHCreateShortcut(shortcut_.c_str(), L"\"unterminated -s"));
    std::wstring tooLong = L"\"" + folder_ + L"\\" + std::wstring(MAX_PATH, L'x') + L"\" -s";
    EXPECT_FALSE(platform::SHCreateShortcut(shortcut_.c_str(), tooLong.c_str()));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(shortcut_.c_str()));
}

TEST_F(Shortcut, DeletingAMissingShortcutIsHarmless) {
    EXPECT_FALSE(platform::DeleteFileW(shortcut_.c_str()));
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError());
    std::wstring target = L"\"" + program_ + L"\" -s";
    ASSERT_TRUE(platform::SHCreateShortcut(shortcut_.c_str(), target.c_str()));
    EXPECT_TRUE(DeleteSoon(shortcut_));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(shortcut_.c_str()));
}

} // namespace
