#pragma once
// Loading and saving TunerSettings under the main key, the published window
// handle, window positions, and the clock text.
//
// Every operation opens the key, reads or writes, and closes it again. A
// stored value of another kind is left out of a load and reported (standard
// error and the system log, once); a store that cannot be read raises
// ERegistryException. Only SaveSettings reports a key it cannot open itself,
// through ShowRegistryWriteError.

#include <cstdint>
#include <functional>
#include <string>

#include "Registry.h"
#include "TunerSettings.h"
#include "ValueNames.h"

inline constexpr const char* MainKey = "SOFTWARE\\Velmar\\Tunzo";

// What a load gives the fields whose values are missing from the main key.
inline constexpr uint16_t AbsentCardPort = 780;  // 0x30C
inline constexpr int32_t AbsentPresetScanDelay = 4;
inline constexpr int8_t AbsentShutdownOptions = 3;
inline constexpr const char* AbsentAlarmWeekdays = "1111100";
inline constexpr const char* AbsentRadioDevice = DefaultRadioDevice;

// The companion (pipit) keeps its own copy of the store with other alarm value
// names, no "Volume", room for ten actions and a lighter preset load. It
// sets this once at start.
enum class TStoreVariant { Tunzo, Companion };
extern TStoreVariant StoreVariant;

// Initial values, stored values, alarm text, band limits, presets. Safe to
// repeat (the front panel calls it again after the setup program).
void InitialiseSettings();
// Reads the main key; only a key that is really missing is made (a busy or
// unreadable store raises instead, and nothing is written).
void LoadSettings();
// Reads the main key into `s` as LoadSettings does (missing values, the
// corrections), but creates nothing and leaves the program's record and its
// save guard alone: for a program that must not write before its user asks.
// A missing key gives what a first start would. Raises as LoadSettings.
void ReadSettings(TTunerSettings& s);
// True when another program has written the store since this program last
// read it (InitialiseSettings, RefreshSettings). Cheap: for asking often.
bool StoreChangedElsewhere();
// Takes in what other programs changed since the last read: the main key's
// values this program has not changed itself (its own changes stay, to be
// saved), and the presets; then the alarm text and band limits. Events are
// LoadEvents'. Raises as LoadSettings.
void RefreshSettings();
// For what goes wrong where nobody asked (a look at the store between the
// user's commands): standard error and the system log, each text once in
// this process.
void ReportStoreProblemOnce(const std::string& text);
// Writes the values this program changed since it last read them, and those
// not stored yet, after taking in what another program changed meanwhile;
// a value it could not read is not written back. After a load that could not read the store at all it
// raises instead: the record then holds initial values, not the user's.
void SaveSettings();
// Hour, minute, preset, active and weekdays, written in three passes (each
// only where changed, as SaveSettings).
void SaveAlarm();

// True when the handle was written; false (silently) when the key did not open.
bool PublishWindowHandle();
int32_t ReadPublishedWindowHandle();  // 0 when the key or value is missing

void SaveWindowPosition(const std::string& windowName, int32_t left, int32_t top);
int32_t LoadWindowLeft(const std::string& windowName);  // 250 when missing
int32_t LoadWindowTop(const std::string& windowName);   // 250 when missing

// The four lines "Error writing to registry", the key path, "Not accessible"
// and the support line, joined by CR (13), go to the hook. The GUI installs a
// message box; until then (and after an empty hook) they go to stderr.
using RegistryWriteErrorHook = std::function<void(const std::string& text)>;
void SetRegistryWriteErrorHook(RegistryWriteErrorHook hook);
std::string RegistryWriteErrorText(const std::string& keyPath);
void ShowRegistryWriteError(const std::string& keyPath);

// Two-digit fields joined by the time separator; fields is 1 to 3.
std::string FormatClockTime(int hour, int minute, int second, int fields, const std::string& separator);
std::string FormatClockTime(int hour, int minute, int second, int fields);  // the system locale's separator
// The separator of a time format such as "HH:mm" or "H.mm"; ":" when it has none.
std::string TimeSeparatorOf(const std::string& timeFormat);
std::string LocaleTimeSeparator();
