// What headview publishes about itself while the game runs, with
// headviewing_status=1: one fixed block in a named region of its own, in the
// session's namespace, written once a frame and read by headview-probe.
// There is no lock: headview makes `sequence` odd before it writes and even
// after; a reader copies the block, reads `sequence` again and takes the copy
// only when both readings are the same even number.
#pragma once

#include "settings/settings.h"
#include "tracker/tracker_link.h"

#include <stddef.h>
#include <stdint.h>

constexpr const wchar_t* kStatusRegionName = L"Local\\headview_status";
constexpr uint32_t kStatusVersion = 1;

struct StatusBlock {
    uint32_t sequence;   // odd while headview writes the block
    uint32_t version;    // kStatusVersion
    uint32_t size;       // sizeof(StatusBlock)
    uint32_t processId;  // the game's
    uint64_t startedAt;  // when headview's script started: UTC, 100 ns since 1601 (a FILETIME)
    uint64_t frames;     // frames run since then
    // The settings as headview holds them now, by SettingKey, and where each came from.
    int32_t enabled, test, multiplier;
    float offset;
    int32_t source, status;
    uint8_t origin[kSettingKeyCount];  // StatusOrigin, by SettingKey
    uint8_t iniFound;                  // 1 when the last load found headview.ini
    uint8_t reserved;
    // The tracker as headview sees it.
    int32_t link;     // StatusLink
    int32_t counter;  // the region's frame counter at the last read
    float yaw;        // the yaw headview steers by (raw, or processed with source 1), as held
    // The camera and the character.
    float heading;          // the last heading sent to the camera
    uint64_t headingFrame;  // the frame that sent it; 0: none sent yet
    int32_t vehicle;        // the last frame: 1 in a vehicle, 0 on foot, -1 not asked (the camera off, or no read)
    int32_t reserved2;
    wchar_t iniPath[kSettingsPathSize];  // headview.ini as headview last resolved it, NUL-terminated
};

static_assert(sizeof(StatusBlock) == 616, "the block's layout is fixed");
static_assert(offsetof(StatusBlock, enabled) == 32, "settings at 32");
static_assert(offsetof(StatusBlock, origin) == 56, "origins at 56");
static_assert(offsetof(StatusBlock, link) == 64, "the tracker at 64");
static_assert(offsetof(StatusBlock, headingFrame) == 80, "the heading's frame at 80");
static_assert(offsetof(StatusBlock, vehicle) == 88, "the character at 88");
static_assert(offsetof(StatusBlock, iniPath) == 96, "the settings' path at 96");
