#pragma once
// Block streams for the decoder's tests, built with the encoder, and a way to
// run them through the decoder as V4L2 records, collecting what it reports.
#include "RdsDecoder.h"
#include "RdsEncoder.h"

#include <gtest/gtest.h>
#include <gmock/gmock.h>

#include <string>
#include <vector>

inline RdsStation Station(uint16_t pi, const std::string& name, const std::string& text = {}, uint8_t pty = 0)
{
    RdsStation station;
    station.pi = pi;
    station.name = name;
    station.text = text;
    station.pty = pty;
    return station;
}

// `groups` groups of the encoder's pattern, spoiled as `rates` says.
inline std::vector<RdsBlock> StreamOf(RdsEncoder& encoder, int groups, RdsErrorRates rates = {}, uint32_t seed = 1)
{
    RdsErrorInjector errors(rates, seed);
    std::vector<RdsBlock> blocks;
    for (int g = 0; g < groups; ++g) {
        RdsGroupBlocks group = encoder.nextGroup();
        errors.apply(group);
        AppendGroup(blocks, group);
    }
    return blocks;
}

// Feeds the blocks as the bytes read() returns, a few records a read, and
// keeps every line the changes print.
struct DecoderRun {
    RdsDecoder decoder;
    std::vector<std::string> lines;
    int blocksFed = 0;

    explicit DecoderRun(RdsStandard standard = RdsStandard::Rds) : decoder(standard) {}

    void feed(const std::vector<RdsBlock>& blocks, size_t recordsPerRead = 5)
    {
        const std::vector<uint8_t> bytes = RecordBytes(blocks);
        const size_t chunk = recordsPerRead * kRdsRecordSize;
        for (size_t at = 0; at < bytes.size(); at += chunk) {
            const size_t length = std::min(chunk, bytes.size() - at);
            note(decoder.addRecords(bytes.data() + at, length));
        }
        blocksFed += static_cast<int>(blocks.size());
    }

    void reset() { note(decoder.reset()); }

    void note(uint32_t changed)
    {
        for (const std::string& line : RdsChangeLines(changed, decoder.state(), decoder.standard()))
            lines.push_back(line);
    }

    // The lines that begin with `field` and a space or end there.
    std::vector<std::string> linesOf(const std::string& field) const
    {
        std::vector<std::string> found;
        for (const std::string& line : lines) {
            if (line == field || line.rfind(field + ' ', 0) == 0)
                found.push_back(line);
        }
        return found;
    }
};
