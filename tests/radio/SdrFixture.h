#pragma once
// Adapter 8 on the simulated dongle: a private runtime folder for its state
// file, the table's stations, and what a second program does to the file.

#include "AdapterCatalogue.h"
#include "RadioFixture.h"
#include "SdrReceiver.h"
#include "SimulatedDongle.h"
#include "V4L2Radio.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

class SdrTest : public RadioTest {
protected:
    void SetUp() override
    {
        RadioTest::SetUp();
        char pattern[] = "/tmp/tunzo-sdr-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        folder = pattern;
        setenv("XDG_RUNTIME_DIR", folder.c_str(), 1);
        setenv("TUNZO_CARD", "simulated", 1);
        setenv("TUNZO_SIM_STATIONS", "94.2,103.3s", 1);
        unsetenv("TUNZO_SDR_IQ_FILE");
        TunerSettings.Adapter = static_cast<int8_t>(SdrAdapter);
        TunerSettings.SdrDevice = 0;
    }
    void TearDown() override
    {
        StopSdrReading();
        CloseSdrReceiver();
        unsetenv("TUNZO_CARD");
        unsetenv("TUNZO_SIM_STATIONS");
        unsetenv("TUNZO_SDR_IQ_FILE");
        unsetenv("TUNZO_SDR_IQ_CENTER");
        ReportReceiverRefusal = nullptr;
        std::system(("rm -rf '" + folder + "'").c_str());
        RadioTest::TearDown();
    }

    // What a second program does to the dongle's state file.
    void SetPresent(bool present)
    {
        const std::string path = SimulatedDongleStatePath(folder + "/tunzo");
        std::ifstream in(path);
        std::stringstream text;
        text << in.rdbuf();
        DongleState s = ParseDongleState(text.str());
        s.present = present;
        std::ofstream(path) << FormatDongleState(s);
    }

    const ReceiverOps& receiver = *RadioDriver::ReceiverFor(SdrAdapter);
    std::string folder;
};
