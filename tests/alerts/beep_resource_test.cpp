#include "platform/win.h"

#include <cstdint>
#include <cstring>
#include <gtest/gtest.h>
#include <string>

#include "resources/resource.h"

namespace {

uint32_t U32(const uint8_t* at) {
    return at[0] | at[1] << 8 | at[2] << 16 | uint32_t(at[3]) << 24;
}
uint16_t U16(const uint8_t* at) {
    return static_cast<uint16_t>(at[0] | at[1] << 8);
}
std::string Tag(const uint8_t* at) {
    return std::string(reinterpret_cast<const char*>(at), 4);
}

// The ring's built-in sound is a looping resource: its layout is what the player relies on.
TEST(BeepResource, IsTheShortStereoPcmBurstThePlayerExpects) {
    HMODULE module = GetModuleHandleW(nullptr);
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(IDR_BEEP), L"WAVE");
    ASSERT_NE(found, nullptr);
    ASSERT_EQ(SizeofResource(module, found), 3218u);
    auto* wave = static_cast<const uint8_t*>(LockResource(LoadResource(module, found)));
    ASSERT_NE(wave, nullptr);

    EXPECT_EQ(Tag(wave), "RIFF");
    EXPECT_EQ(U32(wave + 4), 3210u);
    EXPECT_EQ(Tag(wave + 8), "WAVE");
    EXPECT_EQ(Tag(wave + 12), "fmt ");
    EXPECT_EQ(U32(wave + 16), 16u);
    EXPECT_EQ(U16(wave + 20), 1);      // PCM
    EXPECT_EQ(U16(wave + 22), 2);      // channels
    EXPECT_EQ(U32(wave + 24), 22050u); // samples per second
    EXPECT_EQ(U32(wave + 28), 44100u); // bytes per second
    EXPECT_EQ(U16(wave + 32), 2);      // block align
    EXPECT_EQ(U16(wave + 34), 8);      // bits per sample
    EXPECT_EQ(Tag(wave + 36), "data");
    EXPECT_EQ(U32(wave + 40), 3100u);
    // The LIST chunk follows the samples and ends the file.
    const uint8_t* list = wave + 44 + U32(wave + 40);
    EXPECT_EQ(list - wave, 3144);
    EXPECT_EQ(Tag(list), "LIST");
    EXPECT_EQ(U32(list + 4), 66u);
    EXPECT_EQ(Tag(list + 8), "INFO");
}

} // namespace
