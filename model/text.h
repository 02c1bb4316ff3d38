// Bounded formatting into the program's fixed text buffers.
#pragma once
#include <cstddef>

// Formats like wsprintfW into `out` of `count` characters. The result is always terminated;
// false when it did not fit (the text is then cut) or the format failed.
bool FormatText(wchar_t* out, size_t count, const wchar_t* format, ...);

// Copies `text` into `out` of `count` characters, cut to fit and always terminated.
void CopyText(wchar_t* out, size_t count, const wchar_t* text);
