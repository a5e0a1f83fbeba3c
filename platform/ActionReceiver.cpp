#include "ActionReceiver.h"

#include <QLocalSocket>
#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

ActionReceiver::ActionReceiver(QObject* parent) : QObject(parent)
{
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&server_, &QLocalServer::newConnection, this, &ActionReceiver::acceptConnections);
}

ActionReceiver::~ActionReceiver()
{
    Close();
}

bool ActionReceiver::Listen(const std::string& runtimeDirectory, int32_t handle)
{
    Close();
    path_ = QString::fromStdString(ActionSocketPath(runtimeDirectory, handle));
    QLocalServer::removeServer(path_);
    return server_.listen(path_);
}

void ActionReceiver::Close()
{
    if (server_.isListening())
        server_.close();  // also removes the socket file
}

void ActionReceiver::acceptConnections()
{
    while (QLocalSocket* socket = server_.nextPendingConnection()) {
        auto buffer = std::make_shared<std::string>();
        connect(socket, &QLocalSocket::readyRead, this, [this, socket, buffer] {
            const QByteArray bytes = socket->readAll();
            buffer->append(bytes.constData(), static_cast<size_t>(bytes.size()));
            for (const ActionMessage& m : DecodeActionMessages(*buffer))
                pending_.push_back(m);
            // Handed on from the event loop, not from inside the socket's
            // signal: the handler lets waiting events run, and one of them
            // may delete this very socket once its sender has gone.
            if (!pending_.empty())
                QMetaObject::invokeMethod(this, &ActionReceiver::deliverPending, Qt::QueuedConnection);
        });
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    }
}

void ActionReceiver::deliverPending()
{
    // A handler that lets events run may come back here before it returns;
    // taking one message at a time keeps them in the order they came.
    while (!pending_.empty()) {
        const ActionMessage m = pending_.front();
        pending_.pop_front();
        emit received(m.code, m.value);
    }
}

namespace {
int signalPipe[2] = {-1, -1};

void OnSessionSignal(int signalNumber)
{
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    // Only async-signal-safe work here; the rest runs on the UI thread.
    [[maybe_unused]] ssize_t n = write(signalPipe[1], &byte, 1);
}
}  // namespace

SessionEndNotifier::SessionEndNotifier(QObject* parent) : QObject(parent)
{
    if (signalPipe[0] < 0 && pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, [this] {
        unsigned char byte = 0;
        while (read(signalPipe[0], &byte, 1) == 1)
            emit sessionEnding(byte);
    });
    struct sigaction action {};
    action.sa_handler = OnSessionSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int s : {SIGTERM, SIGHUP, SIGINT})
        sigaction(s, &action, nullptr);
}

SessionEndNotifier::~SessionEndNotifier()
{
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    for (int s : {SIGTERM, SIGHUP, SIGINT})
        sigaction(s, &action, nullptr);
}
