// What the game program saw in one frame, for the printed view and the chart.
#pragma once

#include <stdint.h>

#include <string>

struct FrameSample {
    uint32_t frame;
    bool inVehicle;
    bool trackerSeen;  // FT_SharedMem existed and could be peeked at
    float rawYaw;      // the tracker's raw yaw in the region after the frame
    bool cameraSet;    // the plugin set the camera heading this frame
    float heading;
    std::string iniEdit;  // what replacing headview.ini before this frame changed; empty: no edit
};
