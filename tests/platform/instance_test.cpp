// Single instance and hand-over: the lock, the 8-byte messages, and the
// receiver on a real socket, fed by another process.

#include "ActionReceiver.h"
#include "InstanceLock.h"

#include <QCoreApplication>
#include <QTest>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <future>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

using ::testing::ElementsAre;

namespace {

// A private folder for one test, removed with everything in it at the end.
struct TempDir {
    TempDir()
    {
        char path[] = "/tmp/tunzo-inst-XXXXXX";
        dir = mkdtemp(path);
    }
    ~TempDir() { std::filesystem::remove_all(dir); }
    operator const std::string&() const { return dir; }
    std::string dir;
};

// A second start waits until the running program has read its words, which
// it does from its event loop: the start posts from another thread while
// this one's loop runs.
bool PostWhileTheLoopRuns(const std::string& dir, int32_t handle, const std::vector<ActionMessage>& messages)
{
    auto posted = std::async(std::launch::async, [&] { return PostActionMessages(dir, handle, messages); });
    const bool answered =
        QTest::qWaitFor([&] { return posted.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }, 5000);
    return answered && posted.get();
}

}  // namespace

TEST(InstanceLockTest, SecondHolderIsRefusedUntilTheFirstReleasesOrDies)
{
    const TempDir dir;
    using Outcome = InstanceLock::Outcome;
    InstanceLock first, second;
    EXPECT_EQ(first.Acquire(dir), Outcome::Acquired);
    EXPECT_EQ(second.Acquire(dir), Outcome::HeldByAnother);
    first.Release();
    EXPECT_EQ(second.Acquire(dir), Outcome::Acquired);
    second.Release();

    // A holder killed outright leaves nothing behind that blocks the next start.
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t child = fork();
    if (child == 0) {
        InstanceLock lock;
        char ok = lock.Acquire(dir) == Outcome::Acquired ? 'y' : 'n';
        [[maybe_unused]] ssize_t n = write(ready[1], &ok, 1);
        pause();
        _exit(0);
    }
    char ok = 0;
    ASSERT_EQ(read(ready[0], &ok, 1), 1);
    EXPECT_EQ(ok, 'y');
    EXPECT_EQ(first.Acquire(dir), Outcome::HeldByAnother);
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    EXPECT_EQ(first.Acquire(dir), Outcome::Acquired);
}

TEST(ActionChannelTest, MessagesAreEightLittleEndianBytesInOrder)
{
    const std::vector<ActionMessage> messages = {{100, 2}, {2, 0}, {4, 0}, {-1, 0x7FFFFFFF}};
    std::string bytes = EncodeActionMessages(messages);
    ASSERT_EQ(bytes.size(), 32u);
    EXPECT_EQ(bytes.substr(0, 8), std::string("\x64\0\0\0\x02\0\0\0", 8));
    EXPECT_EQ(bytes.substr(24, 8), std::string("\xff\xff\xff\xff\xff\xff\xff\x7f", 8));

    bytes += "\x01\x02\x03";  // a partial message waits for the rest
    EXPECT_EQ(DecodeActionMessages(bytes), messages);
    EXPECT_EQ(bytes, "\x01\x02\x03");
}

TEST(ActionChannelTest, NobodyListeningLosesTheMessages)
{
    const TempDir dir;
    EXPECT_FALSE(PostActionMessages(dir, 424242, {{999, 0}}));
    EXPECT_FALSE(PostActionMessages(dir, 0, {{999, 0}}));
}

TEST(ActionChannelTest, WordsThrownAwayUnreadAreNotHandedOver)
{
    // A program that is ending closes its channel without reading what came:
    // the start that sent it must know, to run itself instead.
    const TempDir dir;
    sockaddr_un address{};
    std::string path;
    ASSERT_TRUE(ActionSocketAddress(dir, 4320, address, path));
    const int listener = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(listen(listener, 1), 0);
    const pid_t child = fork();
    if (child == 0)
        _exit(PostActionMessages(dir, 4320, {{100, 1}, {0, 0}}) ? 0 : 1);
    const int connection = accept(listener, nullptr, nullptr);
    ASSERT_GE(connection, 0);
    pollfd words{connection, POLLIN, 0};
    ASSERT_EQ(poll(&words, 1, 5000), 1) << "the words never came";
    close(connection);  // unread
    close(listener);
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_EQ(WEXITSTATUS(status), 1) << "words nobody read were taken for handed over";
}

TEST(ActionReceiverTest, HandsMessagesFromAnotherProcessToTheEventLoopInOrder)
{
    const TempDir dir;
    ActionReceiver receiver;
    ASSERT_TRUE(receiver.Listen(dir, 4321));
    std::vector<ActionMessage> got;
    QObject::connect(&receiver, &ActionReceiver::received,
                     [&](int32_t code, int32_t value) { got.push_back({code, value}); });

    const pid_t child = fork();
    if (child == 0)
        _exit(PostActionMessages(dir, 4321, {{100, 2}, {2, 0}, {4, 0}}) ? 0 : 1);
    int status = 0;
    while (waitpid(child, &status, WNOHANG) == 0)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return got.size() == 3; }, 5000));
    EXPECT_THAT(got, ElementsAre(ActionMessage{100, 2}, ActionMessage{2, 0}, ActionMessage{4, 0}));

    // Only its user may talk to it.
    struct stat st {};
    ASSERT_EQ(stat(receiver.path().toLocal8Bit().constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0077, 0u);

    // A socket left by a crashed instance with the same handle is taken over.
    receiver.Close();
    ActionReceiver again;
    ASSERT_TRUE(again.Listen(dir, 4321));
    EXPECT_TRUE(PostWhileTheLoopRuns(dir, 4321, {{999, 0}}));
}

TEST(ActionReceiverTest, AHandlerThatLetsEventsRunOutlivesTheSendersSocket)
{
    // The panel's handler lets waiting events run; among them are the end of
    // the sender's connection and the deletion of its socket, which must not
    // be in use then. Freed memory in use shows under the memory checker
    // (Platform.ActionReceiverUnderMemoryCheck).
    const TempDir dir;
    ActionReceiver receiver;
    ASSERT_TRUE(receiver.Listen(dir, 4322));
    std::vector<ActionMessage> got;
    QObject::connect(&receiver, &ActionReceiver::received, [&](int32_t code, int32_t value) {
        got.push_back({code, value});
        for (int i = 0; i < 20; ++i) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
    });
    for (int round = 0; round < 3; ++round) {
        ASSERT_TRUE(PostWhileTheLoopRuns(dir, 4322, {{100, 2}, {2, 0}, {4, 0}}));
        EXPECT_TRUE(QTest::qWaitFor([&] { return got.size() == 3u * (round + 1); }, 5000));
    }
    EXPECT_THAT(std::vector<ActionMessage>(got.begin(), got.begin() + 3),
                ElementsAre(ActionMessage{100, 2}, ActionMessage{2, 0}, ActionMessage{4, 0}));
}

TEST(SessionEndNotifierTest, SignalArrivesOnTheEventLoop)
{
    SessionEndNotifier notifier;
    int got = 0;
    QObject::connect(&notifier, &SessionEndNotifier::sessionEnding, [&](int s) { got = s; });
    raise(SIGTERM);
    EXPECT_TRUE(QTest::qWaitFor([&] { return got != 0; }, 5000));
    EXPECT_EQ(got, SIGTERM);
}

TEST(ActionReceiverTest, AFloodNeitherNestsTheHandlerNorQueuesWithoutBound)
{
    // A handler like the panel's, which lets waiting events run, under a
    // stream of headers from other processes: each message waits for the
    // handler before it instead of running inside it, and what a connection
    // may queue is bounded.
    const TempDir dir;
    ActionReceiver receiver;
    ASSERT_TRUE(receiver.Listen(dir, 4323));
    int depth = 0, deepest = 0, delivered = 0;
    QObject::connect(&receiver, &ActionReceiver::received, [&](int32_t, int32_t) {
        deepest = std::max(deepest, ++depth);
        ++delivered;
        QCoreApplication::processEvents();
        --depth;
    });

    constexpr int Senders = 12, HeadersEach = 2000;
    std::vector<pid_t> children;
    for (int i = 0; i < Senders; ++i) {
        const pid_t child = fork();
        if (child == 0) {
            // The receiver may cut the connection off; that is the point.
            PostActionMessages(dir, 4323, std::vector<ActionMessage>(HeadersEach, {100, 4}));
            _exit(0);
        }
        children.push_back(child);
    }
    for (pid_t child : children)
        while (waitpid(child, nullptr, WNOHANG) == 0)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QTest::qWait(50);

    EXPECT_EQ(deepest, 1);
    EXPECT_GT(delivered, 0);
    EXPECT_LE(delivered, Senders * ActionInbox::MaxMessagesPerConnection);

    // The channel still serves the next second start in full.
    std::vector<ActionMessage> got;
    QObject::connect(&receiver, &ActionReceiver::received,
                     [&](int32_t code, int32_t value) { got.push_back({code, value}); });
    ASSERT_TRUE(PostWhileTheLoopRuns(dir, 4323, {{100, 1}, {2, 0}}));
    EXPECT_TRUE(QTest::qWaitFor([&] { return got.size() == 2; }, 5000));
}

TEST(ActionInboxTest, ConnectionsAndQueueAreBounded)
{
    ActionInbox inbox;
    for (int c = 0; c < ActionInbox::MaxConnections; ++c)
        ASSERT_TRUE(inbox.Open(c));
    EXPECT_FALSE(inbox.Open(99));

    // A message cut between reads is joined; one connection's limit cuts it
    // off mid-read without queueing the rest.
    const std::string header = EncodeActionMessages({{100, 1}});
    EXPECT_TRUE(inbox.Receive(0, header.data(), 3));
    EXPECT_TRUE(inbox.Receive(0, header.data() + 3, 5));
    EXPECT_EQ(inbox.Next(), (ActionMessage{100, 1}));
    const std::string many = EncodeActionMessages(std::vector<ActionMessage>(40, {2, 0}));
    EXPECT_FALSE(inbox.Receive(1, many.data(), many.size()));
    EXPECT_EQ(inbox.Pending(), static_cast<size_t>(ActionInbox::MaxMessagesPerConnection));

    // The shared queue stops at its bound whatever the connections send.
    for (int c = 2; c < ActionInbox::MaxConnections; ++c)
        inbox.Receive(c, many.data(), many.size());
    EXPECT_EQ(inbox.Pending(), ActionInbox::MaxPendingMessages);
    // A closed connection's messages are still handed on; its slot is free.
    inbox.Close(1);
    EXPECT_TRUE(inbox.Open(100));
    EXPECT_EQ(inbox.Next(), (ActionMessage{2, 0}));
}
