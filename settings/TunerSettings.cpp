#include "TunerSettings.h"

#include "AudioFormat.h"
#include "RecordingName.h"

TTunerSettings TunerSettings;

void AssignInitialValues(TTunerSettings& s)
{
    s.PortNumber = 1;
    s.CardVolume = 4;
    s.Adapter = 1;
    s.CurrentFrequency = 103.3;
    s.TuneStep = 1.0;
    s.FineTuneStep = 0.1;
    s.AlarmHour = 5;
    s.AlarmMinute = 0;
    s.AlarmPreset = 1;
    s.AlarmActive = false;
    s.SnoozeActive = false;
    s.PresetScanDelay = 4;
    s.ShowClock = true;
    s.ShowFrequencySlider = true;
    s.MinimalWindow = false;
    s.AlwaysOnTop = false;
    s.VolumeControl = VolumeOnCard;
    s.RadioDevice = DefaultRadioDevice;
    AssignInitialAudioValues(s);
    s.SnoozeMinutes = 20;
    // February is always 28: the monthly event rule does not know leap years.
    s.MonthLengths = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
}

void AssignInitialAudioValues(TTunerSettings& s)
{
    s.AudioOutput = kDefaultAudioOutput;
    s.AudioInput.clear();
    s.AudioLatency = kDefaultLatencyMs;
    s.PlayThrough = false;
    s.RecordingsFolder.clear();
    s.RecordingFormat = RecordingFormatName(kDefaultRecordingFormat);
}

void SetBandLimits(TTunerSettings& s)
{
    s.BandMinimum = s.WideRange ? 80.0 : 87.0;
    s.BandMaximum = s.WideRange ? 160.0 : 108.0;
}
