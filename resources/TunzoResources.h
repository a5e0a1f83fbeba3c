#pragma once
// The pictures compiled into the program, under the names the code asks for:
// ":/MAINICON" (32 x 32 program icon), ":/ST_NORMAL" and ":/ST_MUTE" (16 x 16
// tray states), ":/HAND" (the link cursor, hot spot HandHotSpotX/Y) and
// ":/DIGITS" (the 209 x 34 glyph strip of the frequency display).

#include <QImage>

// The resources live in a static library, whose registration the linker would
// drop because nothing refers to it; this call refers to it. Safe to repeat.
void InitTunzoResources();

// One of the pictures above, by its resource path (":/MAINICON"); a null image
// for an unknown path. They are PNG files under names without a suffix, from
// which Qt cannot tell the format: left to guess (QIcon(path), QPixmap(path)),
// it loads the image plugins to ask each one, and QIcon reads the MIME
// database too, a millisecond and more than a megabyte of a start-up. Named
// as PNG, they are read by Qt's own PNG reader with no plugin loaded.
QImage ProgramPicture(const char* path);

// The program icon, the picture of ":/MAINICON", decoded at its first use
// only: the window icon, the panel's logo and the dialogs all show it.
QImage ProgramIconPicture();

// The tray state icons, the pictures of ":/ST_NORMAL" and ":/ST_MUTE", made
// from their raw pixels (TrayStatePixels.h): no image reader, PNG or zlib code
// is loaded for them, which for the tray companion, which shows no other
// picture, is a quarter of a millisecond and some 250 KB of its start-up.
enum class TrayState { SoundOn, Muted };
QImage TrayStatePicture(TrayState state);

inline constexpr int HandHotSpotX = 6;
inline constexpr int HandHotSpotY = 0;
