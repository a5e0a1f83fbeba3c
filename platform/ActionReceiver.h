#pragma once
// The running program's end of the action channel: listens on
// <runtime>/<handle>.sock (mode 0600) and hands each 8-byte message to the
// UI thread, in the order it was written.

#include "ActionChannel.h"

#include <QLocalServer>
#include <QObject>
#include <QString>

#include <deque>

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

signals:
    void received(int32_t code, int32_t value);

private:
    void acceptConnections();
    void deliverPending();
    QLocalServer server_;
    QString path_;
    std::deque<ActionMessage> pending_;
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
};
