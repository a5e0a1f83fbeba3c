// The runtime folder is shared ground under /tmp: what another user may have
// put there (the folder itself, a link, a FIFO, a lock file) must never be
// used, written through or waited on.

#include "InstanceLock.h"
#include "RuntimeDirectory.h"
#include "SimulatedCard.h"
#include "UseSimulatedCard.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using ::testing::HasSubstr;
namespace fs = std::filesystem;

namespace {

constexpr uid_t Nobody = 65534;
constexpr unsigned HangLimitSeconds = 10;

// A scratch tree with XDG_RUNTIME_DIR pointing into it; "other" stands for
// another user's folder. Removed with everything in it at the end.
struct Scratch {
    Scratch()
    {
        char path[] = "/tmp/tunzo-rt-XXXXXX";
        base = mkdtemp(path);
        chmod(base.c_str(), 0755);  // so that another user can reach xdg
        xdg = base + "/xdg";
        mkdir(xdg.c_str(), 0777);
        chmod(xdg.c_str(), 0777);  // as a shared /tmp is
        other = base + "/other";
        mkdir(other.c_str(), 0777);
        runtime = xdg + "/tunzo";
        setenv("XDG_RUNTIME_DIR", xdg.c_str(), 1);
    }
    ~Scratch()
    {
        unsetenv("XDG_RUNTIME_DIR");
        fs::remove_all(base);
    }
    std::string base, xdg, other, runtime;
};

std::string Read(const std::string& path)
{
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

// Makes a folder as another user (nobody) would, open to everyone.
bool MakeFolderAsNobody(const std::string& path)
{
    const pid_t child = fork();
    if (child == 0) {
        if (setgid(Nobody) != 0 || setuid(Nobody) != 0)
            _exit(1);
        umask(0);
        _exit(mkdir(path.c_str(), 0777) == 0 ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace

TEST(RuntimeFolder, AForeignOrLinkedFolderIsRefusedAndNothingIsWrittenThroughIt)
{
    const Scratch s;

    // A link at the folder's place, leading to the other user's folder.
    ASSERT_EQ(symlink(s.other.c_str(), s.runtime.c_str()), 0);
    RuntimeFolder folder = OpenRuntimeFolder();
    EXPECT_FALSE(folder.usable());
    EXPECT_THAT(folder.problem, HasSubstr(s.runtime + " is a symbolic link"));
    EXPECT_EQ(RuntimeDirectory(), "");
    {
        // The card still plays, from memory, and leaves nothing over there.
        std::unique_ptr<SimulatedCardBackend> card = MakeSimulatedCardFromEnvironment();
        TuneRadioTrackTo100AndPlay(*card);
        EXPECT_EQ(card->card(0x30C)->Registers().frequency, 100.0);
        EXPECT_TRUE(card->card(0x30C)->Registers().audible);
    }
    EXPECT_TRUE(fs::is_empty(s.other));
    ASSERT_EQ(unlink(s.runtime.c_str()), 0);

    // The folder made by another user, open to all. Only root can make a
    // folder of another owner, so elsewhere this case is left to CI.
    if (geteuid() == 0) {
        ASSERT_TRUE(MakeFolderAsNobody(s.runtime));
        folder = OpenRuntimeFolder();
        EXPECT_FALSE(folder.usable());
        EXPECT_THAT(folder.problem, HasSubstr(s.runtime + " belongs to user"));
        {
            std::unique_ptr<SimulatedCardBackend> card = MakeSimulatedCardFromEnvironment();
            TuneRadioTrackTo100AndPlay(*card);
        }
        EXPECT_TRUE(fs::is_empty(s.runtime));
        struct stat st {};
        ASSERT_EQ(stat(s.runtime.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, 0777u) << "another user's folder was changed";
        fs::remove_all(s.runtime);
    } else {
        std::fprintf(stderr, "note: not root, so the folder of another owner is not tried\n");
    }

    // An own folder that others may write is made private again.
    ASSERT_EQ(mkdir(s.runtime.c_str(), 0777), 0);
    ASSERT_EQ(chmod(s.runtime.c_str(), 0777), 0);
    folder = OpenRuntimeFolder();
    EXPECT_TRUE(folder.usable()) << folder.problem;
    struct stat st {};
    ASSERT_EQ(stat(s.runtime.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, RuntimeFolderMode);
}

TEST(RuntimeFolder, PlantedFilesAreNeitherFollowedNorWaitedOn)
{
    const Scratch s;
    ASSERT_TRUE(OpenRuntimeFolder().usable());

    // A link at the card's state file, leading to a file of the user's.
    const std::string precious = s.base + "/precious";
    std::ofstream(precious) << "keep me\n";
    ASSERT_EQ(symlink(precious.c_str(), SimulatedCardStatePath(s.runtime, 0x30C).c_str()), 0);
    testing::internal::CaptureStderr();
    {
        std::unique_ptr<SimulatedCardBackend> card = MakeSimulatedCardFromEnvironment();
        TuneRadioTrackTo100AndPlay(*card);
        EXPECT_EQ(card->card(0x30C)->Registers().frequency, 100.0);
    }
    const std::string warnings = testing::internal::GetCapturedStderr();
    EXPECT_EQ(Read(precious), "keep me\n");
    EXPECT_THAT(warnings, HasSubstr(SimulatedCardStatePath(s.runtime, 0x30C) + " is a symbolic link"));
    EXPECT_EQ(warnings.find('\n'), warnings.size() - 1) << "warned more than once:\n" << warnings;

    // A FIFO at the state file: the card answers at once. A child process
    // runs it, so that a hang ends the test instead of holding it up.
    ASSERT_EQ(mkfifo(SimulatedCardStatePath(s.runtime, 0x20C).c_str(), 0600), 0);
    const pid_t child = fork();
    if (child == 0) {
        alarm(HangLimitSeconds);
        std::unique_ptr<SimulatedCardBackend> card = MakeSimulatedCardFromEnvironment();
        card->out(0x20C, 0xF8);
        const uint8_t status = card->in(0x20C);
        card->out(0x20C, 0xC8);
        _exit(status == 0xFF && card->card(0x20C)->Registers().audible ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_FALSE(WIFSIGNALED(status) && WTERMSIG(status) == SIGALRM) << "the card hung on a FIFO";
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

TEST(InstanceLockTest, ALockFileThatCannotBeUsedIsUnavailableNotAcquired)
{
    const Scratch s;
    ASSERT_TRUE(OpenRuntimeFolder().usable());
    const std::string lockPath = InstanceLockPath(s.runtime);
    InstanceLock lock;

    // A link to where another user would have the lock created.
    const std::string planted = s.other + "/planted";
    ASSERT_EQ(symlink(planted.c_str(), lockPath.c_str()), 0);
    EXPECT_EQ(lock.Acquire(s.runtime), InstanceLock::Outcome::Unavailable);
    EXPECT_THAT(lock.problem(), HasSubstr(lockPath + " is a symbolic link"));
    EXPECT_FALSE(fs::exists(planted));
    ASSERT_EQ(unlink(lockPath.c_str()), 0);

    // A lock file another user left while the folder was open to all: they
    // could hold it for ever and the panel would never start.
    if (geteuid() == 0) {
        std::ofstream{lockPath};
        ASSERT_EQ(chown(lockPath.c_str(), Nobody, Nobody), 0);
        EXPECT_EQ(lock.Acquire(s.runtime), InstanceLock::Outcome::Unavailable);
        EXPECT_THAT(lock.problem(), HasSubstr(lockPath + " belongs to user"));
        ASSERT_EQ(unlink(lockPath.c_str()), 0);
    }

    EXPECT_EQ(lock.Acquire(s.runtime), InstanceLock::Outcome::Acquired);
}
