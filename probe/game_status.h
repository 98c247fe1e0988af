// What a running game's headview publishes about itself (headviewing_status=1):
// the block read from its region without a lock, checked, and never written.
// The region is only ever opened, never made, and no handle is kept.
#pragma once

#include "plugin/status_block.h"

// Copies the block at `source` into `copy` under its sequence count: the
// sequence read even, the block copied, the sequence read again the same.
// A bounded number of tries; false when none gave a stable copy.
bool CopyStableStatus(const StatusBlock* source, StatusBlock* copy);

// True when `block` is headview's, as this version writes it: the version
// and size it writes, a process that still runs, and no field out of its range.
bool IsHeadviewsStatus(const StatusBlock& block);

enum GameSeen {
    kNoGame,        // no region of that name: no game with headview publishing
    kNotHeadviews,  // something else holds the name, or the block is not stable or not headview's
    kHeadviewRuns,  // `copy` holds the running game's block
};

// Opens kStatusRegionName read-only and copies the block into `copy`.
GameSeen LookAtGame(StatusBlock* copy);
