// tunzo-card replaying an rtl_sdr recording (TUNZO_SDR_IQ_FILE) as a real
// process, in no card mode at all: what a person trying a recording of
// their own sees, its exit codes and its messages.

#include "SdrRecording.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <sys/wait.h>

using ::testing::HasSubstr;

namespace {

struct ToolRun {
    int code = -1;
    std::string out, err;
};

class SdrReplayTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/tunzo-replay-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
        WriteSdrRecording(dir + "/station.iq");
    }
    void TearDown() override { std::system(("rm -rf '" + dir + "'").c_str()); }

    ToolRun Run(const std::string& environment, const std::string& arguments) const
    {
        const std::string command = "env -u TUNZO_CARD -u TUNZO_PORT_TRACE XDG_RUNTIME_DIR='" + dir +
                                    "' TUNZO_REGISTRY='" + dir + "/registry.sqlite' " + environment + " '" +
                                    TUNZO_CARD_TOOL + "' --adapter 8 " + arguments + " >'" + dir + "/out' 2>'" +
                                    dir + "/err'";
        const int status = std::system(command.c_str());
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, Read("out"), Read("err")};
    }
    std::string Read(const std::string& name) const
    {
        std::ifstream in(dir + "/" + name);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    std::string dir;
};

TEST_F(SdrReplayTest, TheCardToolTunesSearchesAndRefusesOnARecording)
{
    const std::string replay = SdrRecordingEnvironment(dir + "/station.iq");
    struct Row {
        std::string environment;
        std::string arguments;
        int code;
        std::string out;
        std::string err;  // a part of it
    };
    const Row rows[] = {
        {replay, "tune 94.2", 0, "", ""},
        {replay, "tune 100.0", 1, "", std::string(RecordingBandText) + ": it cannot take 100.000 MHz."},
        {replay, "seek up", 0, "94.2\n", ""},  // from the band's foot: the first station in the recording
        {replay, "scan", 0, "94.2\n94.6 stereo\n", "2 stations"},
        {"TUNZO_SDR_IQ_FILE='" + dir + "/missing.iq'", "tune 94.2", 1, "", "missing.iq"},
        {replay + " TUNZO_SDR_IQ_CENTER=near", "tune 94.2", 1, "",
         "TUNZO_SDR_IQ_CENTER takes a frequency in Hz, like 1024000, not 'near'"},
    };
    for (const Row& row : rows) {
        const ToolRun run = Run(row.environment, row.arguments);
        EXPECT_EQ(run.code, row.code) << row.arguments << ": " << run.err;
        EXPECT_EQ(run.out, row.out) << row.arguments;
        EXPECT_THAT(run.err, HasSubstr(row.err)) << row.arguments;
    }
}

}  // namespace
