#include "TransportTestSupport.h"

#include <FileOps.h>
#include <algorithm>

Samples Ramp(int32_t frames, int32_t first) {
    Samples samples(static_cast<size_t>(frames));
    for (int32_t i = 0; i < frames; ++i)
        samples[static_cast<size_t>(i)] = static_cast<int16_t>((first + 12000 + i) % 24000 - 12000);
    return samples;
}

Samples AsRecorded(const Samples& input, int32_t rate) {
    const int32_t block = LSoundRecorder::FramesPerBufferFor(rate);
    return Joined({Silence(block - block / 2), input});
}

int32_t WholeBlocks(int32_t frames, int32_t rate) {
    const int32_t block = LSoundRecorder::FramesPerBufferFor(rate);
    return frames / block * block;
}

Samples Part(const Samples& samples, int32_t first, int32_t count) {
    return Samples(samples.begin() + first, samples.begin() + first + count);
}

std::vector<std::string> HiddenFiles(const std::string& folder) {
    std::vector<std::string> hidden;
    for (const std::string& name : ListFolder(folder).value_or(std::vector<std::string>{}))
        if (!name.empty() && name[0] == '.' && name != "." && name != "..")
            hidden.push_back(name);
    return hidden;
}

bool FakeView::RunSplice(InsertSplice& splice) {
    ++splicesRun;
    if (duringSplice)
        duringSplice();
    return splice.Run(progress) == SpliceResult::Spliced;
}

void TransportFixture::SetUp() {
    m_current = m_folder / "Current Files/";
    m_settings = m_folder / "settings.ini";
    ASSERT_TRUE(MakeFolders(m_current));
}

void TransportFixture::Start(const Samples& input, int32_t rate, bool withBackend) {
    FileAudioOptions options;
    if (!input.empty()) {
        ASSERT_TRUE(WriteWave(m_folder / "input.wav", input, rate, 1));
        options.inputPath = m_folder / "input.wav";
    }
    options.outputPath = m_folder / "played.wav";
    options.pacing = FilePacing::Fast;
    m_transport.reset();
    m_recorder.reset();
    m_player.reset();
    m_backend = CreateFileBackend(options);
    m_player = std::make_unique<LSoundPlayer>(m_poster, *m_backend);
    m_recorder = std::make_unique<LSoundRecorder>(m_poster, *m_backend);
    m_transport = std::make_unique<DictationTransport>(m_view, *m_player, *m_recorder, m_settings, m_current,
                                                       withBackend ? m_backend.get() : nullptr);
}

std::string TransportFixture::MakeCurrent(const Samples& samples, int32_t rate, uint8_t channels,
                                          const std::string& name) {
    const std::string path = m_current + name + ".wav";
    EXPECT_TRUE(WriteWave(path, samples, rate, channels));
    m_transport->SetCurrent(path);
    return path;
}

void TransportFixture::RecordAll() {
    m_transport->Record();
    m_poster.Pump();
    m_transport->Stop();
}
