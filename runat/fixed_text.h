// Copying and formatting into fixed arrays, sized from the array itself: the result is always
// terminated and never overruns; a text that does not fit is cut short.
#pragma once
#include <cstddef>
#include <cwchar>

namespace runat {

template <size_t N> void CopyInto(wchar_t (&out)[N], const wchar_t* text) {
    wcsncpy(out, text, N - 1);
    out[N - 1] = L'\0';
}

template <size_t N, typename... Args>
void FormatInto(wchar_t (&out)[N], const wchar_t* format, Args... args) {
    _snwprintf(out, N - 1, format, args...);
    out[N - 1] = L'\0';
}

} // namespace runat
