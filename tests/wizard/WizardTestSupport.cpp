#include "WizardTestSupport.h"

#include <LSoundSink.h>
#include <QCoreApplication>
#include <SampleFormat.h>
#include <WaveFile.h>
#include <thread>

bool WriteConstantWave(const std::string& path, int32_t frames, int16_t value) {
    LSoundSinkHandle sink = CreatePCMFileSink(path, 8000, 1, 16, 0);
    if (!sink || sink->IsInError())
        return false;
    const std::vector<int32_t> samples(static_cast<size_t>(frames), LSF16::ToPipeline(value));
    sink->Write(samples.data(), frames);
    return FinishFileSink(*sink);
}

std::vector<int16_t> ReadSamples(const std::string& path) {
    LSoundSourceHandle source = OpenWaveFile(path);
    if (!source)
        return {};
    const int32_t frames = source->GetLength();
    const int32_t channels = source->Channels();
    std::vector<int32_t> pipeline(static_cast<size_t>(frames) * static_cast<size_t>(channels));
    source->Read(pipeline.data(), frames);
    std::vector<int16_t> samples;
    samples.reserve(pipeline.size());
    for (const int32_t sample : pipeline)
        samples.push_back(LSF16::FromPipeline(sample));
    return samples;
}

bool ProcessEventsUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        std::this_thread::yield();
    }
    return true;
}
