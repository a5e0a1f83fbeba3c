// The desktop's remote control: media keys, sound applets and playerctl
// reach the panel over the session bus. Each command does what its key or
// button on the panel does; the bus is told of the station whenever the title
// changes, and of the mute state whenever the mute indicator does.

#include "MainForm.h"

#include "Frequency.h"
#include "MediaPlayerService.h"
#include "Presets.h"
#include "RadioDriver.h"
#include "Tuning.h"

#include <QCoreApplication>

namespace {
// The program's name on the bus and its icon and desktop file.
constexpr const char* MediaProgramName = "tunzo";
}  // namespace

void TMainForm::StartMediaControl()
{
    if (mediaPlayer || ending_)
        return;
    MediaPlayerHooks hooks;
    hooks.identity = "Tunzo";
    hooks.desktopEntry = MediaProgramName;
    hooks.canRaise = true;
    hooks.canGoNext = true;
    hooks.play = [] { RadioDriver::Unmute(); };
    hooks.pause = [this] {
        RadioDriver::Mute();
        RefreshMuteIndicator();
    };
    // As Page Up and Page Down: the next stored preset.
    hooks.next = [this] { NextPreset(); };
    hooks.previous = [this] { PreviousPreset(); };
    hooks.volumeUp = [this] {
        VolumeUp1Click();
        ShowMuteStateOnBus();
    };
    hooks.volumeDown = [this] {
        VolumeDown1Click();
        ShowMuteStateOnBus();
    };
    hooks.raise = [this] { sp_restoreClick(); };
    hooks.quit = [this] { LeaveProgram(); };
    const QString art = FindInstalledIconUrl(QCoreApplication::applicationDirPath(), MediaProgramName);
    auto* service = new MediaPlayerService(std::move(hooks), art, this);
    if (!service->Register(MediaProgramName)) {
        delete service;
        return;
    }
    mediaPlayer = service;
    ShowMuteStateOnBus();
    ShowStationOnBus();
}

void TMainForm::ShowMuteStateOnBus()
{
    if (mediaPlayer)
        mediaPlayer->ShowPlaying(RadioDriver::SoundOn);
}

void TMainForm::ShowStationOnBus()
{
    if (!mediaPlayer)
        return;
    // The station the title names: the chosen preset while it is still the
    // frequency that plays, else the first preset stored at that frequency.
    const double mhz = TunerSettings.CurrentFrequency;
    const std::string text = FrequencyText(mhz);
    int n = CurrentPresetNumber;
    if (n < 1 || n > PresetCount || FrequencyText(Presets[static_cast<size_t>(n - 1)].Frequency) != text)
        n = RecognisedPreset(mhz);
    MediaStation station;
    station.mhz = mhz;
    station.frequencyText = FrequencyTextQ(mhz);
    if (n > 0)
        station.name = QString::fromStdString(Presets[static_cast<size_t>(n - 1)].StationName);
    // A preset's name with only blanks (a cleared one) is no name either.
    if (station.name.trimmed().isEmpty())
        station.name = RdsStationName();
    station.radioText = RdsRadioText();
    mediaPlayer->ShowStation(station);
}
