// The system output volume as the device's volume word, against an endpoint of our own.
#include <endpointvolume.h>

#include <gtest/gtest.h>

#include "platform/desktop/endpoint_volume.h"
#include "platform/sound.h"

namespace {

using desktop::ReadEndpointVolume;
using desktop::WriteEndpointVolume;

// An output endpoint with per-channel levels and a mute switch; its setters can be made to
// fail the way Wine's do.
class FakeEndpoint : public IAudioEndpointVolume {
  public:
    UINT channels = 2;
    float levels[8] = {0.5f, 0.25f, 0.5f, 0.5f};
    BOOL muted = FALSE;
    bool settersWork = true;
    int writes = 0;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE RegisterControlChangeNotify(IAudioEndpointVolumeCallback*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE
    UnregisterControlChangeNotify(IAudioEndpointVolumeCallback*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetChannelCount(UINT* count) override {
        *count = channels;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetMasterVolumeLevel(FLOAT, LPCGUID) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetMasterVolumeLevelScalar(FLOAT, LPCGUID) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetMasterVolumeLevel(FLOAT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetMasterVolumeLevelScalar(FLOAT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetChannelVolumeLevel(UINT, FLOAT, LPCGUID) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE SetChannelVolumeLevelScalar(UINT channel, FLOAT level,
                                                          LPCGUID) override {
        if (!settersWork)
            return E_NOTIMPL;
        if (channel >= channels)
            return E_INVALIDARG;
        levels[channel] = level;
        ++writes;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetChannelVolumeLevel(UINT, FLOAT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetChannelVolumeLevelScalar(UINT channel, FLOAT* level) override {
        if (channel >= channels)
            return E_INVALIDARG;
        *level = levels[channel];
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetMute(WINBOOL mute, LPCGUID) override {
        if (!settersWork)
            return E_NOTIMPL;
        muted = mute;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetMute(WINBOOL* mute) override {
        *mute = muted;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetVolumeStepInfo(UINT*, UINT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE VolumeStepUp(LPCGUID) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE VolumeStepDown(LPCGUID) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE QueryHardwareSupport(DWORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetVolumeRange(FLOAT*, FLOAT*, FLOAT*) override { return E_NOTIMPL; }
};

class EndpointVolumeTest : public ::testing::Test {
  protected:
    void SetUp() override { desktop::ForgetEndpointState(); }
    void TearDown() override { desktop::ForgetEndpointState(); }

    DWORD Read() {
        DWORD word = 0x12345678;
        EXPECT_TRUE(ReadEndpointVolume(&endpoint, &word));
        return word;
    }

    FakeEndpoint endpoint;
};

TEST_F(EndpointVolumeTest, TheLeftChannelIsTheLowHalfAndTheRightTheHigh) {
    EXPECT_EQ(Read(), 0x40008000u);
    endpoint.levels[0] = 1.0f;
    endpoint.levels[1] = 0.0f;
    EXPECT_EQ(Read(), 0x0000FFFFu);

    ASSERT_TRUE(WriteEndpointVolume(&endpoint, 0x4000FFFF));
    EXPECT_FLOAT_EQ(endpoint.levels[0], 1.0f);
    EXPECT_FLOAT_EQ(endpoint.levels[1], 0x4000 / 65535.0f);
    EXPECT_EQ(Read(), 0x4000FFFFu);
}

TEST_F(EndpointVolumeTest, AOneChannelEndpointFillsBothHalvesAndTakesTheLouderOne) {
    endpoint.channels = 1;
    endpoint.levels[0] = 0.5f;
    EXPECT_EQ(Read(), 0x80008000u);
    ASSERT_TRUE(WriteEndpointVolume(&endpoint, 0x1000F000));
    EXPECT_FLOAT_EQ(endpoint.levels[0], 0xF000 / 65535.0f);
}

TEST_F(EndpointVolumeTest, ChannelsBeyondTheTwoFollowTheLouderOne) {
    endpoint.channels = 4;
    ASSERT_TRUE(WriteEndpointVolume(&endpoint, 0xFFFF1000));
    EXPECT_FLOAT_EQ(endpoint.levels[2], 1.0f);
    EXPECT_FLOAT_EQ(endpoint.levels[3], 1.0f);
}

TEST_F(EndpointVolumeTest, AMutedEndpointReadsAsSilenceAndALouderWordUnmutesIt) {
    endpoint.muted = TRUE;
    EXPECT_EQ(Read(), 0u);
    ASSERT_TRUE(WriteEndpointVolume(&endpoint, 0x11111111));
    EXPECT_FALSE(endpoint.muted);
}

TEST_F(EndpointVolumeTest, SilenceDoesNotUnmute) {
    endpoint.muted = TRUE;
    endpoint.levels[0] = endpoint.levels[1] = 0.0f;
    ASSERT_TRUE(WriteEndpointVolume(&endpoint, 0));
    EXPECT_TRUE(endpoint.muted);
}

// A ring at MAX, or a fade, then the put-back of the word read before: the user gets back
// exactly the levels and the mute they had, not their 16-bit images.
TEST_F(EndpointVolumeTest, WritingBackTheWordReadBeforeRestoresLevelsAndMuteExactly) {
    endpoint.levels[0] = 0.123456f;
    endpoint.levels[1] = 0.654321f;
    endpoint.muted = TRUE;
    DWORD saved = Read();
    ASSERT_TRUE(WriteEndpointVolume(&endpoint, 0xFFFFFFFF));
    EXPECT_FLOAT_EQ(endpoint.levels[0], 1.0f);
    EXPECT_FALSE(endpoint.muted);
    ASSERT_TRUE(WriteEndpointVolume(&endpoint, 0x80008000)); // a later step
    ASSERT_TRUE(WriteEndpointVolume(&endpoint, saved));
    EXPECT_EQ(endpoint.levels[0], 0.123456f);
    EXPECT_EQ(endpoint.levels[1], 0.654321f);
    EXPECT_TRUE(endpoint.muted);

    // The next effect keeps the state of its own start.
    endpoint.muted = FALSE;
    endpoint.levels[0] = endpoint.levels[1] = 0.3f;
    saved = Read();
    ASSERT_TRUE(WriteEndpointVolume(&endpoint, 0xFFFFFFFF));
    ASSERT_TRUE(WriteEndpointVolume(&endpoint, saved));
    EXPECT_EQ(endpoint.levels[0], 0.3f);
    EXPECT_FALSE(endpoint.muted);
}

TEST_F(EndpointVolumeTest, AnEndpointWithoutSettersChangesNothingAndKeepsNothing) {
    endpoint.settersWork = false;
    EXPECT_FALSE(WriteEndpointVolume(&endpoint, 0xFFFFFFFF));
    EXPECT_EQ(endpoint.levels[0], 0.5f);

    // Nothing was kept from that attempt: a later effect starts from the state of its own time.
    endpoint.settersWork = true;
    endpoint.levels[0] = endpoint.levels[1] = 0.75f;
    DWORD saved = Read();
    ASSERT_TRUE(WriteEndpointVolume(&endpoint, 0xFFFFFFFF));
    ASSERT_TRUE(WriteEndpointVolume(&endpoint, saved));
    EXPECT_EQ(endpoint.levels[0], 0.75f);
}

// Where there is no output endpoint (this test prefix has no audio driver), the volume calls
// are the wave-out ones, results included.
TEST(WaveOutVolume, WithoutAnEndpointTheWaveOutCallsAnswer) {
    DWORD expected = 0x11111111, word = 0x11111111;
    MMRESULT direct = ::waveOutGetVolume(nullptr, &expected);
    EXPECT_EQ(platform::waveOutGetVolume(nullptr, &word), direct);
    EXPECT_EQ(word, expected);
    EXPECT_EQ(platform::waveOutSetVolume(nullptr, 0xFFFFFFFF),
              ::waveOutSetVolume(nullptr, 0xFFFFFFFF));
}

} // namespace
