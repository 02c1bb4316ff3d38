#include "model/text.h"

#include <cstdarg>
#include <cwchar>
#include <stdio.h>

bool FormatText(wchar_t* out, size_t count, const wchar_t* format, ...) {
    if (count == 0)
        return false;
    va_list args;
    va_start(args, format);
    int written = _vsnwprintf(out, count, format, args);
    va_end(args);
    if (written < 0 || static_cast<size_t>(written) >= count) {
        out[count - 1] = L'\0';
        return false;
    }
    return true;
}

void CopyText(wchar_t* out, size_t count, const wchar_t* text) {
    if (count == 0)
        return;
    size_t length = wcsnlen(text, count - 1);
    wmemcpy(out, text, length);
    out[length] = L'\0';
}
