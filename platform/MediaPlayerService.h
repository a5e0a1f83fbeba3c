#pragma once
// The desktop's remote control: tunzo or pipit as an MPRIS 2 media player
// on the session bus, so that media keys, sound applets and playerctl reach
// the radio. This object holds what the bus is shown (playing or muted, the
// station) and hands each command to the owner through MediaPlayerHooks; it
// knows nothing of the card or the windows. The D-Bus adaptors that expose
// it live in MediaPlayerAdaptors.h.

#include <QObject>
#include <QString>
#include <QVariantMap>

#include <functional>
#include <vector>

// The bus names: only one of tunzo and pipit runs at a time, but one may
// still hold its name for a moment while the other starts, so each has its
// own, and the desktop is told which program it is talking to.
inline constexpr const char* MediaPlayerBusNamePrefix = "org.mpris.MediaPlayer2.";
inline constexpr const char* MediaPlayerObjectPath = "/org/mpris/MediaPlayer2";
inline constexpr const char* MediaPlayerRootInterface = "org.mpris.MediaPlayer2";
inline constexpr const char* MediaPlayerPlayerInterface = "org.mpris.MediaPlayer2.Player";
// A station's track id: this prefix and its frequency in kHz.
inline constexpr const char* StationTrackIdPrefix = "/org/velmar/tunzo/station/";

// The radio has no volume that could be read back, only steps: the bus is
// shown this level, and a level set above it is one step up, below it one
// step down.
inline constexpr double VolumeMidpoint = 0.5;

// What the owner does for each command. Every hook runs from the event loop
// after the bus call has been answered, as a click would, so that a tune's
// waits never hold up the caller. An empty hook does nothing. A command
// waits while another one's hook runs; of each command only the latest
// call waits, so a flood of calls costs at most one run of each.
struct MediaPlayerHooks {
    QString identity;      // the player's name, "Tunzo"
    QString desktopEntry;  // the desktop file's base name, "tunzo"
    bool canRaise = false;
    bool canGoNext = false;
    std::function<void()> play;
    std::function<void()> pause;
    std::function<void()> next;
    std::function<void()> previous;
    std::function<void()> volumeUp;
    std::function<void()> volumeDown;
    std::function<void()> raise;
    std::function<void()> quit;
};

// The station as the panel's title shows it.
struct MediaStation {
    QString name;           // the preset's, else the station's RDS name; blank for none
    QString frequencyText;  // "98.6", in the user's locale
    double mhz = 0.0;
    QString radioText;      // what the station sends as its text (often the song), or blank
};

// "Ten FM 98.6 MHz", or "98.6 MHz" without a name.
QString MediaTitle(const MediaStation& station);

// A radio text as "Artist - Title": split at its first " - " when both sides
// hold something. False for any other text.
bool SplitArtistTitle(const QString& radioText, QString& artist, QString& title);

// The program icon as a file URL for the player's art: the PNG installed
// with the program (<programFolder>/../share/icons/hicolor/NxN/apps/<icon>.png,
// largest first), else one in the desktop's data folders. Empty when none is.
QString FindInstalledIconUrl(const QString& programFolder, const QString& icon);

class MediaPlayerService : public QObject {
    Q_OBJECT
public:
    explicit MediaPlayerService(MediaPlayerHooks hooks, QString artUrl = {}, QObject* parent = nullptr);

    // Offers the player on the session bus under MediaPlayerBusNamePrefix +
    // `program`. False, and nothing else happens, without a session bus; a
    // name still held by another program is queued for, and ours once freed.
    bool Register(const QString& program);

    // The owner is ending: what waits is dropped and nothing more is taken,
    // so that no command runs after (or undoes) the owner's last act.
    void Close();

    // The owner tells what changed; the bus is told only of real changes.
    void ShowPlaying(bool playing);
    void ShowStation(const MediaStation& station);

    // ---- what the adaptors read ----
    const MediaPlayerHooks& Hooks() const { return hooks_; }
    bool Playing() const { return playing_; }
    QString PlaybackStatus() const;
    QVariantMap Metadata() const;

    // ---- what the adaptors call ----
    void Play();
    void Pause();
    void PlayPause();
    void Next();
    void Previous();
    void SetVolume(double level);
    void Raise();
    void Quit();

signals:
    // Each change the bus is told of, with the changed properties of
    // `interface`; emitted with or without a bus.
    void propertiesChanged(const QString& interface, const QVariantMap& changed);

private:
    enum class Command { Play, Pause, Next, Previous, VolumeUp, VolumeDown, Raise, Quit };
    const std::function<void()>& HookFor(Command command) const;
    void Later(Command command);
    void RunPending();
    void Announce(const QVariantMap& changed);

    MediaPlayerHooks hooks_;
    // Each command at most once, oldest first: a command called again moves
    // to the end, so the last call made is the last to run.
    std::vector<Command> pending_;
    bool runScheduled_ = false;
    bool running_ = false;
    bool closed_ = false;
    QString artUrl_;
    bool playing_ = false;
    MediaStation station_;
    bool registered_ = false;
};
