#pragma once
// What the Power button does to the radio, by "Shutdown options".

#include <cstdint>

// "Shutdown options": 0 mutes; 2 asks while the radio plays; any other value
// (1, 3) leaves the radio as it is.
inline constexpr int8_t ShutdownMutes = 0;
inline constexpr int8_t ShutdownAsks = 2;

enum class LeaveChoice { Ask, Mute, LeavePlaying };
LeaveChoice ChooseLeaveAction(int8_t shutdownOptions, bool soundOn);
