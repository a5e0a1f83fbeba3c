// The desktop's remote control for pipit: media keys, sound applets and
// playerctl reach it over the session bus, each command doing what its menu
// item does. pipit has no window to raise; Quit is "Exit Pipit", and the
// radio plays on.

#include "FmHiddenForm.h"

#include "CompanionDriver.h"
#include "Frequency.h"
#include "MediaPlayerService.h"
#include "PresetOrder.h"
#include "Presets.h"
#include "RadioDriver.h"
#include "Tuning.h"

#include <QLocale>

namespace {
// The program's name on the bus. The icon and the player's art are tunzo's.
constexpr const char* MediaProgramName = "pipit";
constexpr const char* MediaIconName = "tunzo";
}  // namespace

void TFmHiddenForm::StartMediaControl()
{
    if (mediaPlayer || ending_)
        return;
    MediaPlayerHooks hooks;
    hooks.identity = "Pipit";
    hooks.desktopEntry = MediaProgramName;
    hooks.canGoNext = true;
    hooks.play = [this] { UnmuteWithIcon(); };
    hooks.pause = [this] { MuteWithIcon(); };
    hooks.next = [this] { ChooseNextPreset(true); };
    hooks.previous = [this] { ChooseNextPreset(false); };
    hooks.volumeUp = [this] {
        VolumeStep(CompanionVolumeUpStep);
        ShowMuteStateOnBus();
    };
    hooks.volumeDown = [this] {
        VolumeStep(CompanionVolumeDownStep);
        ShowMuteStateOnBus();
    };
    hooks.quit = [this] { Close(); };
    const QString art = FindInstalledIconUrl(QCoreApplication::applicationDirPath(), MediaIconName);
    auto* service = new MediaPlayerService(std::move(hooks), art, this);
    if (!service->Register(MediaProgramName)) {
        delete service;
        return;
    }
    mediaPlayer = service;
    ShowMuteStateOnBus();
    ShowStationOnBus();
}

void TFmHiddenForm::ChooseNextPreset(bool up)
{
    // As the panel's page keys: the next stored preset from the one chosen
    // last, or from the first when none is.
    const int n = NextUsablePreset(CurrentPreset, up);
    if (n != 0)
        ChoosePreset(n);
}

void TFmHiddenForm::ShowMuteStateOnBus()
{
    if (mediaPlayer)
        mediaPlayer->ShowPlaying(RadioDriver::SoundOn);
}

void TFmHiddenForm::ShowStationOnBus()
{
    if (!mediaPlayer)
        return;
    const double mhz = TunerSettings.CurrentFrequency;
    const int n = CurrentPreset > 0 ? CurrentPreset : RecognisedPreset(mhz);
    MediaStation station;
    station.mhz = mhz;
    station.frequencyText = QString::fromStdString(FrequencyText(mhz, QLocale().decimalPoint().toStdString()));
    if (n > 0)
        station.name = QString::fromStdString(Presets[static_cast<size_t>(n - 1)].StationName);
    mediaPlayer->ShowStation(station);
}
