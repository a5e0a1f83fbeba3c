#pragma once
// The PCM names ALSA knows of (its configuration and the cards present), for
// a user choosing "Audio output" or "Audio input"; any other name may be
// typed in, so a short list is never a limit.

#include "AlsaPcm.h"

#include <string>
#include <vector>

struct PcmName {
    std::string name;         // what is stored: "default", "hw:CARD=Radio,DEV=0"
    std::string description;  // ALSA's words for it, on one line
};

std::vector<PcmName> ListPcmNames(PcmDirection direction);
