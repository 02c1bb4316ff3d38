// The notification LED driver and the records it exchanges (32-bit little-endian fields).
#pragma once
#include "platform/win.h"

namespace platform {

constexpr UINT NLED_COUNT_INFO_ID = 0;
constexpr UINT NLED_SUPPORTS_INFO_ID = 1;
constexpr UINT NLED_SETTINGS_INFO_ID = 2;

// The LED modes (NLED_SETTINGS_INFO::OffOnBlink).
constexpr INT32 kLedOff = 0;
constexpr INT32 kLedOn = 1;
constexpr INT32 kLedBlink = 2;

struct NLED_COUNT_INFO {
    UINT32 cLeds;
};

struct NLED_SUPPORTS_INFO {
    UINT32 LedNum;
    INT32 lCycleAdjust;
    INT32 fAdjustTotalCycleTime;
    INT32 fAdjustOnTime;
    INT32 fAdjustOffTime;
    INT32 fMetaCycleOn;
    INT32 fMetaCycleOff;
};

struct NLED_SETTINGS_INFO {
    UINT32 LedNum;
    INT32 OffOnBlink;
    INT32 TotalCycleTime;
    INT32 OnTime;
    INT32 OffTime;
    INT32 MetaCycleOn;
    INT32 MetaCycleOff;
};

static_assert(sizeof(NLED_COUNT_INFO) == 4, "driver record layout");
static_assert(sizeof(NLED_SUPPORTS_INFO) == 28, "driver record layout");
static_assert(sizeof(NLED_SETTINGS_INFO) == 28, "driver record layout");

BOOL NLedGetDeviceInfo(UINT infoId, void* output);
BOOL NLedSetDevice(UINT infoId, void* input);

} // namespace platform
