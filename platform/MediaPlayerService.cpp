#include "MediaPlayerService.h"

#include "MediaPlayerAdaptors.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTimer>
#include <QUrl>

#include <cmath>

namespace {

// MPRIS's own track id for "nothing is playing".
constexpr const char* NoTrackId = "/org/mpris/MediaPlayer2/TrackList/NoTrack";
constexpr const char* PropertiesInterface = "org.freedesktop.DBus.Properties";
constexpr double KilohertzPerMegahertz = 1000.0;

// The hicolor sizes the program icon is installed at, largest first: the art
// is shown large in a sound applet.
constexpr const char* IconSizes[] = {"128x128", "64x64", "48x48", "32x32"};

}  // namespace

QString MediaTitle(const MediaStation& station)
{
    // A cleared preset keeps a blank name: that is no name.
    const QString name = station.name.trimmed();
    const QString frequency = station.frequencyText + " MHz";
    return name.isEmpty() ? frequency : name + " " + frequency;
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
        station.mhz == station_.mhz)
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
    if (!artUrl_.isEmpty())
        metadata.insert("mpris:artUrl", artUrl_);
    return metadata;
}

void MediaPlayerService::Play() { Later(hooks_.play); }
void MediaPlayerService::Pause() { Later(hooks_.pause); }
void MediaPlayerService::PlayPause() { Later(playing_ ? hooks_.pause : hooks_.play); }
void MediaPlayerService::Next() { Later(hooks_.next); }
void MediaPlayerService::Previous() { Later(hooks_.previous); }
void MediaPlayerService::Raise() { Later(hooks_.raise); }
void MediaPlayerService::Quit() { Later(hooks_.quit); }

void MediaPlayerService::SetVolume(double level)
{
    if (level > VolumeMidpoint)
        Later(hooks_.volumeUp);
    else if (level < VolumeMidpoint)
        Later(hooks_.volumeDown);
}

void MediaPlayerService::Later(const std::function<void()>& hook)
{
    // The caller has its answer before the card is touched; a tune's waits
    // let events run, and a bus call must not be nested inside another.
    if (hook)
        QTimer::singleShot(0, this, hook);
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
