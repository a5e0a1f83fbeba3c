#pragma once
// Adapter 7 on the simulated stick: a private folder for its state file,
// seeks without pauses, and the radio test's recording backend, which keeps
// the receiver's trace lines.

#include "AdapterCatalogue.h"
#include "RadioFixture.h"
#include "SimulatedRadioStick.h"
#include "V4L2Radio.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

class ReceiverTest : public RadioTest {
protected:
    void SetUp() override
    {
        RadioTest::SetUp();
        char pattern[] = "/tmp/tunzo-receiver-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        folder = pattern;
        SimulatedRadioSticks::Options options;
        options.stateDirectory = folder;
        options.pause = [this](int) {
            if (duringSeek)
                duringSeek();
        };
        auto owned = std::make_unique<SimulatedRadioSticks>(options);
        sticks = owned.get();
        SetV4L2Calls(std::move(owned));
        TunerSettings.Adapter = static_cast<int8_t>(V4L2Adapter);
        TunerSettings.RadioDevice = "/dev/radio0";
        ReportReceiverRefusal = [this](const std::string& message) { refusals.push_back(message); };
    }
    void TearDown() override
    {
        SetV4L2Calls(nullptr);
        ReportReceiverRefusal = nullptr;
        std::system(("rm -rf '" + folder + "'").c_str());
        RadioTest::TearDown();
    }

    std::string StateFile(int stick = 0) const { return SimulatedStickStatePath(folder, stick); }
    std::string StateText(int stick = 0) const
    {
        std::ifstream in(StateFile(stick));
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    // What a person does to the file: one line changed, the rest kept.
    void SetPresent(bool present, int stick = 0)
    {
        StickState s = ParseStickState(StateText(stick));
        s.present = present;
        std::ofstream(StateFile(stick)) << FormatStickState(s);
    }

    std::string folder;
    SimulatedRadioSticks* sticks = nullptr;
    std::function<void()> duringSeek;
    std::vector<std::string> refusals;
};
