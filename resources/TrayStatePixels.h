#pragma once
// The two tray state icons (":/ST_NORMAL" and ":/ST_MUTE") as raw ARGB32
// pixels, row by row, written by tunzo-draw-resources beside the PNG files.

#include <cstdint>

inline constexpr int TrayStateSize = 16;
inline constexpr int TrayStatePixelCount = TrayStateSize * TrayStateSize;

extern const uint32_t TrayNormalPixels[TrayStatePixelCount];
extern const uint32_t TrayMutedPixels[TrayStatePixelCount];
