// The texts of a combo box's items, in list order: for the dialog run in the test's own process
// and, across the process boundary, for the real program's.
#pragma once
#include "platform/win.h"

#include <iterator>
#include <string>
#include <vector>

inline std::vector<std::wstring> ComboItems(HWND box) {
    std::vector<std::wstring> items;
    LRESULT count = SendMessageW(box, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        wchar_t text[512] = {};
        if (SendMessageW(box, CB_GETLBTEXTLEN, i, 0) < static_cast<LRESULT>(std::size(text)))
            SendMessageW(box, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
        items.push_back(text);
    }
    return items;
}
