#pragma once
// How a second start hands its action words to the running program: the
// running one listens on <runtime>/<handle>.sock, where <handle> is the
// process id it published as "Window handle"; each message is 8 bytes, the
// 32-bit wParam then the 32-bit lParam, little-endian.

#include <sys/un.h>

#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <vector>

inline constexpr size_t ActionMessageSize = 8;

struct ActionMessage {
    int32_t code = 0;   // wParam
    int32_t value = 0;  // lParam
    bool operator==(const ActionMessage&) const = default;
};

std::string ActionSocketPath(const std::string& runtimeDirectory, int32_t handle);

// The socket address of `handle`'s channel; false when there is no checked
// runtime folder, no valid handle, or the path is too long for a socket.
bool ActionSocketAddress(const std::string& runtimeDirectory, int32_t handle, sockaddr_un& address,
                         std::string& path);

// How long a second start waits for the running program to have read its
// words, before it takes them as queued there.
inline constexpr int HandOverAnswerLimitMs = 1000;

// Sends the messages in order over one connection and waits until the
// running program has read them. False when nobody listens there (a stale
// handle, or the running program's not yet published), or when the program
// closed the channel without reading them because it is ending.
bool PostActionMessages(const std::string& runtimeDirectory, int32_t handle,
                        const std::vector<ActionMessage>& messages);

// 8 bytes per message, and back; a trailing partial message stays in `buffer`.
std::string EncodeActionMessages(const std::vector<ActionMessage>& messages);
std::vector<ActionMessage> DecodeActionMessages(std::string& buffer);

// What the running program takes in from the second starts that write to it.
// Each connection's bytes are cut into messages in the order they came; the
// messages of all connections wait in one queue until the program asks for
// them. A second start sends a header and at most ten entries, so anything
// much beyond that is not a second start: such a connection is cut off, as is
// a connection beyond the few that a burst of starts opens at once, and
// nothing is queued past a fixed bound. A flood therefore costs the running
// program a bounded amount of memory and never more than its share of time.
class ActionInbox {
public:
    static constexpr int MaxConnections = 8;
    // A header and ten entries, with room to spare.
    static constexpr int MaxMessagesPerConnection = 16;
    static constexpr size_t MaxPendingMessages = 64;

    using ConnectionId = uint64_t;

    // A new connection; false when too many are open (the caller drops it).
    bool Open(ConnectionId connection);
    // The connection's next bytes. False when it has sent more than a second
    // start ever does, or the queue is full: the caller drops the connection,
    // and its messages past the limit are not queued.
    bool Receive(ConnectionId connection, const char* bytes, size_t size);
    // The connection has ended; its complete messages stay queued.
    void Close(ConnectionId connection);

    std::optional<ActionMessage> Next();
    size_t Pending() const { return queue_.size(); }
    int OpenConnections() const { return static_cast<int>(connections_.size()); }

private:
    struct Connection {
        std::string partial;  // the start of a message cut between two reads
        int accepted = 0;
    };
    std::map<ConnectionId, Connection> connections_;
    std::deque<ActionMessage> queue_;
};
