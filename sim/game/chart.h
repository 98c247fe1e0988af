// An SVG chart of the tracker's raw yaw and the camera heading over frames.
#pragma once

#include "sim/game/frame_sample.h"

#include <string>
#include <vector>

// Writes the chart to `path`; false when the file cannot be written.
bool WriteChart(const std::string& path, const std::vector<FrameSample>& samples);
