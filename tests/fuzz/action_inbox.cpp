// The running program's side of the action channel over hostile byte streams:
// connections open, send their bytes in chunks of any size, and close, in an
// order the input chooses; the program takes the queued messages now and
// then, and each goes into an ActionReception that fills a list of tunzo's
// capacity and one of the companion's.
//
// Checked all the way: the bounds of the inbox (connections, messages per
// connection, queue), that a connection that is kept has all its complete
// messages queued, that the messages come out unchanged and in order, and
// that a reception writes only inside its list's capacity and completes
// with the entries its header announced.

#include "FuzzSupport.h"

#include "ActionChannel.h"
#include "Actions.h"
#include "Actions.h"
#include "SettingsStore.h"

#include <array>
#include <optional>
#include <deque>
#include <vector>

namespace {

// The connection ids the input chooses between: more than the inbox admits.
constexpr int Slots = ActionInbox::MaxConnections + 2;
// Read sizes up to a few times what a connection may send, so that a read
// can cross the per-connection limit in one go.
constexpr size_t LargestRead = 4 * ActionInbox::MaxMessagesPerConnection * ActionMessageSize;
// Messages the program takes at one go, at most.
constexpr int LargestTake = 20;
// The codes of the hand-over: a header announces the entries; a start
// without actions sends the code that is ignored.
constexpr int32_t HeaderCode = 100;
constexpr int32_t FirstIgnoredCode = 999;

enum class Step { Open, Send, Close, Take };

// The model of one connection: every byte it sent, and how many of its
// messages the inbox queued.
struct Connection {
    bool open = false;
    ActionInbox::ConnectionId id = 0;
    std::string sent;
    size_t queued = 0;
};

// A list with guards on both sides and a marker in every entry, so that a
// write outside the entries a reception may fill is seen.
struct GuardedList {
    static constexpr uint8_t Guard = 0xA5;
    std::array<uint8_t, 32> before;
    TActionList list;
    std::array<uint8_t, 32> after;

    static constexpr ActionEntry Untouched{ActionWait, 0x5A5A5A5A};

    GuardedList()
    {
        before.fill(Guard);
        after.fill(Guard);
        list.Entries.fill(Untouched);
    }

    bool GuardsIntact() const
    {
        for (size_t i = 0; i < before.size(); ++i)
            if (before[i] != Guard || after[i] != Guard)
                return false;
        return true;
    }
};

// One program's reception, with a model of what it must do: entries since
// the last header, and the count that header announced (its low byte).
class CheckedReception {
public:
    explicit CheckedReception(int capacity) : capacity_(capacity) {}

    void Receive(const ActionMessage& m)
    {
        const ActionReception::Result result = reception_.Receive(m.code, m.value, guarded_.list, capacity_);
        FUZZ_CHECK(guarded_.GuardsIntact());
        FUZZ_CHECK(guarded_.list.Count >= 0 && guarded_.list.Count <= capacity_);
        for (int k = capacity_ + 1; k <= ActionListRoom; ++k) {
            const ActionEntry& e = guarded_.list.Entries[static_cast<size_t>(k - 1)];
            FUZZ_CHECK(e.Code == GuardedList::Untouched.Code && e.Value == GuardedList::Untouched.Value);
        }
        FUZZ_CHECK(result == Expect(m));
        if (result == ActionReception::Complete)
            CheckCompletedList();
    }

private:
    ActionReception::Result Expect(const ActionMessage& m)
    {
        if (m.code == HeaderCode) {
            announced_ = static_cast<int8_t>(m.value & 0xFF);
            entries_.clear();
            return ActionReception::Pending;
        }
        if (m.code >= FirstIgnoredCode || announced_ <= 0)
            return ActionReception::Ignored;
        entries_.push_back(m);
        return static_cast<int>(entries_.size()) == announced_ ? ActionReception::Complete
                                                               : ActionReception::Pending;
    }

    void CheckCompletedList()
    {
        const int stored = announced_ < capacity_ ? announced_ : capacity_;
        FUZZ_CHECK(guarded_.list.Count == stored);
        for (int k = 1; k <= stored; ++k) {
            const ActionEntry& e = guarded_.list.Entries[static_cast<size_t>(k - 1)];
            const ActionMessage& m = entries_[static_cast<size_t>(k - 1)];
            FUZZ_CHECK(e.Code == m.code);
            if (m.code == ActionTunePreset)
                FUZZ_CHECK(e.Value == m.value);
        }
        announced_ = 0;
        entries_.clear();
    }

    int capacity_;
    ActionReception reception_;
    GuardedList guarded_;
    int8_t announced_ = 0;
    std::vector<ActionMessage> entries_;
};

class Scenario {
public:
    Scenario() : tunzo_(TunzoCapacity()), companion_(ActionListRoom) {}

    void Run(FuzzInput& in)
    {
        while (!in.Empty()) {
            const Step step = static_cast<Step>(in.Byte() % 4);
            const int slot = in.Byte() % Slots;
            switch (step) {
            case Step::Open:
                Open(slot);
                break;
            case Step::Send: {
                const uint8_t size = in.Byte();
                Send(slot, in.Bytes(size == 0xFF ? LargestRead : size));
                break;
            }
            case Step::Close:
                Close(slot);
                break;
            case Step::Take:
                Take(in.Byte() % (LargestTake + 1));
                break;
            }
            CheckBounds();
        }
        Take(static_cast<int>(ActionInbox::MaxPendingMessages));
        FUZZ_CHECK(inbox_.Pending() == 0 && !inbox_.Next());
    }

private:
    static int TunzoCapacity()
    {
        StoreVariant = TStoreVariant::Tunzo;
        return ActionListCapacity();
    }

    int OpenCount() const
    {
        int n = 0;
        for (const Connection& c : connections_)
            n += c.open ? 1 : 0;
        return n;
    }

    // As the receiver does: a fresh id for every connection.
    void Open(int slot)
    {
        Connection& c = connections_[static_cast<size_t>(slot)];
        if (c.open)
            return;
        const bool room = OpenCount() < ActionInbox::MaxConnections;
        c.id = nextId_++;
        FUZZ_CHECK(inbox_.Open(c.id) == room);
        if (room)
            c = Connection{true, c.id, {}, 0};
    }

    void Send(int slot, const std::string& bytes)
    {
        Connection& c = connections_[static_cast<size_t>(slot)];
        const size_t pendingBefore = inbox_.Pending();
        // A slot that is not open sends to an id the inbox no longer has
        // (or never had): nothing may come of it.
        if (!c.open) {
            FUZZ_CHECK(!inbox_.Receive(c.id, bytes.data(), bytes.size()));
            FUZZ_CHECK(inbox_.Pending() == pendingBefore);
            return;
        }
        const bool keep = inbox_.Receive(c.id, bytes.data(), bytes.size());
        FUZZ_CHECK(inbox_.Pending() >= pendingBefore);
        const size_t added = inbox_.Pending() - pendingBefore;
        c.sent += bytes;
        FUZZ_CHECK((c.queued + added) * ActionMessageSize <= c.sent.size());
        for (size_t i = 0; i < added; ++i) {
            std::string one = c.sent.substr((c.queued + i) * ActionMessageSize, ActionMessageSize);
            const std::vector<ActionMessage> decoded = DecodeActionMessages(one);
            FUZZ_CHECK(decoded.size() == 1);
            queue_.push_back(decoded.front());
        }
        c.queued += added;
        FUZZ_CHECK(c.queued <= static_cast<size_t>(ActionInbox::MaxMessagesPerConnection));
        if (keep) {
            // Nothing of a kept connection is dropped on the way.
            FUZZ_CHECK(c.queued == c.sent.size() / ActionMessageSize);
            return;
        }
        // The receiver cuts a connection that the inbox refuses.
        Close(slot);
    }

    void Close(int slot)
    {
        Connection& c = connections_[static_cast<size_t>(slot)];
        const size_t pendingBefore = inbox_.Pending();
        inbox_.Close(c.id);
        c.open = false;
        // Its complete messages stay queued.
        FUZZ_CHECK(inbox_.Pending() == pendingBefore);
    }

    void Take(int count)
    {
        for (int i = 0; i < count; ++i) {
            const std::optional<ActionMessage> m = inbox_.Next();
            FUZZ_CHECK(m.has_value() == !queue_.empty());
            if (!m)
                return;
            FUZZ_CHECK(*m == queue_.front());
            queue_.pop_front();
            tunzo_.Receive(*m);
            companion_.Receive(*m);
        }
    }

    void CheckBounds()
    {
        FUZZ_CHECK(inbox_.Pending() <= ActionInbox::MaxPendingMessages);
        FUZZ_CHECK(inbox_.Pending() == queue_.size());
        FUZZ_CHECK(inbox_.OpenConnections() == OpenCount());
        FUZZ_CHECK(inbox_.OpenConnections() <= ActionInbox::MaxConnections);
    }

    ActionInbox inbox_;
    std::array<Connection, Slots> connections_{};
    ActionInbox::ConnectionId nextId_ = 1;
    std::deque<ActionMessage> queue_;  // what the inbox must hand out, in order
    CheckedReception tunzo_;
    CheckedReception companion_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzInput in(data, size);
    Scenario scenario;
    scenario.Run(in);
    return 0;
}
