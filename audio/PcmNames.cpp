#include "PcmNames.h"

#include <alsa/asoundlib.h>

#include <cstdlib>
#include <cstring>

namespace {

// ALSA hands out copies that the caller frees.
std::string TakeHint(const void* hint, const char* id)
{
    char* value = snd_device_name_get_hint(hint, id);
    std::string text = value ? value : "";
    std::free(value);
    return text;
}

}  // namespace

std::vector<PcmName> ListPcmNames(PcmDirection direction)
{
    std::vector<PcmName> names;
    void** hints = nullptr;
    if (snd_device_name_hint(-1, "pcm", &hints) < 0)
        return names;
    // A hint without a direction serves both.
    const char* wanted = direction == PcmDirection::Playback ? "Output" : "Input";
    for (void** hint = hints; *hint; ++hint) {
        const std::string io = TakeHint(*hint, "IOID");
        if (!io.empty() && io != wanted)
            continue;
        PcmName entry{TakeHint(*hint, "NAME"), TakeHint(*hint, "DESC")};
        if (entry.name.empty() || entry.name == "null")
            continue;
        for (char& c : entry.description)
            if (c == '\n')
                c = ' ';
        names.push_back(std::move(entry));
    }
    snd_device_name_free_hint(hints);
    return names;
}
