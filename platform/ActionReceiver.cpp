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
    // Without a checked private folder there is nowhere safe to listen.
    if (runtimeDirectory.empty())
        return false;
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
        const ActionInbox::ConnectionId id = nextConnection_++;
        connect(socket, &QLocalSocket::disconnected, this, [this, id] { inbox_.Close(id); });
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        if (!inbox_.Open(id)) {
            socket->abort();
            continue;
        }
        connect(socket, &QLocalSocket::readyRead, this, [this, socket, id] { readConnection(socket, id); });
        // Bytes may have come with the connection itself.
        if (socket->bytesAvailable() > 0)
            readConnection(socket, id);
    }
}

void ActionReceiver::readConnection(QLocalSocket* socket, ActionInbox::ConnectionId id)
{
    const QByteArray bytes = socket->readAll();
    const bool keep = inbox_.Receive(id, bytes.constData(), static_cast<size_t>(bytes.size()));
    if (inbox_.Pending() > 0)
        scheduleDelivery();
    if (!keep)
        socket->abort();
}

void ActionReceiver::scheduleDelivery()
{
    // Handed on from the event loop, not from inside the socket's signal:
    // the handler lets waiting events run, and one of them may delete this
    // very socket once its sender has gone.
    QMetaObject::invokeMethod(this, &ActionReceiver::deliverPending, Qt::QueuedConnection);
}

void ActionReceiver::Hold()
{
    ++holds_;
}

void ActionReceiver::Resume()
{
    if (holds_ > 0 && --holds_ == 0 && inbox_.Pending() > 0)
        scheduleDelivery();
}

void ActionReceiver::deliverPending()
{
    // The handler lets events run; a delivery asked for from in there would
    // run the next handler inside this one, and a stream of messages would
    // nest without end. The loop below picks those messages up instead.
    if (delivering_ || holds_ > 0)
        return;
    delivering_ = true;
    while (holds_ == 0) {
        const std::optional<ActionMessage> m = inbox_.Next();
        if (!m)
            break;
        emit received(m->code, m->value);
    }
    delivering_ = false;
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
    for (size_t i = 0; i < SessionSignals.size(); ++i) {
        sigaction(SessionSignals[i], nullptr, &previous_[i]);
        // A signal ignored when the program started stays ignored: that is
        // how "nohup tunzo &" keeps the radio on when the terminal closes.
        if (previous_[i].sa_handler != SIG_IGN)
            sigaction(SessionSignals[i], &action, nullptr);
    }
}

SessionEndNotifier::~SessionEndNotifier()
{
    for (size_t i = 0; i < SessionSignals.size(); ++i)
        sigaction(SessionSignals[i], &previous_[i], nullptr);
}
