#include "SoundPath.h"

#include "AdapterCatalogue.h"
#include "TunerSettings.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

bool PlaysSamples(const FeedAbilities& abilities, int adapter, bool playThrough)
{
    if (!abilities.samples)
        return false;
    // A port card's samples can only be a line-in, whatever the feed says.
    const bool lineIn = abilities.lineIn || (adapter != V4L2Adapter && adapter != SdrAdapter);
    return !lineIn || playThrough;
}

bool VolumeActsAsGain(int adapter, int volumeControl)
{
    if (adapter == V4L2Adapter || adapter == SdrAdapter)
        return false;
    const bool cardHasVolume = adapter != SF16FMPAdapter && adapter != RadioActiveAdapter;
    return volumeControl > VolumeOnCard || !cardHasVolume;
}

int SteppedGainLevel(int level, bool up)
{
    return std::clamp(level + (up ? 1 : -1), 0, kPlayGainSteps);
}

float PlayGainFactor(int level)
{
    if (level <= 0)
        return 0.0f;
    const double db = -kPlayGainStepDb * (kPlayGainSteps - std::min(level, kPlayGainSteps));
    return static_cast<float>(std::pow(10.0, db / 20.0));
}

std::string RecordingElapsedText(int64_t seconds)
{
    seconds = std::max<int64_t>(seconds, 0);
    const long long h = seconds / 3600, m = seconds / 60 % 60, s = seconds % 60;
    char text[32];
    if (h > 0)
        std::snprintf(text, sizeof text, "REC %lld:%02lld:%02lld", h, m, s);
    else
        std::snprintf(text, sizeof text, "REC %02lld:%02lld", m, s);
    return text;
}
