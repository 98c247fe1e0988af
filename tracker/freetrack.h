// The FreeTrack shared-memory layout: a 256-byte region named FT_SharedMem,
// guarded by the named mutex FT_Mutext, that a head tracker fills with poses.
#pragma once

#include <stddef.h>
#include <stdint.h>

constexpr const char* kFTRegionName = "FT_SharedMem";
constexpr const char* kFTMutexName = "FT_Mutext";
constexpr const wchar_t* kFTRegionWideName = L"FT_SharedMem";

// One pose, 92 bytes. The plugin keeps a copy of the same layout.
struct FTPose {
    int32_t frameCounter;  // advanced by the tracker for each new pose
    int32_t cameraWidth;
    int32_t cameraHeight;
    float yaw, pitch, roll, x, y, z;                    // processed pose
    float rawYaw, rawPitch, rawRoll, rawX, rawY, rawZ;  // unprocessed pose
    float points[8];                                    // four tracked points, x and y each
};

constexpr size_t kFTClientIdSize = 19;

// The whole region, 256 bytes, little-endian.
struct FTRegion {
    FTPose pose;
    uint8_t otherFields[112];
    char clientId[kFTClientIdSize];  // the client's identifier as decimal text, NUL-terminated
    uint8_t moreFields[33];
};

static_assert(sizeof(FTPose) == 92, "pose record is 92 bytes");
static_assert(offsetof(FTPose, frameCounter) == 0, "frame counter at 0");
static_assert(offsetof(FTPose, cameraWidth) == 4, "camera width at 4");
static_assert(offsetof(FTPose, cameraHeight) == 8, "camera height at 8");
static_assert(offsetof(FTPose, yaw) == 12, "processed pose at 12");
static_assert(offsetof(FTPose, rawYaw) == 36, "raw yaw at 36");
static_assert(offsetof(FTPose, points) == 60, "tracked points at 60");
static_assert(sizeof(FTRegion) == 256, "region is 256 bytes");
static_assert(offsetof(FTRegion, otherFields) == 92, "protocol fields at 92");
static_assert(offsetof(FTRegion, clientId) == 204, "identifier text at 204");
static_assert(offsetof(FTRegion, moreFields) == 223, "protocol fields at 223");
