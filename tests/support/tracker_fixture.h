// Games with a tracker beside them: the region as the test sees it, and the
// heading each frame sends, which shows what the plugin's pose record holds.
#pragma once

#include "plugin/host/natives.h"
#include "tests/support/game_fixture.h"
#include "tests/support/processes.h"
#include "tracker/freetrack.h"

#include <windows.h>

#include <math.h>

#include <string>
#include <vector>

inline LARGE_INTEGER Now()
{
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now;
}

inline double MillisecondsSince(const LARGE_INTEGER& start)
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(Now().QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// The region as seen from the test, beside the plugin's own view. The view
// covers the whole section, at least a page, so a region created smaller
// than 256 bytes reads as 256 all the same.
struct RegionPeek {
    HANDLE mapping = nullptr;
    FTRegion* region = nullptr;

    bool Open()
    {
        mapping = OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, kFTRegionName);
        region = mapping ? static_cast<FTRegion*>(MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, 0)) : nullptr;
        return region != nullptr;
    }
    ~RegionPeek()
    {
        if (region != nullptr) {
            UnmapViewOfFile(region);
        }
        if (mapping != nullptr) {
            CloseHandle(mapping);
        }
    }
};

class TrackerTest : public GameTest {
protected:
    std::vector<std::string> SetupMessages() const
    {
        std::vector<std::string> messages;
        for (const std::string& m : LogMessages()) {
            if (m.rfind("FTCreateMapping", 0) == 0) {
                messages.push_back(m);
            }
        }
        return messages;
    }
};
