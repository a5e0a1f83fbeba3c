#include "ActionChannel.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sys/socket.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

std::string ActionSocketPath(const std::string& runtimeDirectory, int32_t handle)
{
    return runtimeDirectory + "/" + std::to_string(handle) + ".sock";
}

bool ActionSocketAddress(const std::string& runtimeDirectory, int32_t handle, sockaddr_un& address,
                         std::string& path)
{
    path = ActionSocketPath(runtimeDirectory, handle);
    if (runtimeDirectory.empty() || handle <= 0 || path.size() >= sizeof address.sun_path)
        return false;
    address = sockaddr_un{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return true;
}

std::string EncodeActionMessages(const std::vector<ActionMessage>& messages)
{
    std::string bytes;
    for (const ActionMessage& m : messages)
        for (int32_t word : {m.code, m.value}) {
            const uint32_t u = static_cast<uint32_t>(word);
            for (int shift = 0; shift < 32; shift += 8)
                bytes.push_back(static_cast<char>((u >> shift) & 0xFF));
        }
    return bytes;
}

std::vector<ActionMessage> DecodeActionMessages(std::string& buffer)
{
    auto word = [&](size_t at) {
        uint32_t u = 0;
        for (int i = 0; i < 4; ++i)
            u |= static_cast<uint32_t>(static_cast<uint8_t>(buffer[at + i])) << (8 * i);
        return static_cast<int32_t>(u);
    };
    std::vector<ActionMessage> messages;
    size_t at = 0;
    for (; at + ActionMessageSize <= buffer.size(); at += ActionMessageSize)
        messages.push_back({word(at), word(at + 4)});
    buffer.erase(0, at);
    return messages;
}

namespace {

// The running program reads a connection to its end and then closes it; one
// that is ending closes its socket before it has read, and the kernel resets
// a connection that was never read. Only that reset says the words were lost:
// a program too busy to answer within the limit has them queued, as a
// window's message queue would.
bool WordsTaken(int fd)
{
    timeval limit{HandOverAnswerLimitMs / 1000, (HandOverAnswerLimitMs % 1000) * 1000};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    if (shutdown(fd, SHUT_WR) != 0)
        return false;
    for (;;) {
        char byte = 0;
        const ssize_t n = recv(fd, &byte, 1, 0);
        if (n == 0)
            return true;
        if (n > 0 || errno == EINTR)
            continue;  // nothing is ever sent back; a stray byte is no answer
        return errno == EAGAIN || errno == EWOULDBLOCK;
    }
}

}  // namespace

bool PostActionMessages(const std::string& runtimeDirectory, int32_t handle,
                        const std::vector<ActionMessage>& messages)
{
    sockaddr_un address{};
    std::string path;
    if (!ActionSocketAddress(runtimeDirectory, handle, address, path))
        return false;

    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    // A running program that hangs must not hang the second start with it.
    timeval limit{2, 0};
    setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
    bool sent = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    const std::string bytes = EncodeActionMessages(messages);
    for (size_t done = 0; sent && done < bytes.size();) {
        const ssize_t n = send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            sent = false;
        else
            done += static_cast<size_t>(n);
    }
    sent = sent && WordsTaken(fd);
    close(fd);
    return sent;
}

bool ActionInbox::Open(ConnectionId connection)
{
    if (OpenConnections() >= MaxConnections)
        return false;
    connections_[connection] = Connection{};
    return true;
}

bool ActionInbox::Receive(ConnectionId connection, const char* bytes, size_t size)
{
    const auto it = connections_.find(connection);
    if (it == connections_.end())
        return false;
    Connection& c = it->second;
    // What this connection may still send, so that a huge read buffers no
    // more than the limit.
    const size_t allowance =
        static_cast<size_t>(MaxMessagesPerConnection - c.accepted) * ActionMessageSize - c.partial.size();
    const size_t taken = std::min(size, allowance);
    c.partial.append(bytes, taken);
    for (const ActionMessage& m : DecodeActionMessages(c.partial)) {
        if (queue_.size() >= MaxPendingMessages)
            return false;
        queue_.push_back(m);
        ++c.accepted;
    }
    return taken == size;
}

void ActionInbox::Close(ConnectionId connection)
{
    connections_.erase(connection);
}

std::optional<ActionMessage> ActionInbox::Next()
{
    if (queue_.empty())
        return std::nullopt;
    const ActionMessage m = queue_.front();
    queue_.pop_front();
    return m;
}
