// Fuzzes the wave file opening: the bytes become a file that is opened with OpenWaveFile and then read and moved
// around by a script taken from the input's last bytes (PCM and codec readers alike). Every frame asked for must
// be filled. Then the PCM writer is asked to keep frames of the same file and to continue it.
#include "sound/LSNKPCMFile.h"
#include "sound/WaveFile.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

const std::string& FilePath() {
    // Memory-backed when there is such a folder: the file is rewritten for every input.
    static const std::filesystem::path folder =
        std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : std::filesystem::temp_directory_path();
    static const std::string path = (folder / ("fuzz_wave_reader-" + std::to_string(::getpid()) + ".wav")).string();
    return path;
}

void WriteFile(const std::string& path, const uint8_t* data, size_t size) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        std::abort();
    if (size > 0 && std::fwrite(data, 1, size, file) != size)
        std::abort();
    std::fclose(file);
}

// A marker no reader produces for a frame it was asked to fill.
constexpr int32_t kUnfilled = INT32_MIN + 12345;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string& path = FilePath();
    WriteFile(path, data, size);

    // The last 24 bytes (or fewer) steer the reads and seeks.
    const size_t scriptSize = std::min<size_t>(size, 24);
    const uint8_t* script = data + size - scriptSize;

    if (LSoundSourceHandle source = OpenWaveFile(path)) {
        const int channels = source->Channels();
        std::vector<int32_t> buffer;
        for (size_t i = 0; i + 1 < scriptSize; i += 2) {
            const int32_t amount = script[i + 1] * 71 - 2000;
            switch (script[i] % 4) {
            case 0:
            case 1: {
                // Mostly short reads; now and then one that crosses the readers' 8192-frame steps.
                const int32_t frames = script[i + 1] * 3 + ((script[i] & 0xc0) == 0xc0 ? 8190 : 0);
                buffer.assign(static_cast<size_t>(frames) * channels + 1, kUnfilled);
                const int32_t before = source->GetPosition();
                source->Read(buffer.data(), frames);
                for (int64_t s = 0; s < static_cast<int64_t>(frames) * channels; ++s)
                    if (buffer[s] == kUnfilled)
                        std::abort();
                if (buffer.back() != kUnfilled || source->GetPosition() != before + frames)
                    std::abort();
                break;
            }
            case 2:
                source->Seek(amount * 13);
                if (source->GetPosition() != amount * 13)
                    std::abort();
                break;
            default:
                if (source->GetLength() < 0)
                    std::abort();
                break;
            }
        }
    }

    // Keeping frames of whatever the file is: refused unless it is ours, and never more than it holds.
    {
        LSNKPCMFile<LSF16> sink(path, 8000, 1, 1 + (size > 0 ? data[0] : 0) * 4);
        const std::vector<int32_t> frames(64, 1600);
        sink.Write(frames.data(), 64);
        if (!sink.IsInError()) {
            if (!sink.Finish())
                std::abort();
            LSoundSourceHandle reread = OpenWaveFile(path);
            if (!reread || reread->GetLength() != sink.KeptFrames() + 64)
                std::abort();
        }
    }
    ::unlink(path.c_str());
    return 0;
}
