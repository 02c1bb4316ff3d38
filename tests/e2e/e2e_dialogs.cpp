#include "tests/e2e/e2e_dialogs.h"

#include <cmath>
#include <cstdint>
#include <cwchar>
#include <iterator>

#include "tests/e2e/e2e_support.h"

HWND WaitForDialog(DWORD pid, const wchar_t* title, DWORD milliseconds) {
    HWND found = nullptr;
    WaitUntil([&] { return (found = FindShown(pid, title, kDialogClass)) != nullptr; },
              milliseconds);
    return found;
}

std::wstring MessageText(HWND box) {
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        wchar_t className[16] = {};
        GetClassNameW(child, className, static_cast<int>(std::size(className)));
        LONG style = GetWindowLongW(child, GWL_STYLE);
        if (_wcsicmp(className, L"Static") == 0 && (style & SS_TYPEMASK) != SS_ICON) {
            std::wstring text = WindowText(child);
            if (!text.empty())
                return text;
        }
    }
    return L"";
}

void Press(HWND button) {
    PostMessageW(button, BM_CLICK, 0, 0);
}

std::wstring SoundsFolder() {
    wchar_t windows[MAX_PATH] = {};
    GetWindowsDirectoryW(windows, static_cast<UINT>(std::size(windows)));
    std::wstring folder = std::wstring(windows) + L"\\Media";
    CreateDirectoryW(folder.c_str(), nullptr);
    return folder + L"\\";
}

bool WriteToneFile(const std::wstring& path, double hertz, double seconds) {
    const uint32_t rate = 22050;
    const uint32_t frames = static_cast<uint32_t>(rate * seconds);
    std::vector<uint8_t> file;
    auto put32 = [&](uint32_t v) {
        for (int i = 0; i < 4; ++i)
            file.push_back(static_cast<uint8_t>(v >> (8 * i)));
    };
    auto put16 = [&](uint16_t v) {
        file.push_back(static_cast<uint8_t>(v));
        file.push_back(static_cast<uint8_t>(v >> 8));
    };
    auto tag = [&](const char* t) { file.insert(file.end(), t, t + 4); };
    tag("RIFF");
    put32(36 + frames * 2);
    tag("WAVE");
    tag("fmt ");
    put32(16);
    put16(1); // PCM
    put16(1); // mono
    put32(rate);
    put32(rate * 2); // bytes per second
    put16(2);        // block align
    put16(16);       // bits per sample
    tag("data");
    put32(frames * 2);
    for (uint32_t i = 0; i < frames; ++i)
        put16(static_cast<uint16_t>(
            static_cast<int16_t>(16383 * std::sin(2 * 3.14159265358979 * hertz * i / rate))));

    HANDLE out = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (out == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    BOOL ok = WriteFile(out, file.data(), static_cast<DWORD>(file.size()), &written, nullptr);
    CloseHandle(out);
    return ok && written == file.size();
}
