#pragma once
// libasound, opened on the first call that needs the sound card's mixer
// instead of by the loader at every start: the mixer serves only the volume
// steps on the line input and their menu, which most runs never reach, and
// mapping the library costs every start its relocations and some 300 KB.

#include <alsa/asoundlib.h>

inline constexpr const char* AlsaLibraryName = "libasound.so.2";

// The library's calls the mixer makes, under their names without "snd_".
struct AlsaLibrary {
    decltype(&snd_lib_error_set_handler) lib_error_set_handler = nullptr;
    decltype(&snd_mixer_open) mixer_open = nullptr;
    decltype(&snd_mixer_attach) mixer_attach = nullptr;
    decltype(&snd_mixer_selem_register) mixer_selem_register = nullptr;
    decltype(&snd_mixer_load) mixer_load = nullptr;
    decltype(&snd_mixer_close) mixer_close = nullptr;
    decltype(&snd_mixer_first_elem) mixer_first_elem = nullptr;
    decltype(&snd_mixer_elem_next) mixer_elem_next = nullptr;
    decltype(&snd_mixer_selem_is_active) mixer_selem_is_active = nullptr;
    decltype(&snd_mixer_selem_has_playback_volume) mixer_selem_has_playback_volume = nullptr;
    decltype(&snd_mixer_selem_get_playback_volume_range) mixer_selem_get_playback_volume_range = nullptr;
    decltype(&snd_mixer_selem_get_playback_volume) mixer_selem_get_playback_volume = nullptr;
    decltype(&snd_mixer_selem_set_playback_volume) mixer_selem_set_playback_volume = nullptr;
    decltype(&snd_mixer_selem_is_playback_mono) mixer_selem_is_playback_mono = nullptr;
    decltype(&snd_mixer_selem_get_name) mixer_selem_get_name = nullptr;
};

// The library, opened on the first call and kept for the rest of the run;
// null when it cannot be opened or lacks a call, which the first call says
// on standard error (the mixer then has no devices, as without a sound card).
const AlsaLibrary* Alsa();
