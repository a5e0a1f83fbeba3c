#include "AlsaLibrary.h"

#include <dlfcn.h>

#include <cstdio>

namespace {

template <class Call>
bool Find(void* library, const char* name, Call& call)
{
    call = reinterpret_cast<Call>(dlsym(library, name));
    return call != nullptr;
}

bool FindCalls(void* library, AlsaLibrary& alsa)
{
    return Find(library, "snd_lib_error_set_handler", alsa.lib_error_set_handler) &&
           Find(library, "snd_mixer_open", alsa.mixer_open) && Find(library, "snd_mixer_attach", alsa.mixer_attach) &&
           Find(library, "snd_mixer_selem_register", alsa.mixer_selem_register) &&
           Find(library, "snd_mixer_load", alsa.mixer_load) && Find(library, "snd_mixer_close", alsa.mixer_close) &&
           Find(library, "snd_mixer_first_elem", alsa.mixer_first_elem) &&
           Find(library, "snd_mixer_elem_next", alsa.mixer_elem_next) &&
           Find(library, "snd_mixer_selem_is_active", alsa.mixer_selem_is_active) &&
           Find(library, "snd_mixer_selem_has_playback_volume", alsa.mixer_selem_has_playback_volume) &&
           Find(library, "snd_mixer_selem_get_playback_volume_range", alsa.mixer_selem_get_playback_volume_range) &&
           Find(library, "snd_mixer_selem_get_playback_volume", alsa.mixer_selem_get_playback_volume) &&
           Find(library, "snd_mixer_selem_set_playback_volume", alsa.mixer_selem_set_playback_volume) &&
           Find(library, "snd_mixer_selem_is_playback_mono", alsa.mixer_selem_is_playback_mono) &&
           Find(library, "snd_mixer_selem_get_name", alsa.mixer_selem_get_name);
}

const AlsaLibrary* OpenAlsa()
{
    static AlsaLibrary alsa;
    void* library = dlopen(AlsaLibraryName, RTLD_NOW | RTLD_LOCAL);
    if (library && FindCalls(library, alsa))
        return &alsa;
    const char* why = dlerror();
    if (library)
        dlclose(library);
    std::fprintf(stderr, "tunzo: the sound card's mixer cannot be used (%s); the line input has no devices\n",
                 why ? why : AlsaLibraryName);
    return nullptr;
}

}  // namespace

const AlsaLibrary* Alsa()
{
    static const AlsaLibrary* const alsa = OpenAlsa();
    return alsa;
}
