#include "ActionReceiver.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

ActionReceiver::ActionReceiver(QObject* parent) : QObject(parent) {}

ActionReceiver::~ActionReceiver()
{
    Close();
}

bool ActionReceiver::Listen(const std::string& runtimeDirectory, int32_t handle)
{
    Close();
    // Without a checked private folder there is nowhere safe to listen.
    sockaddr_un address{};
    std::string path;
    if (!ActionSocketAddress(runtimeDirectory, handle, address, path))
        return false;

    // A socket left by a crashed instance with the same handle is replaced;
    // anything else at that name is not ours to remove.
    struct stat st {};
    if (lstat(path.c_str(), &st) == 0 && S_ISSOCK(st.st_mode))
        unlink(path.c_str());
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    // Only this user may connect: the socket is made with no rights for
    // anybody else, rather than narrowed after others could reach it.
    const mode_t oldMask = umask(0177);
    const bool bound = bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    umask(oldMask);
    if (!bound || listen(fd, ActionInbox::MaxConnections) != 0) {
        close(fd);
        return false;
    }
    listener_ = fd;
    path_ = QString::fromStdString(path);
    listenerNotifier_ = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(listenerNotifier_, &QSocketNotifier::activated, this, &ActionReceiver::acceptConnections);
    return true;
}

void ActionReceiver::Close()
{
    while (!connections_.empty())
        dropConnection(connections_.begin()->first);
    if (listener_ < 0)
        return;
    delete listenerNotifier_;
    listenerNotifier_ = nullptr;
    close(listener_);
    listener_ = -1;
    unlink(path_.toLocal8Bit().constData());
}

void ActionReceiver::acceptConnections()
{
    int fd;
    while ((fd = accept4(listener_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC)) >= 0) {
        const ActionInbox::ConnectionId id = nextConnection_++;
        if (!inbox_.Open(id)) {
            close(fd);
            continue;
        }
        auto* notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
        connections_[id] = {fd, notifier};
        connect(notifier, &QSocketNotifier::activated, this, [this, id] { readConnection(id); });
    }
}

void ActionReceiver::readConnection(ActionInbox::ConnectionId id)
{
    const auto it = connections_.find(id);
    if (it == connections_.end())
        return;
    char bytes[ActionInbox::MaxMessagesPerConnection * ActionMessageSize];
    const ssize_t n = read(it->second.fd, bytes, sizeof bytes);
    if (n < 0 && (errno == EAGAIN || errno == EINTR))
        return;
    // The sender has finished (or its connection failed): what it sent
    // whole stays queued.
    const bool keep = n > 0 && inbox_.Receive(id, bytes, static_cast<size_t>(n));
    if (inbox_.Pending() > 0)
        scheduleDelivery();
    if (!keep)
        dropConnection(id);
}

void ActionReceiver::dropConnection(ActionInbox::ConnectionId id)
{
    const auto it = connections_.find(id);
    if (it == connections_.end())
        return;
    // Called from the notifier's own signal: it goes once that has returned.
    it->second.notifier->setEnabled(false);
    it->second.notifier->deleteLater();
    close(it->second.fd);
    connections_.erase(it);
    inbox_.Close(id);
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
