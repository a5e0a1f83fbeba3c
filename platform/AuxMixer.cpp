#include "AuxMixer.h"

#include "AlsaLibrary.h"

#include <algorithm>
#include <cstdarg>

namespace {

// ALSA prints its own complaints on stderr ("cannot find card 0"); a machine
// without a sound card is normal for a radio that plays through the line input.
void QuietAlsa(const char*, int, const char*, int, const char*, ...) {}

// Opens the default card's mixer for one call and closes it on every path.
// Without the library there is no mixer, as without a sound card.
class MixerSession {
public:
    MixerSession() : alsa_(Alsa())
    {
        if (!alsa_)
            return;
        alsa_->lib_error_set_handler(QuietAlsa);
        if (alsa_->mixer_open(&handle_, 0) < 0) {
            handle_ = nullptr;
            return;
        }
        if (alsa_->mixer_attach(handle_, "default") < 0 || alsa_->mixer_selem_register(handle_, nullptr, nullptr) < 0 ||
            alsa_->mixer_load(handle_) < 0) {
            alsa_->mixer_close(handle_);
            handle_ = nullptr;
        }
    }
    ~MixerSession()
    {
        if (handle_)
            alsa_->mixer_close(handle_);
    }
    MixerSession(const MixerSession&) = delete;
    MixerSession& operator=(const MixerSession&) = delete;

    // The library's calls; only while an element is at hand.
    const AlsaLibrary& alsa() const { return *alsa_; }

    std::vector<snd_mixer_elem_t*> volumeElements() const
    {
        std::vector<snd_mixer_elem_t*> elements;
        if (!handle_)
            return elements;
        for (snd_mixer_elem_t* e = alsa_->mixer_first_elem(handle_); e; e = alsa_->mixer_elem_next(e))
            if (alsa_->mixer_selem_is_active(e) && alsa_->mixer_selem_has_playback_volume(e))
                elements.push_back(e);
        return elements;
    }

    snd_mixer_elem_t* element(int device) const
    {
        std::vector<snd_mixer_elem_t*> elements = volumeElements();
        if (device < 0 || device >= static_cast<int>(elements.size()))
            return nullptr;
        return elements[static_cast<size_t>(device)];
    }

private:
    const AlsaLibrary* alsa_;
    snd_mixer_t* handle_ = nullptr;
};

}  // namespace

uint32_t MixerLevelOf(long raw, long min, long max)
{
    if (max <= min)
        return 0;
    raw = std::clamp(raw, min, max);
    return static_cast<uint32_t>(((raw - min) * 0xFFFFLL + (max - min) / 2) / (max - min));
}

long RawVolumeFor(uint32_t level, long currentRaw, long min, long max)
{
    level &= 0xFFFF;
    const long nearest = min + static_cast<long>((static_cast<long long>(level) * (max - min) + 0x7FFF) / 0xFFFF);
    const uint32_t currentLevel = MixerLevelOf(currentRaw, min, max);
    if (level < currentLevel)
        return std::max(min, std::min(nearest, currentRaw - 1));
    if (level > currentLevel)
        return std::min(max, std::max(nearest, currentRaw + 1));
    return nearest;
}

int AlsaAuxMixer::DeviceCount()
{
    MixerSession mixer;
    return static_cast<int>(mixer.volumeElements().size());
}

bool AlsaAuxMixer::GetVolume(int device, uint32_t& volume)
{
    MixerSession mixer;
    snd_mixer_elem_t* e = mixer.element(device);
    long min = 0, max = 0, left = 0, right = 0;
    if (!e)
        return false;
    const AlsaLibrary& alsa = mixer.alsa();
    if (alsa.mixer_selem_get_playback_volume_range(e, &min, &max) < 0 ||
        alsa.mixer_selem_get_playback_volume(e, SND_MIXER_SCHN_FRONT_LEFT, &left) < 0)
        return false;
    if (alsa.mixer_selem_is_playback_mono(e) ||
        alsa.mixer_selem_get_playback_volume(e, SND_MIXER_SCHN_FRONT_RIGHT, &right) < 0)
        right = left;
    volume = MixerLevelOf(left, min, max) | (MixerLevelOf(right, min, max) << 16);
    return true;
}

bool AlsaAuxMixer::SetVolume(int device, uint32_t volume)
{
    MixerSession mixer;
    snd_mixer_elem_t* e = mixer.element(device);
    long min = 0, max = 0, left = 0, right = 0;
    if (!e)
        return false;
    const AlsaLibrary& alsa = mixer.alsa();
    if (alsa.mixer_selem_get_playback_volume_range(e, &min, &max) < 0 ||
        alsa.mixer_selem_get_playback_volume(e, SND_MIXER_SCHN_FRONT_LEFT, &left) < 0)
        return false;
    if (alsa.mixer_selem_set_playback_volume(e, SND_MIXER_SCHN_FRONT_LEFT, RawVolumeFor(volume, left, min, max)) < 0)
        return false;
    if (!alsa.mixer_selem_is_playback_mono(e)) {
        if (alsa.mixer_selem_get_playback_volume(e, SND_MIXER_SCHN_FRONT_RIGHT, &right) < 0)
            right = left;
        alsa.mixer_selem_set_playback_volume(e, SND_MIXER_SCHN_FRONT_RIGHT,
                                             RawVolumeFor(volume >> 16, right, min, max));
    }
    return true;
}

std::vector<std::string> AuxMixer::DeviceNames()
{
    std::vector<std::string> names;
    for (int device = 0; device < DeviceCount(); ++device)
        names.push_back("Mixer control " + std::to_string(device + 1));
    return names;
}

std::vector<std::string> AlsaAuxMixer::DeviceNames()
{
    MixerSession mixer;
    std::vector<std::string> names;
    for (snd_mixer_elem_t* e : mixer.volumeElements()) {
        const char* name = mixer.alsa().mixer_selem_get_name(e);
        names.push_back(name && *name ? name : "Mixer control " + std::to_string(names.size() + 1));
    }
    return names;
}

bool FakeAuxMixer::GetVolume(int device, uint32_t& volume)
{
    if (readFails || device < 0 || device >= DeviceCount())
        return false;
    volume = volumes[static_cast<size_t>(device)];
    return true;
}

bool FakeAuxMixer::SetVolume(int device, uint32_t volume)
{
    ++setCalls;
    if (device < 0 || device >= DeviceCount())
        return false;
    volumes[static_cast<size_t>(device)] = volume;
    return true;
}

std::vector<std::string> FakeAuxMixer::DeviceNames()
{
    std::vector<std::string> all = AuxMixer::DeviceNames();
    for (size_t i = 0; i < names.size() && i < all.size(); ++i)
        all[i] = names[i];
    return all;
}

namespace {
std::unique_ptr<AuxMixer>& MixerSlot()
{
    static std::unique_ptr<AuxMixer> mixer;
    return mixer;
}
}  // namespace

AuxMixer& CurrentAuxMixer()
{
    if (!MixerSlot())
        MixerSlot() = std::make_unique<AlsaAuxMixer>();
    return *MixerSlot();
}

std::unique_ptr<AuxMixer> SetAuxMixer(std::unique_ptr<AuxMixer> mixer)
{
    std::unique_ptr<AuxMixer> previous = std::move(MixerSlot());
    MixerSlot() = std::move(mixer);
    return previous;
}
