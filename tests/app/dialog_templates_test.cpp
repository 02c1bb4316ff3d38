// Both dialog templates, read straight from the program's resources: the dialogs' size, font
// and style, and every control's id, class, text, place, size and style, in template order.
// Places are in dialog units, so this is what the user sees on any screen.
#include "platform/win.h"

#include <cstdint>
#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "resources/resource.h"

namespace {

struct Item {
    int id;
    std::string className; // "Button", "Static", "ComboBox", ...
    std::string text;      // an ordinal text (an icon) as "#number"
    int x, y, cx, cy;
    DWORD style;
};

struct Template {
    DWORD style = 0;
    int x = 0, y = 0, cx = 0, cy = 0;
    std::string caption;
    int pointSize = 0;
    std::string font;
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
    std::string Text() {
        std::string text;
        for (WORD c = Word(); c; c = Word())
            text.push_back(c < 128 ? static_cast<char>(c) : '?');
        return text;
    }
    // A class or text field: an ordinal (0xFFFF and a number) or a string.
    std::string TextOrOrdinal() {
        if (Peek() == 0xFFFF) {
            Word();
            return "#" + std::to_string(Word());
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

std::string ClassName(const std::string& field) {
    static const char* const kAtoms[] = {"Button",  "Edit",      "Static",
                                         "ListBox", "ScrollBar", "ComboBox"};
    if (field.size() > 1 && field[0] == '#') {
        int atom = std::stoi(field.substr(1));
        if (atom >= 0x80 && atom <= 0x85)
            return kAtoms[atom - 0x80];
    }
    // Class names ignore letter case; a name given in the script may stay a string.
    for (const char* name : kAtoms)
        if (_stricmp(field.c_str(), name) == 0)
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
    EXPECT_EQ(read.TextOrOrdinal(), "") << "no menu";
    EXPECT_EQ(read.TextOrOrdinal(), "") << "the default dialog class";
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

constexpr DWORD kShown = WS_CHILD | WS_VISIBLE;
constexpr DWORD kLabel = kShown | WS_GROUP | SS_LEFT;
constexpr DWORD kTab = kShown | WS_TABSTOP;
constexpr DWORD kDropDown = kTab | CBS_DROPDOWN | CBS_SORT | WS_VSCROLL;
constexpr DWORD kList = kTab | CBS_DROPDOWNLIST | WS_VSCROLL;
constexpr DWORD kCheckBox = kTab | BS_AUTOCHECKBOX;

void ExpectItems(const Template& t, const std::vector<Item>& expected) {
    ASSERT_EQ(t.items.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        const Item& e = expected[i];
        const Item& a = t.items[i];
        SCOPED_TRACE("control " + std::to_string(i) + " (" + e.className + " " + e.text + ")");
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

TEST(DialogTemplates, TheMainWindowIsLaidOutAsDesigned) {
    Template t = Load(IDD_MAIN);
    EXPECT_EQ(t.style, static_cast<DWORD>(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_CENTER |
                                          DS_SETFOREGROUND | DS_SETFONT));
    EXPECT_EQ(t.cx, 123);
    EXPECT_EQ(t.cy, 76);
    EXPECT_EQ(t.pointSize, 9);
    EXPECT_EQ(t.font, "System");
    // The decorations come first so that the texts they overlap are drawn over them.
    ExpectItems(
        t, {
               {-1, "Static", "#136", 4, 5, 20, 20, kShown | SS_ICON},
               {-1, "Static", "#135", 4, 42, 20, 18, kShown | SS_ICON},
               {IDC_MAINICON, "Static", "#128", 96, 18, 20, 20, kShown | SS_ICON},
               {IDC_DATE, "Static", "YYYY/MM/DD", 18, 5, 77, 11, kLabel},
               {IDC_CLOCK, "Static", "HH:MM:SS", 13, 15, 77, 21, kLabel},
               {IDC_NEXT, "Static", "Next: ", 18, 41, 101, 11, kLabel},
               {IDC_ALARM, "Button", "Alarm at 00:00\n(Snooze 00 Minute)", 4, 53, 79, 16,
                kCheckBox | BS_MULTILINE},
               {IDC_SETTINGS, "Button", "&Settings...", 84, 55, 37, 15, kTab | BS_PUSHBUTTON},
               {IDC_STOP, "Button", "S&top", 84, 55, 37, 15, WS_CHILD | WS_TABSTOP | BS_PUSHBUTTON},
           });
}

TEST(DialogTemplates, TheSettingsDialogIsLaidOutAsDesigned) {
    Template t = Load(IDD_SETTINGS);
    EXPECT_EQ(t.style, static_cast<DWORD>(WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU |
                                          DS_CENTER | DS_SETFONT));
    EXPECT_EQ(t.cx, 127);
    EXPECT_EQ(t.cy, 151);
    EXPECT_EQ(t.caption, "Settings");
    EXPECT_EQ(t.pointSize, 9);
    EXPECT_EQ(t.font, "System");
    ExpectItems(
        t,
        {
            {-1, "Static", "Se&t Alarm:", 6, 6, 34, 8, kLabel},
            {-1, "Static", ":", 67, 6, 4, 8, kLabel},
            {IDC_HOUR, "ComboBox", "", 42, 4, 24, 68, kDropDown},
            {IDC_MINUTE, "ComboBox", "", 71, 4, 24, 68, kDropDown},
            {IDC_NOW, "Button", "N&ow", 97, 3, 26, 14, kTab | BS_PUSHBUTTON},
            {IDC_REPEAT, "ComboBox", "", 67, 19, 24, 64, kDropDown},
            {-1, "Static", "Alarm &Repeat:", 6, 21, 59, 9, kLabel},
            {-1, "Static", "Snooze &Interval:", 6, 34, 58, 8, kLabel},
            {IDC_SNOOZE, "ComboBox", "", 67, 32, 24, 64, kDropDown},
            {-1, "Static", "Min.", 94, 34, 27, 8, kLabel},
            {-1, "Static", "&WAVE file:", 6, 48, 47, 8, kLabel},
            {IDC_WAVE, "ComboBox", "", 54, 46, 68, 65, kList | CBS_SORT},
            {IDC_BEEP, "Button", "Use built-in &BEEP sound", 6, 60, 95, 10, kCheckBox},
            {IDC_LED, "Button", "Blinking &LED", 6, 72, 77, 10, kCheckBox},
            {IDC_LEDNUM, "ComboBox", "", 87, 70, 24, 80, kList | CBS_SORT | CBS_NOINTEGRALHEIGHT},
            {-1, "Static", "Volume effect:", 6, 86, 49, 8, kLabel},
            {IDC_VOLUME, "ComboBox", "", 59, 84, 63, 49, kList},
            {IDC_NOSUSPEND, "Button", "&Suspend-mode disabled", 6, 98, 114, 10, kCheckBox},
            {IDC_SCREENOFF, "Button", "Screen OFF until next &Alarm", 6, 110, 114, 9, kCheckBox},
            {IDC_BUTTONS, "Button", "&Use buttons to stop Alarm", 6, 122, 116, 9,
             kCheckBox | BS_MULTILINE},
            {IDOK, "Button", "OK", 5, 135, 50, 13, kTab | BS_DEFPUSHBUTTON},
            {IDC_VERSION, "Button", "&Version Info. ...", 57, 135, 65, 13, kTab | BS_PUSHBUTTON},
        });
}

} // namespace
