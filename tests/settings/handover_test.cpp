// The messages that carry an action list from a second start to the running
// program, and how a second start finds the running one.

#include "ActionChannel.h"
#include "Actions.h"
#include "HiveFixture.h"
#include "InstanceStart.h"
#include "RuntimeDirectory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <sys/socket.h>
#include <unistd.h>

TEST(HandOver, AListSurvivesTheTripAndAnEmptyOneSaysNothing)
{
    TActionList sent;
    sent.Count = 3;
    sent.Entries[0] = {ActionTunePreset, 42};
    sent.Entries[1] = {ActionVolumeUp, 0};
    sent.Entries[2] = {ActionClose, 0};
    TActionList got;
    ActionReception r;
    ActionReception::Result last = ActionReception::Ignored;
    for (const ActionMessage& m : HandOverMessages(sent))
        last = r.Receive(m.code, m.value, got, PanelActionListCapacity);
    EXPECT_EQ(last, ActionReception::Complete);
    ASSERT_EQ(got.Count, 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(got.Entries[i].Code, sent.Entries[i].Code);
        EXPECT_EQ(got.Entries[i].Value, sent.Entries[i].Value);
    }
    const std::vector<ActionMessage> nothing = HandOverMessages(TActionList{});
    ASSERT_EQ(nothing.size(), 1u);
    EXPECT_EQ(nothing[0].code, HandOverNothing);
    EXPECT_EQ(r.Receive(nothing[0].code, nothing[0].value, got, PanelActionListCapacity), ActionReception::Ignored);
}

TEST(HandOver, ReceptionCompletesOnTheAnnouncedCountAndNeverWritesPastTheList)
{
    TActionList list;
    ActionReception r;
    EXPECT_EQ(r.Receive(HandOverHeader, 2, list, 4), ActionReception::Pending);
    EXPECT_EQ(r.Receive(1, 42, list, 4), ActionReception::Pending);
    EXPECT_EQ(r.Receive(2, 77, list, 4), ActionReception::Complete);
    EXPECT_EQ(list.Count, 2);
    EXPECT_EQ(list.Entries[0].Code, ActionTunePreset);
    EXPECT_EQ(list.Entries[0].Value, 42);
    EXPECT_EQ(list.Entries[1].Code, ActionVolumeUp);
    EXPECT_EQ(list.Entries[1].Value, 0);  // only a preset entry takes its value

    // The header's low byte counts; the rest of the value is ignored.
    EXPECT_EQ(r.Receive(HandOverHeader, 0x101, list, 4), ActionReception::Pending);
    EXPECT_EQ(r.Receive(4, 0, list, 4), ActionReception::Complete);
    EXPECT_EQ(list.Count, 1);

    // More than the list holds: counted to the end, only the first stored.
    TActionList small;
    EXPECT_EQ(r.Receive(HandOverHeader, 127, small, 4), ActionReception::Pending);
    for (int i = 0; i < 126; ++i)
        ASSERT_EQ(r.Receive(5, 0, small, 4), ActionReception::Pending);
    EXPECT_EQ(r.Receive(3, 0, small, 4), ActionReception::Complete);
    EXPECT_EQ(small.Count, 4);

    // Nothing announced, or a negative count: entries are ignored.
    EXPECT_EQ(r.Receive(2, 0, small, 4), ActionReception::Ignored);
    EXPECT_EQ(r.Receive(HandOverHeader, 200, small, 4), ActionReception::Pending);  // -56
    EXPECT_EQ(r.Receive(2, 0, small, 4), ActionReception::Ignored);
    EXPECT_EQ(r.Receive(HandOverNothing, 0, small, 4), ActionReception::Ignored);
    EXPECT_EQ(r.Receive(1000, 0, small, 4), ActionReception::Ignored);
}

TEST(HandOver, TheCompanionsTenEntriesHoldAgainstALargerHeaderAndEntriesWithoutOne)
{
    // What lies after the list in memory must stay as it is.
    struct {
        TActionList list;
        std::array<ActionEntry, 4> after{};
    } received;
    for (ActionEntry& e : received.after)
        e = {ActionWait, -1};
    ActionReception r;
    EXPECT_EQ(r.Receive(HandOverHeader, 12, received.list, ActionListRoom), ActionReception::Pending);
    for (int i = 1; i <= 11; ++i)
        ASSERT_EQ(r.Receive(ActionTunePreset, i, received.list, ActionListRoom), ActionReception::Pending) << i;
    EXPECT_EQ(r.Receive(ActionMute, 0, received.list, ActionListRoom), ActionReception::Complete);
    ASSERT_EQ(received.list.Count, ActionListRoom);
    for (int i = 0; i < ActionListRoom; ++i)
        EXPECT_EQ(received.list.Entries[i].Value, i + 1);
    for (const ActionEntry& e : received.after) {
        EXPECT_EQ(e.Code, ActionWait);
        EXPECT_EQ(e.Value, -1);
    }

    // A capacity beyond the list's room is held to the room.
    EXPECT_EQ(r.Receive(HandOverHeader, 11, received.list, 50), ActionReception::Pending);
    for (int i = 1; i <= 10; ++i)
        r.Receive(ActionVolumeUp, 0, received.list, 50);
    EXPECT_EQ(r.Receive(ActionUnmute, 0, received.list, 50), ActionReception::Complete);
    EXPECT_EQ(received.list.Count, ActionListRoom);
    EXPECT_EQ(received.after[0].Code, ActionWait);

    // Entries with no header before them change nothing, however many come.
    received.list = TActionList{};
    for (int i = 0; i < 20; ++i)
        EXPECT_EQ(r.Receive(ActionTunePreset, 7, received.list, ActionListRoom), ActionReception::Ignored);
    EXPECT_EQ(received.list.Count, 0);
    EXPECT_EQ(received.list.Entries[0].Value, 0);
    EXPECT_EQ(received.after[0].Value, -1);
}

// A second start that comes while the running program has not yet published
// its handle (the store still names the last run's) waits for it instead of
// losing its words; one that finds the running program gone takes its place.
TEST_F(HiveTest, ASecondStartWaitsForTheHandleAndTakesOverFromOneThatEnded)
{
    setenv("XDG_RUNTIME_DIR", folder.c_str(), 1);
    const RuntimeFolder runtime = OpenRuntimeFolder();
    ASSERT_TRUE(runtime.usable()) << runtime.problem;
    auto first = std::make_unique<InstanceLock>();
    ASSERT_EQ(first->Acquire(runtime.path), InstanceLock::Outcome::Acquired);
    TunerSettings.WindowHandle = 999999;  // the last run's, nobody listens there
    ASSERT_TRUE(PublishWindowHandle());
    ActionList.Count = 1;
    ActionList.Entries[0] = {ActionVolumeUp, 0};

    const int32_t running = 4242;
    sockaddr_un address{};
    std::string path;
    ASSERT_TRUE(ActionSocketAddress(runtime.path, running, address, path));
    const int listener = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int pauses = 0;
    struct RestorePause {
        std::function<void(int)> saved = HandOverPause;
        ~RestorePause() { HandOverPause = saved; }
    } restore;
    HandOverPause = [&](int) {
        // The running program's window comes on screen at the second wait.
        if (++pauses != 2)
            return;
        ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        ASSERT_EQ(listen(listener, 1), 0);
        TunerSettings.WindowHandle = running;
        ASSERT_TRUE(PublishWindowHandle());
    };
    InstanceLock second;
    EXPECT_EQ(TakeInstanceOrHandOver(second, "test").outcome, InstanceStart::Outcome::HandedOver);
    EXPECT_EQ(pauses, 2);
    EXPECT_FALSE(second.held());
    const int connection = accept(listener, nullptr, nullptr);
    ASSERT_GE(connection, 0);
    const std::string expected = EncodeActionMessages(HandOverMessages(ActionList));
    std::string got(expected.size() + 1, '\0');
    got.resize(static_cast<size_t>(std::max<ssize_t>(0, read(connection, got.data(), got.size()))));
    EXPECT_EQ(got, expected);
    close(connection);
    close(listener);
    unlink(path.c_str());

    // The running program ends before it answers: the waiting start runs.
    pauses = 0;
    HandOverPause = [&](int) {
        if (++pauses == 3)
            first.reset();
    };
    EXPECT_EQ(TakeInstanceOrHandOver(second, "test").outcome, InstanceStart::Outcome::Run);
    EXPECT_EQ(pauses, 3);
    EXPECT_TRUE(second.held());
}

TEST_F(HiveTest, ASecondStartThatCannotReachTheRunningOneSaysSoAndIsNoHandOver)
{
    // The running program could not publish its handle (a store it cannot
    // write), so nothing leads to it.
    setenv("XDG_RUNTIME_DIR", folder.c_str(), 1);
    const RuntimeFolder runtime = OpenRuntimeFolder();
    ASSERT_TRUE(runtime.usable()) << runtime.problem;
    InstanceLock first;
    ASSERT_EQ(first.Acquire(runtime.path), InstanceLock::Outcome::Acquired);
    ActionList.Count = 1;
    ActionList.Entries[0] = {ActionVolumeUp, 0};
    struct RestorePause {
        std::function<void(int)> saved = HandOverPause;
        ~RestorePause() { HandOverPause = saved; }
    } restore;
    HandOverPause = [](int) {};

    InstanceLock second;
    const InstanceStart start = TakeInstanceOrHandOver(second, "test");
    EXPECT_EQ(start.outcome, InstanceStart::Outcome::NotAnswered) << "the lost words were reported as handed over";
    EXPECT_NE(start.problem.find("not handed over"), std::string::npos) << start.problem;
    EXPECT_FALSE(second.held());
}
