// Both dialog templates, read straight from the program's resources: the dialogs' size, font
// and style, and every control's id, class, text, place, size and style, in template order.
// Places are in dialog units, so this is what the user sees on any screen.
#include "platform/win.h"

#include <cstdint>
#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "model/names.h"
#include "resources/resource.h"
#include "tests/support/fake_device.h"
#include "tests/support/settings_controls.h"

namespace {

struct Item {
    int id;
    std::wstring className; // "Button", "Static", "ComboBox", ...
    std::wstring text;      // an ordinal text (an icon) as "#number"
    int x, y, cx, cy;
    DWORD style;
};

struct Template {
    DWORD style = 0;
    int x = 0, y = 0, cx = 0, cy = 0;
    std::wstring caption;
    int pointSize = 0;
    std::wstring font;
    std::vector<Item> items;
};

// Reads a template as windres writes it: a DLGTEMPLATE with its font, then DWORD-aligned
// DLGITEMTEMPLATEs.
class Reader {
  public:
    explicit Reader(const uint8_t* at) : at_(at), start_(at) {}
    WORD Word() {
        WORD value = static_cast<WORD>(at_[0] | at_[1] << 8);
        at_ += 2;
        return value;
    }
    DWORD Dword() {
        DWORD low = Word();
        return low | static_cast<DWORD>(Word()) << 16;
    }
    short Short() { return static_cast<short>(Word()); }
    std::wstring Text() {
        std::wstring text;
        for (WORD c = Word(); c; c = Word())
            text.push_back(static_cast<wchar_t>(c));
        return text;
    }
    // A class or text field: an ordinal (0xFFFF and a number) or a string.
    std::wstring TextOrOrdinal() {
        if (Peek() == 0xFFFF) {
            Word();
            return L"#" + std::to_wstring(Word());
        }
        return Text();
    }
    void AlignToDword() {
        while ((at_ - start_) % 4)
            ++at_;
    }
    void Skip(size_t bytes) { at_ += bytes; }

  private:
    WORD Peek() const { return static_cast<WORD>(at_[0] | at_[1] << 8); }
    const uint8_t* at_;
    const uint8_t* start_;
};

std::wstring ClassName(const std::wstring& field) {
    static const wchar_t* const kAtoms[] = {L"Button",  L"Edit",      L"Static",
                                            L"ListBox", L"ScrollBar", L"ComboBox"};
    if (field.size() > 1 && field[0] == L'#') {
        int atom = std::stoi(field.substr(1));
        if (atom >= 0x80 && atom <= 0x85)
            return kAtoms[atom - 0x80];
    }
    // Class names ignore letter case; a name given in the script may stay a string.
    for (const wchar_t* name : kAtoms)
        if (_wcsicmp(field.c_str(), name) == 0)
            return name;
    return field;
}

Template Load(int id) {
    HMODULE module = GetModuleHandleW(nullptr);
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), RT_DIALOG);
    EXPECT_NE(found, nullptr);
    Template t;
    if (!found)
        return t;
    Reader read(static_cast<const uint8_t*>(LockResource(LoadResource(module, found))));
    t.style = read.Dword();
    read.Dword(); // extended style
    int count = read.Word();
    t.x = read.Short();
    t.y = read.Short();
    t.cx = read.Short();
    t.cy = read.Short();
    EXPECT_EQ(read.TextOrOrdinal(), L"") << "no menu";
    EXPECT_EQ(read.TextOrOrdinal(), L"") << "the default dialog class";
    t.caption = read.Text();
    if (t.style & DS_SETFONT) {
        t.pointSize = read.Word();
        t.font = read.Text();
    }
    for (int i = 0; i < count; ++i) {
        read.AlignToDword();
        Item item;
        item.style = read.Dword();
        read.Dword(); // extended style
        item.x = read.Short();
        item.y = read.Short();
        item.cx = read.Short();
        item.cy = read.Short();
        item.id = read.Short();
        item.className = ClassName(read.TextOrOrdinal());
        item.text = read.TextOrOrdinal();
        read.Skip(read.Word());
        t.items.push_back(item);
    }
    return t;
}

template <size_t N> void ExpectItems(const Template& t, const ControlSpec (&expected)[N]) {
    ASSERT_EQ(t.items.size(), N);
    for (size_t i = 0; i < N; ++i) {
        const ControlSpec& e = expected[i];
        const Item& a = t.items[i];
        SCOPED_TRACE("control " + std::to_string(i) + " (" + fake::Narrow(e.className) + " " +
                     fake::Narrow(e.text) + ")");
        EXPECT_EQ(a.id, e.id);
        EXPECT_EQ(a.className, e.className);
        EXPECT_EQ(a.text, e.text);
        EXPECT_EQ(a.x, e.x);
        EXPECT_EQ(a.y, e.y);
        EXPECT_EQ(a.cx, e.cx);
        EXPECT_EQ(a.cy, e.cy);
        EXPECT_EQ(a.style, e.style) << std::hex << "0x" << a.style << " != 0x" << e.style;
    }
}

// An icon's ordinal text, "#" and its resource id, spelled from the id itself.
#define ORDINAL_TEXT(id) L"#" WIDE_NUMBER(id)
#define WIDE_NUMBER(id) WIDE_TEXT(id)
#define WIDE_TEXT(id) L## #id

// The decorations come first so that the texts they overlap are drawn over them.
const ControlSpec kMainControls[] = {
    {-1, L"Static", ORDINAL_TEXT(IDI_SUN), 4, 5, 20, 20, kShown | SS_ICON},
    {-1, L"Static", ORDINAL_TEXT(IDI_MOON), 4, 42, 20, 18, kShown | SS_ICON},
    {IDC_MAINICON, L"Static", ORDINAL_TEXT(IDI_DAWNBELL), 96, 18, 20, 20, kShown | SS_ICON},
    {IDC_DATE, L"Static", L"YYYY/MM/DD", 18, 5, 77, 11, kLabel},
    {IDC_CLOCK, L"Static", L"HH:MM:SS", 13, 15, 77, 21, kLabel},
    {IDC_NEXT, L"Static", L"Next: ", 18, 41, 101, 11, kLabel},
    {IDC_ALARM, L"Button", L"Alarm at 00:00\n(Snooze 00 Minute)", 4, 53, 79, 16,
     kCheckBox | BS_MULTILINE},
    {IDC_SETTINGS, L"Button", L"&Settings...", 84, 55, 37, 15, kTab | BS_PUSHBUTTON},
    {IDC_STOP, L"Button", L"S&top", 84, 55, 37, 15, WS_CHILD | WS_TABSTOP | BS_PUSHBUTTON},
};

TEST(DialogTemplates, TheMainWindowIsLaidOutAsDesigned) {
    Template t = Load(IDD_MAIN);
    EXPECT_EQ(t.style, static_cast<DWORD>(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_CENTER |
                                          DS_SETFOREGROUND | DS_SETFONT));
    EXPECT_EQ(t.cx, 123);
    EXPECT_EQ(t.cy, 76);
    EXPECT_EQ(t.caption, kWindowTitle);
    EXPECT_EQ(t.pointSize, 9);
    EXPECT_EQ(t.font, L"System");
    ExpectItems(t, kMainControls);
}

TEST(DialogTemplates, TheSettingsDialogIsLaidOutAsDesigned) {
    Template t = Load(IDD_SETTINGS);
    EXPECT_EQ(t.style, static_cast<DWORD>(WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU |
                                          DS_CENTER | DS_SETFONT));
    EXPECT_EQ(t.cx, 127);
    EXPECT_EQ(t.cy, 151);
    EXPECT_EQ(t.caption, kSettingsCaption);
    EXPECT_EQ(t.pointSize, 9);
    EXPECT_EQ(t.font, L"System");
    ExpectItems(t, kSettingsControls);
}

} // namespace
