#include "MediaPlayerService.h"

#include "MediaPlayerAdaptors.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QStandardPaths>
#include <QTimer>
#include <QUrl>

#include <cmath>
#include <cstring>

namespace {

// MPRIS's own track id for "nothing is playing".
constexpr const char* NoTrackId = "/org/mpris/MediaPlayer2/TrackList/NoTrack";
constexpr const char* PropertiesInterface = "org.freedesktop.DBus.Properties";
constexpr double KilohertzPerMegahertz = 1000.0;

// The hicolor sizes the program icon is installed at, largest first: the art
// is shown large in a sound applet.
constexpr const char* IconSizes[] = {"128x128", "64x64", "48x48", "32x32"};

// How stations (and desktop radio players) join the two in one line of text.
constexpr const char* ArtistTitleSeparator = " - ";

}  // namespace

QString MediaTitle(const MediaStation& station)
{
    // A cleared preset keeps a blank name: that is no name.
    const QString name = station.name.trimmed();
    const QString frequency = station.frequencyText + " MHz";
    return name.isEmpty() ? frequency : name + " " + frequency;
}

bool SplitArtistTitle(const QString& radioText, QString& artist, QString& title)
{
    const qsizetype at = radioText.indexOf(ArtistTitleSeparator);
    if (at < 0)
        return false;
    artist = radioText.left(at).trimmed();
    title = radioText.mid(at + qsizetype(std::strlen(ArtistTitleSeparator))).trimmed();
    return !artist.isEmpty() && !title.isEmpty();
}

QString FindInstalledIconUrl(const QString& programFolder, const QString& icon)
{
    for (const char* size : IconSizes) {
        const QString relative = QString("icons/hicolor/%1/apps/%2.png").arg(size, icon);
        // Beside the program first: an install under a prefix of the user's
        // own is not in the desktop's data folders.
        const QString besideProgram = QDir::cleanPath(programFolder + "/../share/" + relative);
        QString found = QFileInfo(besideProgram).isFile() ? besideProgram : QString();
        if (found.isEmpty())
            found = QStandardPaths::locate(QStandardPaths::GenericDataLocation, relative);
        if (!found.isEmpty())
            return QUrl::fromLocalFile(found).toString();
    }
    return {};
}

MediaPlayerService::MediaPlayerService(MediaPlayerHooks hooks, QString artUrl, QObject* parent)
    : QObject(parent), hooks_(std::move(hooks)), artUrl_(std::move(artUrl))
{
    // Owned by this object, which QtDBus exports through them.
    new MediaPlayerRootAdaptor(this);
    new MediaPlayerPlayerAdaptor(this);
}

bool MediaPlayerService::Register(const QString& program)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface())
        return false;
    if (!bus.registerObject(MediaPlayerObjectPath, this))
        return false;
    // Queued rather than refused: the name of a program of ours that is just
    // ending comes to us as soon as it is gone.
    const QDBusReply<QDBusConnectionInterface::RegisterServiceReply> reply = bus.interface()->registerService(
        MediaPlayerBusNamePrefix + program, QDBusConnectionInterface::QueueService,
        QDBusConnectionInterface::DontAllowReplacement);
    if (!reply.isValid() || reply.value() == QDBusConnectionInterface::ServiceNotRegistered) {
        bus.unregisterObject(MediaPlayerObjectPath);
        return false;
    }
    registered_ = true;
    return true;
}

void MediaPlayerService::ShowPlaying(bool playing)
{
    if (playing == playing_)
        return;
    playing_ = playing;
    Announce({{"PlaybackStatus", PlaybackStatus()}});
}

void MediaPlayerService::ShowStation(const MediaStation& station)
{
    if (station.name == station_.name && station.frequencyText == station_.frequencyText &&
        station.mhz == station_.mhz && station.radioText == station_.radioText)
        return;
    station_ = station;
    Announce({{"Metadata", Metadata()}});
}

QString MediaPlayerService::PlaybackStatus() const
{
    return playing_ ? "Playing" : "Paused";
}

QVariantMap MediaPlayerService::Metadata() const
{
    if (station_.mhz <= 0.0)
        return {{"mpris:trackid", QVariant::fromValue(QDBusObjectPath(NoTrackId))}};
    const auto kHz = static_cast<long long>(std::llround(station_.mhz * KilohertzPerMegahertz));
    QVariantMap metadata{
        {"mpris:trackid", QVariant::fromValue(QDBusObjectPath(StationTrackIdPrefix + QString::number(kHz)))},
        {"xesam:title", MediaTitle(station_)},
    };
    // As desktop radio players show a stream's "Artist - Title": the song
    // takes the title and the station moves to the album, where applets show
    // it under the song. Any other text stands beside the station as its artist.
    QString artist;
    QString title;
    const QString text = station_.radioText.trimmed();
    if (SplitArtistTitle(text, artist, title)) {
        metadata.insert("xesam:artist", QStringList{artist});
        metadata.insert("xesam:title", title);
        metadata.insert("xesam:album", MediaTitle(station_));
    } else if (!text.isEmpty()) {
        metadata.insert("xesam:artist", QStringList{text});
    }
    if (!artUrl_.isEmpty())
        metadata.insert("mpris:artUrl", artUrl_);
    return metadata;
}

void MediaPlayerService::Play() { Later(Command::Play); }
void MediaPlayerService::Pause() { Later(Command::Pause); }
void MediaPlayerService::Next() { Later(Command::Next); }
void MediaPlayerService::Previous() { Later(Command::Previous); }
void MediaPlayerService::Raise() { Later(Command::Raise); }
void MediaPlayerService::Quit() { Later(Command::Quit); }

void MediaPlayerService::PlayPause()
{
    // Toggles what the radio will be once the waiting commands have run.
    bool playing = playing_;
    for (Command c : pending_)
        if (c == Command::Play || c == Command::Pause)
            playing = c == Command::Play;
    Later(playing ? Command::Pause : Command::Play);
}

void MediaPlayerService::SetVolume(double level)
{
    if (level > VolumeMidpoint)
        Later(Command::VolumeUp);
    else if (level < VolumeMidpoint)
        Later(Command::VolumeDown);
}

void MediaPlayerService::Close()
{
    closed_ = true;
    pending_.clear();
}

const std::function<void()>& MediaPlayerService::HookFor(Command command) const
{
    switch (command) {
    case Command::Play:
        return hooks_.play;
    case Command::Pause:
        return hooks_.pause;
    case Command::Next:
        return hooks_.next;
    case Command::Previous:
        return hooks_.previous;
    case Command::VolumeUp:
        return hooks_.volumeUp;
    case Command::VolumeDown:
        return hooks_.volumeDown;
    case Command::Raise:
        return hooks_.raise;
    case Command::Quit:
        break;
    }
    return hooks_.quit;
}

void MediaPlayerService::Later(Command command)
{
    if (closed_ || !HookFor(command))
        return;
    std::erase(pending_, command);
    pending_.push_back(command);
    // The caller has its answer before the card is touched. While a hook
    // runs (a tune lets events run), the loop below picks the command up
    // once that hook has returned: a bus call never runs inside another.
    if (running_ || runScheduled_)
        return;
    runScheduled_ = true;
    QTimer::singleShot(0, this, &MediaPlayerService::RunPending);
}

void MediaPlayerService::RunPending()
{
    runScheduled_ = false;
    if (running_)
        return;
    running_ = true;
    const QPointer<MediaPlayerService> alive(this);
    while (!closed_ && !pending_.empty()) {
        const Command next = pending_.front();
        pending_.erase(pending_.begin());
        // A copy: the hook may end the owner, and this object with it.
        const std::function<void()> hook = HookFor(next);
        hook();
        if (!alive)
            return;  // the owner went with its last command
    }
    running_ = false;
}

void MediaPlayerService::Announce(const QVariantMap& changed)
{
    emit propertiesChanged(MediaPlayerPlayerInterface, changed);
    if (!registered_)
        return;
    QDBusMessage signal = QDBusMessage::createSignal(MediaPlayerObjectPath, PropertiesInterface, "PropertiesChanged");
    signal << QString(MediaPlayerPlayerInterface) << changed << QStringList();
    QDBusConnection::sessionBus().send(signal);
}
