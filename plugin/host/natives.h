// Hashes of the game natives the plugin calls through the script hook.
#pragma once

#include <stdint.h>

// () -> player character handle
constexpr uint64_t kNativePlayerCharacter = 0xD80958FC74E988A6ull;
// (character) -> nothing; called on the player's character every frame
constexpr uint64_t kNativeCharacterFrame = 0x6094AD011A2EA87Dull;
// (character, 0) -> non-zero when the character sits in any vehicle
constexpr uint64_t kNativeIsInAnyVehicle = 0x997ABD671D25CA0Bull;
// (character) -> non-zero when the character exists
constexpr uint64_t kNativeDoesExist = 0x7239B21A38F536BAull;
// (heading float) -> nothing; gameplay camera heading relative to the character
constexpr uint64_t kNativeSetCameraRelativeHeading = 0xB4EC2312F4E5B1F1ull;
// (heading float) -> nothing; second camera-heading call, same value
constexpr uint64_t kNativeSetCameraHeading2 = 0x103991D4A307D472ull;
