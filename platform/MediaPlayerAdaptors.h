#pragma once
// The two MPRIS 2 interfaces that MediaPlayerService shows on the bus. Each
// property and method is the interface's own name, as QtDBus exports them;
// they only pass on to the service. A radio has no position or rate and
// cannot seek or open a URI: those are the interface's fixed answers.

#include "MediaPlayerService.h"

#include <QDBusAbstractAdaptor>
#include <QDBusObjectPath>
#include <QStringList>

class MediaPlayerRootAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2")
    Q_PROPERTY(bool CanQuit READ CanQuit)
    Q_PROPERTY(bool CanRaise READ CanRaise)
    Q_PROPERTY(bool HasTrackList READ HasTrackList)
    Q_PROPERTY(QString Identity READ Identity)
    Q_PROPERTY(QString DesktopEntry READ DesktopEntry)
    Q_PROPERTY(QStringList SupportedUriSchemes READ SupportedUriSchemes)
    Q_PROPERTY(QStringList SupportedMimeTypes READ SupportedMimeTypes)
public:
    explicit MediaPlayerRootAdaptor(MediaPlayerService* service) : QDBusAbstractAdaptor(service), service_(service) {}

    bool CanQuit() const { return true; }
    bool CanRaise() const { return service_->Hooks().canRaise; }
    bool HasTrackList() const { return false; }
    QString Identity() const { return service_->Hooks().identity; }
    QString DesktopEntry() const { return service_->Hooks().desktopEntry; }
    QStringList SupportedUriSchemes() const { return {}; }
    QStringList SupportedMimeTypes() const { return {}; }

public slots:
    void Raise() { service_->Raise(); }
    void Quit() { service_->Quit(); }

private:
    MediaPlayerService* service_;
};

class MediaPlayerPlayerAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.Player")
    Q_PROPERTY(QString PlaybackStatus READ PlaybackStatus)
    Q_PROPERTY(double Rate READ Rate)
    Q_PROPERTY(double MinimumRate READ Rate)
    Q_PROPERTY(double MaximumRate READ Rate)
    Q_PROPERTY(QVariantMap Metadata READ Metadata)
    Q_PROPERTY(double Volume READ Volume WRITE SetVolume)
    Q_PROPERTY(qlonglong Position READ Position)
    Q_PROPERTY(bool CanGoNext READ CanGoNext)
    Q_PROPERTY(bool CanGoPrevious READ CanGoNext)
    Q_PROPERTY(bool CanPlay READ CanControl)
    Q_PROPERTY(bool CanPause READ CanControl)
    Q_PROPERTY(bool CanSeek READ CanSeek)
    Q_PROPERTY(bool CanControl READ CanControl)
public:
    explicit MediaPlayerPlayerAdaptor(MediaPlayerService* service) : QDBusAbstractAdaptor(service), service_(service)
    {
    }

    QString PlaybackStatus() const { return service_->PlaybackStatus(); }
    double Rate() const { return 1.0; }
    QVariantMap Metadata() const { return service_->Metadata(); }
    double Volume() const { return VolumeMidpoint; }
    void SetVolume(double level) { service_->SetVolume(level); }
    qlonglong Position() const { return 0; }
    bool CanGoNext() const { return service_->Hooks().canGoNext; }
    bool CanSeek() const { return false; }
    bool CanControl() const { return true; }

public slots:
    void Play() { service_->Play(); }
    void Pause() { service_->Pause(); }
    void PlayPause() { service_->PlayPause(); }
    // A radio that stops is a muted one.
    void Stop() { service_->Pause(); }
    void Next() { service_->Next(); }
    void Previous() { service_->Previous(); }
    void Seek(qlonglong) {}
    void SetPosition(const QDBusObjectPath&, qlonglong) {}
    void OpenUri(const QString&) {}

signals:
    void Seeked(qlonglong position);

private:
    MediaPlayerService* service_;
};
