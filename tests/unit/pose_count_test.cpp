// The poses a tracker published, from its frame counter as the probe reads
// it now and then: how far it advanced, however few readings saw it.
#include "probe/pose_sampling.h"

#include <gtest/gtest.h>

#include <vector>

TEST(TrackCounter, CountsWhatTheCounterAdvancedNotTheReadings)
{
    const struct {
        const char* what;
        std::vector<int32_t> readings;  // the first is where counting starts
        int64_t published;
    } cases[] = {
        {"every pose seen", {5, 6, 7, 8}, 3},
        {"a slow reader sees one pose in four", {4, 8, 12, 16}, 12},
        {"started on the plugin's reset of a tracker's own counter", {0, 50001, 0, 50002}, 1},
        {"started on a region not yet written", {0, 1, 2, 3}, 2},
        {"the same pose read again", {3, 3, 4, 4}, 1},
        {"the plugin's reset past 1000, then the tracker counts on from 0", {999, 1001, 0, 1, 2}, 4},
        {"the reset seen between poses of a tracker with its own counter", {1001, 0, 1002, 0, 1003}, 2},
        {"a restarted tracker", {500, 501, 1, 2}, 3},
        {"a region that stays zero", {0, 0, 0}, 0},
        {"a restart after the start", {0, 7, 8, 1, 2}, 3},
        {"a counter near the top of its range", {INT32_MAX - 1, INT32_MAX}, 1},
    };
    for (const auto& c : cases) {
        CounterTrack track = StartCounterTrack(c.readings[0]);
        for (size_t i = 1; i < c.readings.size(); ++i) {
            TrackCounter(&track, c.readings[i]);
        }
        EXPECT_EQ(track.published, c.published) << c.what;
    }
}
