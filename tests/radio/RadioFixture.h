#pragma once
// Every radio test starts from the settings of a fresh start on a recording
// backend with the gate passed, so one test's card or hooks never leak into
// the next.

#include "PortAccess.h"
#include "RadioDriver.h"
#include "RecordingPorts.h"
#include "TunerSettings.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

class RadioTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        TunerSettings = TTunerSettings{};
        AssignInitialValues(TunerSettings);
        TunerSettings.CardPort = 0x30C;
        SetBandLimits(TunerSettings);
        auto owned = std::make_unique<RecordingPortBackend>();
        ports = owned.get();
        SetPortBackend(std::move(owned));
        ASSERT_TRUE(OpenPortAccess());
        RadioDriver::SoundOn = true;
        RadioDriver::RefreshMuteIndicator = nullptr;
        RadioDriver::ProcessMessages = nullptr;
    }
    void TearDown() override
    {
        ClosePortAccess();
        SetPortBackend(nullptr);
        RadioDriver::RefreshMuteIndicator = nullptr;
        RadioDriver::ProcessMessages = nullptr;
    }

    void UseAdapter(int adapter, uint16_t port)
    {
        TunerSettings.Adapter = static_cast<int8_t>(adapter);
        TunerSettings.CardPort = port;
    }

    RecordingPortBackend* ports = nullptr;
};

// "out 0x30c 0x01" lines for a list of written bytes.
inline std::vector<std::string> Outs(uint16_t port, const std::vector<int>& bytes)
{
    std::vector<std::string> lines;
    char text[32];
    for (int b : bytes) {
        std::snprintf(text, sizeof text, "out 0x%x 0x%02x", port, b);
        lines.push_back(text);
    }
    return lines;
}

inline std::vector<std::string> Join(std::vector<std::vector<std::string>> parts)
{
    std::vector<std::string> all;
    for (auto& p : parts)
        all.insert(all.end(), p.begin(), p.end());
    return all;
}
