// The five operations the plugin imports from the script hook, ScriptHookV.dll.
// The hook exports them under C++ (MSVC) decorated names; ScriptHookV.def
// binds these plain names to those imports, so the types here must stay the
// ones the decorated names encode.
#pragma once

#include <windows.h>

#include <stdint.h>

extern "C" {

// Registers `script` to be started later as a script of `module`.
void scriptRegister(HINSTANCE module, void (*script)());

// Yields to the game; returns at a later frame, at least `ms` milliseconds on.
void scriptWait(DWORD ms);

// Starts a call of the native identified by `hash`.
void nativeInit(uint64_t hash);

// Appends one argument to the native call being built.
void nativePush64(uint64_t value);

// Runs the native call; returns its 64-bit result slot.
uint64_t* nativeCall();

}  // extern "C"
