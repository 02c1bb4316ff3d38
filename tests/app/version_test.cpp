// The version that Windows and the installer read, in the built resources: the version resource
// and the manifest must both carry the one the Version Info banner shows.
#include "platform/win.h"

#include <cstring>
#include <gtest/gtest.h>
#include <string>

#include "resources/version.h"

namespace {

std::string Resource(LPCWSTR type, LPCWSTR name, DWORD* size) {
    HMODULE module = GetModuleHandleW(nullptr);
    HRSRC found = FindResourceW(module, name, type);
    if (!found)
        return {};
    *size = SizeofResource(module, found);
    auto* bytes = static_cast<const char*>(LockResource(LoadResource(module, found)));
    return bytes ? std::string(bytes, *size) : std::string();
}

std::string Wide(const char* text) {
    std::string wide;
    for (const char* c = text; *c; ++c) {
        wide.push_back(*c);
        wide.push_back('\0');
    }
    return wide;
}

// The value of `key` in a version resource's string table: it follows the key's terminating
// zero and the padding to the next four-byte boundary.
std::string StringValue(const std::string& info, const char* key) {
    size_t at = info.find(Wide(key) + std::string(2, '\0'));
    if (at == std::string::npos)
        return {};
    at += 2 * std::strlen(key) + 2;
    at = (at + 3) & ~size_t(3);
    std::string value;
    for (; at + 1 < info.size() && (info[at] || info[at + 1]); at += 2)
        value.push_back(info[at]);
    return value;
}

TEST(Version, TheVersionResourceAndTheManifestCarryTheProgramsVersion) {
    DWORD size = 0;
    std::string info = Resource(RT_VERSION, MAKEINTRESOURCEW(1), &size);
    ASSERT_FALSE(info.empty());
    const DWORD signature = 0xFEEF04BD;
    size_t at = info.find(std::string(reinterpret_cast<const char*>(&signature), 4));
    ASSERT_NE(at, std::string::npos);
    VS_FIXEDFILEINFO fixed;
    ASSERT_LE(at + sizeof fixed, info.size());
    std::memcpy(&fixed, info.data() + at, sizeof fixed);
    const DWORD major_minor = DAWNBELL_VERSION_MAJOR << 16 | DAWNBELL_VERSION_MINOR;
    EXPECT_EQ(fixed.dwFileVersionMS, major_minor);
    EXPECT_EQ(fixed.dwProductVersionMS, major_minor);
    EXPECT_EQ(StringValue(info, "ProductVersion"), DAWNBELL_VERSION_TEXT);
    EXPECT_EQ(StringValue(info, "FileVersion"), DAWNBELL_FILE_VERSION_TEXT);

    std::string manifest = Resource(RT_MANIFEST, MAKEINTRESOURCEW(1), &size);
    EXPECT_NE(
        manifest.find("name=\"Larchworks.Dawnbell\" version=\"" DAWNBELL_FILE_VERSION_TEXT "\""),
        std::string::npos)
        << manifest;
}

} // namespace
