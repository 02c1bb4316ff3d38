// Reading a shortcut without the shell: links as this machine's shell writes them, cut short or
// changed, and links laid out as another shell writes them (UTF-16 link info, counts without
// the terminator).
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "platform/desktop/shell_link.h"
#include "platform/shell.h"
#include "tests/platform/file_bytes.h"

namespace {

using desktop::ShellLinkStarts;

void PutDword(std::string* bytes, size_t at, DWORD value) {
    for (int i = 0; i < 4; ++i)
        (*bytes)[at + i] = static_cast<char>(value >> (8 * i));
}

DWORD GetDword(const std::string& bytes, size_t at) {
    DWORD value = 0;
    for (int i = 0; i < 4; ++i)
        value |= static_cast<DWORD>(static_cast<unsigned char>(bytes[at + i])) << (8 * i);
    return value;
}

std::string Utf16(const std::wstring& text) {
    std::string bytes;
    for (wchar_t c : text) {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>(c >> 8);
    }
    return bytes;
}

std::string Word(size_t value) {
    return {static_cast<char>(value), static_cast<char>(value >> 8)};
}

std::string Dword(DWORD value) {
    std::string bytes(4, '\0');
    PutDword(&bytes, 0, value);
    return bytes;
}

std::vector<std::wstring> Steps(const std::wstring& path) {
    std::vector<std::wstring> steps;
    size_t from = 3; // after "X:\"
    while (from < path.size()) {
        size_t end = path.find(L'\\', from);
        if (end == std::wstring::npos)
            end = path.size();
        steps.push_back(path.substr(from, end - from));
        from = end + 1;
    }
    return steps;
}

// A link laid out as another shell writes it: a drive item and one item per step holding its
// long name in UTF-16, link info with both an ANSI and a UTF-16 local path, a working folder and
// the arguments, the counts without the terminator.
struct Layout {
    std::vector<std::wstring> items;
    std::string ansiPath;
    std::wstring unicodePath;
    std::wstring arguments = L"-s";
};

std::string LaidOut(const Layout& layout) {
    const char linkClass[16] = {0x01,   0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                '\xC0', 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};
    std::string link =
        Dword(0x4C) + std::string(linkClass, 16) + Dword(0x1 | 0x2 | 0x10 | 0x20 | 0x80);
    link.resize(0x4C, '\0');

    std::string items;
    std::string drive = std::string("\x2F") + "C:\\" + std::string(19, '\0');
    items += Word(drive.size() + 2) + drive;
    for (const std::wstring& name : layout.items) {
        // Type, a short name, then the extension block with the long name.
        std::string item = std::string("\x32\0", 2) + std::string(12, '\0') + "SHORT~1" +
                           std::string(1, '\0') + Word(0) + Dword(0xBEEF0004) + Utf16(name) +
                           Word(0) + Word(0x14);
        items += Word(item.size() + 2) + item;
    }
    items += Word(0);
    link += Word(items.size()) + items;

    std::string volume = Dword(0x11) + Dword(3) + Dword(0) + Dword(0x10) + std::string(1, '\0');
    const DWORD header = 0x24;
    DWORD ansiBase = header + static_cast<DWORD>(volume.size());
    DWORD ansiSuffix = ansiBase + static_cast<DWORD>(layout.ansiPath.size()) + 1;
    DWORD unicodeBase = ansiSuffix + 1;
    DWORD unicodeSuffix = unicodeBase + static_cast<DWORD>(layout.unicodePath.size() + 1) * 2;
    DWORD size = unicodeSuffix + 2;
    link += Dword(size) + Dword(header) + Dword(0x1) + Dword(header) + Dword(ansiBase) + Dword(0) +
            Dword(ansiSuffix) + Dword(unicodeBase) + Dword(unicodeSuffix) + volume +
            layout.ansiPath + std::string(2, '\0') + Utf16(layout.unicodePath) + Word(0) + Word(0);

    std::wstring folder = layout.unicodePath.substr(0, layout.unicodePath.rfind(L'\\'));
    link += Word(folder.size()) + Utf16(folder);
    link += Word(layout.arguments.size()) + Utf16(layout.arguments);
    return link + Dword(0);
}

class ShellLink : public ::testing::Test {
  protected:
    void SetUp() override {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        folder_ = std::wstring(temp) + L"dawnbell link " + std::to_wstring(GetCurrentProcessId());
        CreateDirectoryW(folder_.c_str(), nullptr);
        shortcut_ = folder_ + L"\\DBELL.lnk";
        program_ = folder_ + L"\\dawn bell.exe";
    }
    void TearDown() override {
        ::DeleteFileW(shortcut_.c_str());
        RemoveDirectoryW(folder_.c_str());
        CoUninitialize();
    }
    // A link to the program with "-s", as this machine's shell writes it.
    std::string Written() {
        std::wstring target = L"\"" + program_ + L"\" -s";
        EXPECT_TRUE(platform::SHCreateShortcut(shortcut_.c_str(), target.c_str()));
        return ReadBytes(shortcut_);
    }
    bool Starts(const std::string& bytes, const wchar_t* arguments = L"-s") {
        EXPECT_TRUE(WriteBytes(shortcut_, bytes));
        return ShellLinkStarts(shortcut_.c_str(), program_.c_str(), arguments);
    }

    std::wstring folder_, shortcut_, program_;
};

TEST_F(ShellLink, EveryCutBeforeTheArgumentsEndIsRefused) {
    std::string link = Written();
    ASSERT_TRUE(Starts(link));
    size_t arguments = link.rfind(Utf16(L"-s"));
    ASSERT_NE(arguments, std::string::npos);
    for (size_t length = 0; length < arguments + 4; ++length)
        EXPECT_FALSE(Starts(link.substr(0, length))) << length << " bytes";
    EXPECT_FALSE(Starts(link, L"-s ")) << "the arguments must match whole";
    EXPECT_FALSE(Starts(link, L"")) << "the arguments must match whole";
    EXPECT_FALSE(ShellLinkStarts(shortcut_.c_str(), (folder_ + L"\\dawn bell").c_str(), L"-s"));
    EXPECT_FALSE(ShellLinkStarts((folder_ + L"\\missing.lnk").c_str(), program_.c_str(), L"-s"));
}

TEST_F(ShellLink, ALinkWhoseTargetIsGivenAnotherWayIsRefused) {
    std::string link = Written();
    ASSERT_TRUE(Starts(link));
    const DWORD flags = GetDword(link, 0x14);
    // No link info to go by, a target from an environment string or an installer entry.
    for (DWORD added : {0x100u, 0x200u, 0x1000u}) {
        std::string changed = link;
        PutDword(&changed, 0x14, flags | added);
        EXPECT_FALSE(Starts(changed)) << std::hex << added;
    }
    // No item list, no link info, or ANSI strings.
    for (DWORD removed : {0x1u, 0x2u, 0x80u}) {
        std::string changed = link;
        PutDword(&changed, 0x14, flags & ~removed);
        EXPECT_FALSE(Starts(changed)) << std::hex << removed;
    }
    std::string otherClass = link;
    otherClass[4] ^= 1;
    EXPECT_FALSE(Starts(otherClass));

    // A network path in the link info.
    size_t info = 0x4E + (GetDword(link, 0x4C) & 0xFFFF);
    std::string network = link;
    PutDword(&network, info + 8, GetDword(link, info + 8) | 0x2);
    EXPECT_FALSE(Starts(network));
}

TEST_F(ShellLink, TheUtf16PathAndEveryStepsItemNameDecide) {
    program_ = L"C:\\Program Files\\Dawnbell\\dawnbell.exe";
    Layout layout;
    layout.items = Steps(program_);
    layout.ansiPath = "C:\\Program Files\\Dawnbell\\dawnbell.exe";
    layout.unicodePath = program_;
    EXPECT_TRUE(Starts(LaidOut(layout)));
    EXPECT_FALSE(Starts(LaidOut(layout), L"-S"));
    EXPECT_TRUE(
        ShellLinkStarts(shortcut_.c_str(), L"c:\\program files\\dawnbell\\DAWNBELL.EXE", L"-s"))
        << "paths are compared as the file system does, ignoring case";

    Layout ansiElsewhere = layout;
    ansiElsewhere.ansiPath = "C:\\Program Files\\Dawnbell\\other.exe";
    EXPECT_TRUE(Starts(LaidOut(ansiElsewhere))) << "the UTF-16 path is the one that counts";

    Layout unicodeElsewhere = layout;
    unicodeElsewhere.unicodePath = L"C:\\Program Files\\Dawnbell\\d\u0101wnbell.exe";
    EXPECT_FALSE(Starts(LaidOut(unicodeElsewhere)));

    Layout itemElsewhere = layout;
    itemElsewhere.items[1] = L"Dawnbel\u0131";
    EXPECT_FALSE(Starts(LaidOut(itemElsewhere))) << "a folder's item names another folder";

    Layout fewerItems = layout;
    fewerItems.items.erase(fewerItems.items.begin());
    EXPECT_FALSE(Starts(LaidOut(fewerItems)));
}

} // namespace
