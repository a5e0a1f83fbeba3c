#pragma once
// How a second start hands its action words to the running program: the
// running one listens on <runtime>/<handle>.sock, where <handle> is the
// process id it published as "Window handle"; each message is 8 bytes, the
// 32-bit wParam then the 32-bit lParam, little-endian.

#include <cstdint>
#include <string>
#include <vector>

struct ActionMessage {
    int32_t code = 0;   // wParam
    int32_t value = 0;  // lParam
    bool operator==(const ActionMessage&) const = default;
};

std::string ActionSocketPath(const std::string& runtimeDirectory, int32_t handle);

// Sends the messages in order over one connection. False when nobody listens
// there (a stale handle): the messages are then lost, as designed.
bool PostActionMessages(const std::string& runtimeDirectory, int32_t handle,
                        const std::vector<ActionMessage>& messages);

// 8 bytes per message, and back; a trailing partial message stays in `buffer`.
std::string EncodeActionMessages(const std::vector<ActionMessage>& messages);
std::vector<ActionMessage> DecodeActionMessages(std::string& buffer);
