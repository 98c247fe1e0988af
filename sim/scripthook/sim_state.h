// State shared by the stand-in script hook's parts.
#pragma once

#include "sim/scripthook/sim_api.h"

#include <vector>

extern SimWorld g_world;
extern uint32_t g_frame;
extern std::vector<SimEvent> g_events;

// Answers one native call from the world state and records it.
uint64_t AnswerNative(uint64_t hash, const uint64_t* args, uint32_t argCount);
