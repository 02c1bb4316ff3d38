#include "platform/desktop/shell_link.h"

#include <string.h>
#include <wchar.h>

namespace desktop {

namespace {

// The parts of a link before its extra data fit in far less.
constexpr DWORD kReadBytes = 8192;
constexpr DWORD kHeaderSize = 0x4C;
const BYTE kShellLinkClass[16] = {0x01, 0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                  0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};

// Link flags.
constexpr DWORD kHasItemList = 0x1;
constexpr DWORD kHasLinkInfo = 0x2;
constexpr DWORD kHasName = 0x4;
constexpr DWORD kHasRelativePath = 0x8;
constexpr DWORD kHasWorkingDir = 0x10;
constexpr DWORD kHasArguments = 0x20;
constexpr DWORD kIsUnicode = 0x80;
constexpr DWORD kNoLinkInfo = 0x100;
constexpr DWORD kHasEnvironmentTarget = 0x200;
constexpr DWORD kHasInstallerTarget = 0x1000;

// Link info: its flags, and the header size from which it has UTF-16 paths too.
constexpr DWORD kLinkInfoHeader = 0x1C;
constexpr DWORD kUnicodeLinkInfoHeader = 0x24;
constexpr DWORD kLocalPath = 0x1;
constexpr DWORD kNetworkPath = 0x2;

constexpr size_t kMaxItems = 64;

struct Bytes {
    const BYTE* data;
    DWORD size;

    bool Has(DWORD at, DWORD count) const { return at <= size && size - at >= count; }
    bool Word(DWORD at, DWORD* out) const {
        if (!Has(at, 2))
            return false;
        *out = data[at] | data[at + 1] << 8;
        return true;
    }
    bool Dword(DWORD at, DWORD* out) const {
        if (!Has(at, 4))
            return false;
        *out = data[at] | data[at + 1] << 8 | data[at + 2] << 16 |
               static_cast<DWORD>(data[at + 3]) << 24;
        return true;
    }
    // The UTF-16 code unit at `at`; the caller has checked that it is there.
    wchar_t Char(DWORD at) const { return static_cast<wchar_t>(data[at] | data[at + 1] << 8); }
};

// Appends the terminated UTF-16 string at `at`, which must end before `end`, to `out`.
bool AppendUtf16(const Bytes& b, DWORD at, DWORD end, wchar_t* out, size_t outSize,
                 size_t* length) {
    for (;; at += 2) {
        if (at > end || end - at < 2 || !b.Has(at, 2))
            return false;
        wchar_t c = b.Char(at);
        if (c == L'\0')
            break;
        if (*length + 1 >= outSize)
            return false;
        out[(*length)++] = c;
    }
    out[*length] = L'\0';
    return true;
}

// The same for a string in the system's ANSI code page.
bool AppendAnsi(const Bytes& b, DWORD at, DWORD end, wchar_t* out, size_t outSize, size_t* length) {
    if (end > b.size || at >= end)
        return false;
    DWORD stop = at;
    while (stop < end && b.data[stop] != 0)
        ++stop;
    if (stop == end || *length + 1 >= outSize)
        return false;
    if (stop > at) {
        int made = MultiByteToWideChar(
            CP_ACP, MB_ERR_INVALID_CHARS, reinterpret_cast<const char*>(b.data + at),
            static_cast<int>(stop - at), out + *length, static_cast<int>(outSize - *length - 1));
        if (made <= 0)
            return false;
        *length += static_cast<size_t>(made);
    }
    out[*length] = L'\0';
    return true;
}

// The local path of the link info at `info`: its base path and suffix, from the UTF-16 copy
// where it has one.
bool LinkInfoPath(const Bytes& b, DWORD info, DWORD infoSize, wchar_t* path, size_t pathSize) {
    DWORD header, flags, base, suffix;
    if (!b.Dword(info + 4, &header) || !b.Dword(info + 8, &flags) || !b.Dword(info + 16, &base) ||
        !b.Dword(info + 24, &suffix))
        return false;
    if (header < kLinkInfoHeader || header > infoSize || (flags & kLocalPath) == 0 ||
        (flags & kNetworkPath) != 0)
        return false;
    const DWORD end = info + infoSize;
    size_t length = 0;
    if (header >= kUnicodeLinkInfoHeader) {
        if (!b.Dword(info + 28, &base) || !b.Dword(info + 32, &suffix))
            return false;
        return base < infoSize && suffix < infoSize &&
               AppendUtf16(b, info + base, end, path, pathSize, &length) &&
               AppendUtf16(b, info + suffix, end, path, pathSize, &length);
    }
    return base < infoSize && suffix < infoSize &&
           AppendAnsi(b, info + base, end, path, pathSize, &length) &&
           AppendAnsi(b, info + suffix, end, path, pathSize, &length);
}

// Whether the item at `at`, `size` bytes long, holds `name` as a terminated UTF-16 string, as
// file system items hold their long names. The link info's path may come from the ANSI code
// page, which folds names that differ ("ā" to "a"); the items keep them apart.
bool ItemHoldsName(const Bytes& b, DWORD at, DWORD size, const wchar_t* name, size_t length) {
    const DWORD bytes = static_cast<DWORD>((length + 1) * 2);
    if (length == 0 || length >= MAX_PATH || size < 2 + bytes)
        return false;
    wchar_t candidate[MAX_PATH];
    for (DWORD from = at + 2; from <= at + size - bytes; ++from) {
        if (b.Char(from + static_cast<DWORD>(length) * 2) != L'\0')
            continue;
        for (size_t i = 0; i < length; ++i)
            candidate[i] = b.Char(from + static_cast<DWORD>(i) * 2);
        if (CompareStringOrdinal(candidate, static_cast<int>(length), name,
                                 static_cast<int>(length), TRUE) == CSTR_EQUAL)
            return true;
    }
    return false;
}

// Whether the last items of the list name the steps of `program` after its drive, one each.
bool ItemsNamePath(const Bytes& b, const DWORD* itemAt, const DWORD* itemSize, size_t items,
                   const wchar_t* program) {
    if (!program[0] || program[1] != L':' || program[2] != L'\\')
        return false;
    const wchar_t* steps[kMaxItems];
    size_t lengths[kMaxItems];
    size_t count = 0;
    for (const wchar_t* step = program + 3; *step;) {
        const wchar_t* end = wcschr(step, L'\\');
        size_t length = end ? static_cast<size_t>(end - step) : wcslen(step);
        if (length == 0 || count == kMaxItems)
            return false;
        steps[count] = step;
        lengths[count++] = length;
        step += length + (end ? 1 : 0);
    }
    if (count == 0 || count > items)
        return false;
    for (size_t i = 0; i < count; ++i) {
        size_t item = items - count + i;
        if (!ItemHoldsName(b, itemAt[item], itemSize[item], steps[i], lengths[i]))
            return false;
    }
    return true;
}

} // namespace

bool ShellLinkStarts(LPCWSTR shortcut, LPCWSTR program, LPCWSTR arguments) {
    if (!shortcut || !program || !arguments)
        return false;
    HANDLE file = CreateFileW(shortcut, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    BYTE data[kReadBytes];
    DWORD size = 0;
    BOOL read = ReadFile(file, data, kReadBytes, &size, nullptr);
    CloseHandle(file);
    if (!read)
        return false;
    const Bytes b = {data, size};

    DWORD header, flags;
    if (!b.Dword(0, &header) || header != kHeaderSize || !b.Has(0, kHeaderSize) ||
        memcmp(data + 4, kShellLinkClass, sizeof kShellLinkClass) != 0 || !b.Dword(0x14, &flags))
        return false;
    const DWORD needed = kHasItemList | kHasLinkInfo | kIsUnicode;
    if ((flags & needed) != needed ||
        (flags & (kNoLinkInfo | kHasEnvironmentTarget | kHasInstallerTarget)) != 0)
        return false;

    // The item list: the target as the shell resolves it, one item for each step of the path.
    DWORD listSize;
    if (!b.Word(kHeaderSize, &listSize) || !b.Has(kHeaderSize + 2, listSize))
        return false;
    const DWORD listEnd = kHeaderSize + 2 + listSize;
    DWORD itemAt[kMaxItems], itemSize[kMaxItems];
    size_t items = 0;
    for (DWORD at = kHeaderSize + 2;;) {
        DWORD itemBytes;
        if (listEnd - at < 2 || !b.Word(at, &itemBytes))
            return false;
        if (itemBytes == 0)
            break;
        if (itemBytes < 2 || listEnd - at < itemBytes || items == kMaxItems)
            return false;
        itemAt[items] = at;
        itemSize[items++] = itemBytes;
        at += itemBytes;
    }

    DWORD infoSize;
    if (!b.Dword(listEnd, &infoSize) || infoSize < kLinkInfoHeader || !b.Has(listEnd, infoSize))
        return false;
    wchar_t target[MAX_PATH];
    if (!LinkInfoPath(b, listEnd, infoSize, target, MAX_PATH) ||
        CompareStringOrdinal(target, -1, program, -1, TRUE) != CSTR_EQUAL ||
        !ItemsNamePath(b, itemAt, itemSize, items, program))
        return false;

    // The strings, in their fixed order; only the arguments matter here.
    DWORD at = listEnd + infoSize;
    const DWORD skipped[] = {kHasName, kHasRelativePath, kHasWorkingDir};
    for (DWORD string : skipped) {
        DWORD count;
        if ((flags & string) == 0)
            continue;
        if (!b.Word(at, &count) || !b.Has(at + 2, count * 2))
            return false;
        at += 2 + count * 2;
    }
    DWORD count = 0;
    if ((flags & kHasArguments) != 0) {
        if (!b.Word(at, &count) || !b.Has(at + 2, count * 2))
            return false;
        at += 2;
    }
    // Some writers count the terminator too.
    if (count > 0 && b.Char(at + (count - 1) * 2) == L'\0')
        --count;
    if (count != wcslen(arguments))
        return false;
    for (DWORD i = 0; i < count; ++i) {
        if (b.Char(at + i * 2) != arguments[i])
            return false;
    }
    return true;
}

} // namespace desktop
