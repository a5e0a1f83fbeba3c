#include "AudioCapture.h"

#include "AlsaPcm.h"
#include "AudioFormat.h"

#include <vector>

AudioCapture::AudioCapture(std::string input, Sink sink, FailureCallback failed)
    : input_(std::move(input)), sink_(std::move(sink)), failed_(std::move(failed))
{
}

AudioCapture::~AudioCapture()
{
    stop();
}

void AudioCapture::start()
{
    if (thread_.joinable())
        return;
    stopping_ = false;
    thread_ = std::thread([this] { run(); });
}

void AudioCapture::stop()
{
    stopping_ = true;
    if (thread_.joinable())
        thread_.join();
}

void AudioCapture::run()
{
    std::string error;
    auto device = AlsaPcm::open(input_, PcmDirection::Capture, kCaptureBufferMs, &error);
    if (!device) {
        if (failed_)
            failed_(error);
        return;
    }
    std::vector<float> block(device->periodFrames() * kAudioChannels);
    while (!stopping_) {
        const long got = device->read(block.data(), device->periodFrames(), &error);
        if (got < 0) {
            if (failed_)
                failed_(error);
            return;
        }
        frames_ += static_cast<size_t>(got);
        sink_(block.data(), static_cast<size_t>(got));
    }
    device->drop();
}
