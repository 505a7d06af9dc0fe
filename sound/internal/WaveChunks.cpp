#include "WaveChunks.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <string_view>
#include <sys/stat.h>
#include <vector>

namespace {

using Category = WaveFileError::Category;

bool Fail(WaveFileError& error, Category category, int64_t offset, std::string text) {
    error.category = category;
    error.offset = offset;
    error.text = std::move(text);
    return false;
}

std::string_view IdOf(const uint8_t* bytes) {
    return {reinterpret_cast<const char*>(bytes), 4};
}

std::string Printable(std::string_view id) {
    std::string text;
    for (char c : id)
        text += (c >= 0x20 && c <= 0x7e) ? c : '?';
    return text;
}

// Reads exactly `bytes` at `offset`; false on a short or failed read.
bool ReadExactly(const LFile& file, void* buffer, size_t bytes, int64_t offset) {
    return file.ReadAt(buffer, bytes, offset) == static_cast<int64_t>(bytes);
}

// Size of a chunk's contents with its pad byte.
int64_t Padded(uint32_t size) {
    return static_cast<int64_t>(size) + (size & 1);
}

bool IsKnownNonAudioId(std::string_view id) {
    static constexpr std::array<std::string_view, 22> kIds = {
        "LIST", "id3 ", "ID3 ", "fact", "cue ", "smpl", "bext", "JUNK", "junk", "PAD ", "inst",
        "plst", "iXML", "_PMX", "DISP", "acid", "cart", "umid", "data", "fmt ", "PEAK", "axml"};
    for (std::string_view known : kIds)
        if (id == known)
            return true;
    return false;
}

// Reads the "fmt " chunk's body and turns it into a checked format record.
bool ReadFormat(const LFile& file, int64_t bodyOffset, uint32_t size, int64_t fileSize, WaveFormatRecord& format,
                WaveFileError& error) {
    if (size < kMinFormatChunk || size > kMaxFormatChunk)
        return Fail(error, Category::BadFormat, bodyOffset - 4,
                    "The format chunk has " + std::to_string(size) + " bytes; 14 to 8192 are allowed.");
    if (bodyOffset + size > fileSize)
        return Fail(error, Category::NotWave, bodyOffset, "The file ends inside its format chunk.");
    std::vector<uint8_t> body(std::max<size_t>(size, 16), 0);
    if (!ReadExactly(file, body.data(), size, bodyOffset))
        return Fail(error, Category::Io, bodyOffset, "The format chunk cannot be read.");

    const uint16_t channels = ReadLe16(&body[2]);
    const uint32_t rate = ReadLe32(&body[4]);
    const uint16_t blockAlign = ReadLe16(&body[12]);
    if (channels == 0)
        return Fail(error, Category::BadFormat, bodyOffset + 2, "The format has no channels.");
    if (channels > WaveFormatRecord::kMaxChannels)
        return Fail(error, Category::Unsupported, bodyOffset + 2,
                    "The format has " + std::to_string(channels) + " channels; at most 16 are supported.");
    if (rate < WaveFormatRecord::kMinRate || rate > kMaxWaveRate)
        return Fail(error, Category::BadFormat, bodyOffset + 4,
                    "The format's rate of " + std::to_string(rate) + " frames per second is outside 1000 to 192000.");
    if (blockAlign == 0)
        return Fail(error, Category::BadFormat, bodyOffset + 12, "The format's block align is 0.");
    if (size >= WaveFormatRecord::kFixedSize && ReadLe16(&body[16]) > size - WaveFormatRecord::kFixedSize)
        return Fail(error, Category::BadFormat, bodyOffset + 16, "The format's extra bytes run past its chunk.");

    std::optional<WaveFormatRecord> parsed = WaveFormatRecord::Parse(body);
    if (!parsed)
        return Fail(error, Category::BadFormat, bodyOffset, "The format chunk is malformed.");
    // A 14-byte chunk (the oldest form) has no bits per sample: the block align tells the sample width.
    if (size < 16 && parsed->formatTag == WaveFormatRecord::kTagPcm && blockAlign % channels == 0)
        parsed->bitsPerSample = static_cast<uint16_t>(blockAlign / channels * 8);
    // A PCM frame is the channels' samples side by side (24-bit samples may sit in 4-byte containers); a block align
    // that says otherwise would read a few frames of wrong sound.
    if (parsed->formatTag == WaveFormatRecord::kTagPcm && parsed->bitsPerSample > 0) {
        const uint32_t frameBytes = uint32_t(channels) * ((parsed->bitsPerSample + 7u) / 8u);
        const bool container24 = parsed->bitsPerSample == 24 && blockAlign == uint32_t(channels) * 4u;
        if (blockAlign != frameBytes && !container24)
            return Fail(error, Category::BadFormat, bodyOffset + 12,
                        "The format's block align of " + std::to_string(blockAlign) + " bytes does not match its " +
                            std::to_string(channels) + " channels of " + std::to_string(parsed->bitsPerSample) +
                            " bits (" + std::to_string(frameBytes) + " bytes a frame).");
    }
    format = std::move(*parsed);
    return true;
}

// Checks the header our writers make; the data chunk's size field is at kOwnDataSizeOffset.
bool IsOwnLayout(const LFile& file, int64_t fileSize) {
    uint8_t header[kOwnHeaderBytes];
    if (fileSize < kOwnHeaderBytes || !ReadExactly(file, header, sizeof header, 0))
        return false;
    if (IdOf(header) != "RIFF" || IdOf(header + 8) != "WAVE" || IdOf(header + 12) != "fmt " ||
        ReadLe32(header + 16) != 18 || IdOf(header + 38) != "data")
        return false;
    const uint16_t tag = ReadLe16(header + 20);
    const uint16_t channels = ReadLe16(header + 22);
    const uint32_t rate = ReadLe32(header + 24);
    const uint32_t average = ReadLe32(header + 28);
    const uint16_t blockAlign = ReadLe16(header + 32);
    const uint16_t bits = ReadLe16(header + 34);
    const uint16_t extra = ReadLe16(header + 36);
    const uint32_t dataBytes = ReadLe32(header + 42);
    return tag == WaveFormatRecord::kTagPcm && extra == 0 && (bits == 8 || bits == 16 || bits == 32) && channels > 0 &&
           blockAlign == channels * (bits / 8) &&
           static_cast<uint64_t>(average) == static_cast<uint64_t>(blockAlign) * rate &&
           static_cast<uint64_t>(ReadLe32(header + 4)) == 38ull + dataBytes;
}

} // namespace

bool IsChunkHeaderAt(const LFile& file, int64_t offset, int64_t fileSize) {
    uint8_t header[8];
    if (offset < 0 || offset + 8 > fileSize || !ReadExactly(file, header, sizeof header, offset))
        return false;
    for (int i = 0; i < 4; ++i)
        if (header[i] < 0x20 || header[i] > 0x7e)
            return false;
    if (header[0] == ' ')
        return false;
    if (IsKnownNonAudioId(IdOf(header)))
        return true;
    // An unknown identifier counts when its chunk fits the file (a missing last pad byte allowed).
    return offset + 8 + static_cast<int64_t>(ReadLe32(header + 4)) <= fileSize;
}

int64_t PresentDataBytes(const LFile& file, int64_t dataOffset, int64_t declaredBytes, int64_t fileSize,
                         bool ownLayout) {
    const int64_t available = std::max<int64_t>(0, fileSize - dataOffset);
    if (declaredBytes >= available)
        return available;
    if (ownLayout)
        return available;
    const int64_t next = dataOffset + declaredBytes + (declaredBytes & 1);
    // Only a pad byte follows, or another chunk: the declared size is right.
    if (next >= fileSize || IsChunkHeaderAt(file, next, fileSize))
        return declaredBytes;
    return available;
}

bool WalkWaveChunks(const LFile& file, WaveFileLayout& layout, WaveFileError& error) {
    layout = WaveFileLayout{};
    error = WaveFileError{};
    const int64_t fileSize = file.Size();
    if (fileSize < 0)
        return Fail(error, Category::Io, -1, "The file's size cannot be read.");
    layout.fileSize = fileSize;

    // The RIFF form of type WAVE; other top-level chunks before it are skipped.
    int64_t offset = 0;
    for (;;) {
        uint8_t header[12];
        if (offset + 12 > fileSize)
            return Fail(error, Category::NotWave, offset, "The file holds no RIFF/WAVE form.");
        if (!ReadExactly(file, header, sizeof header, offset))
            return Fail(error, Category::Io, offset, "The file cannot be read.");
        if (IdOf(header) == "RIFF" && IdOf(header + 8) == "WAVE") {
            offset += 12;
            break;
        }
        if (IdOf(header) == "RIFX")
            return Fail(error, Category::Unsupported, offset,
                        "This is a big-endian (RIFX) wave file, which Tallowin does not read.");
        const int64_t size = Padded(ReadLe32(header + 4));
        if (size < 5 || offset + 8 + size > fileSize)
            return Fail(error, Category::NotWave, offset, "The file holds no RIFF/WAVE form.");
        offset += 8 + size;
    }

    // The chunks of the form: "fmt " first, then "data"; a fact chunk on the way is noted.
    bool haveFormat = false;
    for (;;) {
        uint8_t header[8];
        if (offset + 8 > fileSize)
            return Fail(error, Category::NotWave, offset,
                        haveFormat ? "The file has no data chunk." : "The file has no format chunk.");
        if (!ReadExactly(file, header, sizeof header, offset))
            return Fail(error, Category::Io, offset, "The file cannot be read.");
        const std::string_view id = IdOf(header);
        const uint32_t size = ReadLe32(header + 4);
        const int64_t body = offset + 8;

        if (!haveFormat && id == "fmt ") {
            if (!ReadFormat(file, body, size, fileSize, layout.format, error))
                return false;
            haveFormat = true;
            offset = body + Padded(size);
            continue;
        }
        if (haveFormat && id == "data") {
            layout.dataOffset = body;
            layout.declaredBytes = size;
            break;
        }
        if (Padded(size) < 1)
            return Fail(error, Category::NotWave, offset, "The file has an empty \"" + Printable(id) + "\" chunk.");
        if (id == "fact" && size >= 4) {
            uint8_t frames[4];
            if (body + 4 <= fileSize && ReadExactly(file, frames, sizeof frames, body))
                layout.factFrames = ReadLe32(frames);
        }
        offset = body + Padded(size);
    }

    layout.ownLayout = layout.dataOffset == kOwnHeaderBytes && IsOwnLayout(file, fileSize);
    layout.presentBytes = PresentDataBytes(file, layout.dataOffset, layout.declaredBytes, fileSize, layout.ownLayout);
    return true;
}

WaveChunks OpenWaveChunks(const std::string& path) {
    WaveChunks chunks;
    // Not blocking, so that a named pipe given by mistake is refused instead of waited on.
    chunks.file = LFile::Open(path, O_RDONLY | O_NONBLOCK);
    if (!chunks.file.IsOpen()) {
        Fail(chunks.error, Category::Io, -1, "The file cannot be opened: " + std::string(std::strerror(errno)) + ".");
        return chunks;
    }
    struct stat info {};
    if (::fstat(chunks.file.Descriptor(), &info) != 0 || !S_ISREG(info.st_mode)) {
        Fail(chunks.error, Category::Io, -1, "The path is not a regular file.");
        chunks.file.Close();
        return chunks;
    }
    ::fcntl(chunks.file.Descriptor(), F_SETFL, ::fcntl(chunks.file.Descriptor(), F_GETFL) & ~O_NONBLOCK);
    ::posix_fadvise(chunks.file.Descriptor(), 0, 0, POSIX_FADV_SEQUENTIAL);
    if (!WalkWaveChunks(chunks.file, chunks.layout, chunks.error))
        chunks.file.Close();
    return chunks;
}
