#pragma once
// The running program's end of the action channel: listens on
// <runtime>/<handle>.sock (mode 0600) and hands each 8-byte message to the
// UI thread, in the order it was written. Deliveries never nest: a message
// that arrives while a handler runs (and lets events run) waits until that
// handler has returned, and none is handed on while the program holds the
// channel.

#include "ActionChannel.h"

#include <QObject>
#include <QString>

#include <array>
#include <csignal>
#include <map>
#include <memory>

class QSocketNotifier;

class ActionReceiver : public QObject {
    Q_OBJECT
public:
    explicit ActionReceiver(QObject* parent = nullptr);
    ~ActionReceiver() override;

    // Starts listening for `handle`; a socket file left by a crashed
    // instance is replaced. False when the socket cannot be made.
    bool Listen(const std::string& runtimeDirectory, int32_t handle);
    void Close();
    QString path() const { return path_; }

    // While held (the program carries out actions), messages wait in the
    // queue; the last Resume hands them on from the event loop.
    void Hold();
    void Resume();

signals:
    void received(int32_t code, int32_t value);

private:
    struct Connection {
        int fd = -1;
        QSocketNotifier* notifier = nullptr;
    };
    void acceptConnections();
    void readConnection(ActionInbox::ConnectionId id);
    void dropConnection(ActionInbox::ConnectionId id);
    void scheduleDelivery();
    void deliverPending();
    int listener_ = -1;
    QSocketNotifier* listenerNotifier_ = nullptr;
    std::map<ActionInbox::ConnectionId, Connection> connections_;
    QString path_;
    ActionInbox inbox_;
    ActionInbox::ConnectionId nextConnection_ = 1;
    int holds_ = 0;
    bool delivering_ = false;
};

// Turns SIGTERM, SIGHUP and SIGINT (logout, shutdown, Ctrl+C) into a signal on
// the UI thread. The handler itself only writes one byte to a pipe.
class SessionEndNotifier : public QObject {
    Q_OBJECT
public:
    explicit SessionEndNotifier(QObject* parent = nullptr);
    ~SessionEndNotifier() override;

signals:
    void sessionEnding(int signalNumber);

private:
    static constexpr std::array<int, 3> SessionSignals = {SIGTERM, SIGHUP, SIGINT};
    std::array<struct sigaction, SessionSignals.size()> previous_{};
};
