// Fuzzes the codec reader: the input's first bytes make a format record (a codec tag from the list, or any tag,
// with fuzzed channels, rate, byte rate, block align, bits and extra bytes) and an optional fact chunk; the next
// bytes are a script of reads and seeks; the rest is the data chunk. A wave file of those is put in memory and
// handed to LSRCACMWave's constructor. Every frame asked for must be filled, and the position must follow.
#include "platform/LFile.h"
#include "platform/WaveFormatRecord.h"
#include "sound/LSRCACMWave.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr size_t kRecordBytes = 16;
constexpr size_t kScriptSteps = 6;
constexpr size_t kScriptBytes = kScriptSteps * 3;

// A byte pattern no reader produces for a frame it was asked to fill (0xa5a5a5a5 is far outside a 16-bit stream's
// samples).
constexpr uint8_t kUnfilledByte = 0xa5;
constexpr int32_t kUnfilled = static_cast<int32_t>(0xa5a5a5a5u);
constexpr int32_t kMaxChannels = 20;

void Fail(const char* what) {
    std::fprintf(stderr, "fuzz_codec_reader: %s\n", what);
    std::abort();
}

// Kept out of the coverage instrumentation: it runs over every sample and says nothing about the reader's paths.
__attribute__((no_sanitize("coverage"))) bool AllFilled(const int32_t* samples, size_t count) {
    for (size_t i = 0; i < count; ++i)
        if (samples[i] == kUnfilled)
            return false;
    return true;
}

class Input {
public:
    Input(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}
    uint8_t Byte() { return m_at < m_size ? m_data[m_at++] : 0; }
    uint16_t Le16() { return static_cast<uint16_t>(Byte() | (Byte() << 8)); }
    uint32_t Le32() { return Le16() | (static_cast<uint32_t>(Le16()) << 16); }
    size_t At() const { return m_at; }

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_at = 0;
};

WaveFormatRecord MakeFormat(Input& input, std::optional<int64_t>& fact) {
    static constexpr uint16_t kTags[] = {0x0002, 0x0006, 0x0007, 0x0011, 0x0031, 0x0055, 0x0001};
    static constexpr uint32_t kRates[] = {8000, 11025, 22050, 44100, 16000, 48000, 32000};
    WaveFormatRecord format;
    const uint8_t tag = input.Byte();
    format.formatTag = tag < 224 ? kTags[tag % 7] : input.Le16();
    const uint8_t channels = input.Byte();
    format.channels = channels < 192 ? 1 + channels % 2 : channels % 20;
    const uint8_t rate = input.Byte();
    format.samplesPerSec = rate < 224 ? kRates[rate % 7] : input.Le32() % 400000;
    format.avgBytesPerSec = input.Le32();
    format.blockAlign = input.Le16();
    format.bitsPerSample = input.Byte() % 20;
    const uint8_t extra = input.Byte() % 40;
    for (uint8_t i = 0; i < extra; ++i)
        format.extra.push_back(input.Byte());
    const uint8_t factKind = input.Byte();
    if (factKind & 1)
        fact = input.Le32();
    return format;
}

LFile MemoryFile(const std::vector<uint8_t>& bytes) {
    const int descriptor = ::memfd_create("fuzz_codec_reader", MFD_CLOEXEC);
    LFile file(descriptor);
    if (!file.IsOpen() || !file.Write(bytes.data(), bytes.size()))
        std::abort();
    return file;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < kRecordBytes + kScriptBytes)
        return 0;
    Input input(data, size);
    std::optional<int64_t> fact;
    const WaveFormatRecord format = MakeFormat(input, fact);
    const uint8_t* script = data + input.At();
    const size_t scriptBytes = std::min(kScriptBytes, size - input.At());
    if (scriptBytes < 3)
        return 0;
    const size_t dataStart = input.At() + scriptBytes;
    const size_t dataBytes = size - dataStart;

    // RIFF header, "fmt " with the record, then "data".
    std::vector<uint8_t> file;
    const auto tag = [&file](const char* id) { file.insert(file.end(), id, id + 4); };
    const std::vector<uint8_t> record = format.Serialize();
    tag("RIFF");
    AppendLe32(file, static_cast<uint32_t>(4 + 8 + record.size() + 8 + dataBytes));
    tag("WAVE");
    tag("fmt ");
    AppendLe32(file, static_cast<uint32_t>(record.size()));
    file.insert(file.end(), record.begin(), record.end());
    tag("data");
    AppendLe32(file, static_cast<uint32_t>(dataBytes));
    const int64_t dataOffset = static_cast<int64_t>(file.size());
    file.insert(file.end(), data + dataStart, data + size);
    // The data size may be claimed larger than what is there (a cut-off file).
    const int64_t claimed =
        (script[0] & 0x80) ? static_cast<int64_t>(dataBytes) * 3 + 1000 : static_cast<int64_t>(dataBytes);

    LSRCACMWave reader(MemoryFile(file), format, dataOffset, claimed, fact);
    const int channels = reader.Channels();
    static std::vector<int32_t> block(static_cast<size_t>(kMaxFramesPerCall) * kMaxChannels + 1);
    int64_t position = 0;
    for (size_t step = 0; step + 3 <= scriptBytes; step += 3) {
        const uint8_t kind = script[step];
        const int32_t amount = script[step + 1] | (script[step + 2] << 8);
        if (kind % 3 == 0) {
            // Seek somewhere around the data: before it, inside, at and past its end.
            const int64_t length = reader.GetLength();
            const auto frame = static_cast<int32_t>(
                std::min<int64_t>(kind & 0x40 ? length - 500 + amount % 1000 : amount * 4 - 1000, INT32_MAX));
            reader.Seek(frame);
            position = frame;
            if (reader.GetPosition() != frame)
                Fail("the position is not where the seek put it");
        } else {
            // Mostly short reads; now and then the longest there is.
            const int32_t frames = kind & 0x20 ? 1 + amount % kMaxFramesPerCall : 1 + amount % 1500;
            const size_t samples = static_cast<size_t>(frames) * channels;
            std::memset(block.data(), kUnfilledByte, (samples + 1) * sizeof(int32_t));
            reader.Read(block.data(), frames);
            if (!AllFilled(block.data(), samples))
                Fail("a frame asked for was not filled");
            if (block[samples] != kUnfilled)
                Fail("the reader wrote past the frames asked for");
            position += frames;
            if (reader.GetPosition() != static_cast<int32_t>(std::min<int64_t>(position, INT32_MAX)))
                Fail("the position did not advance by the frames read");
        }
        (void)reader.GetLength();
    }
    return 0;
}
