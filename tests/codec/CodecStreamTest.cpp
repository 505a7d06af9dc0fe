// The codec layer: the catalog and its records, and the convert rules the wave reader and writer rely on.
#include "CodecTestKit.h"

#include <CodecCatalog.h>
#include <CodecStream.h>
#include <cstring>
#include <gtest/gtest.h>

using namespace codec_test;

namespace {

std::vector<uint8_t> Bytes(const std::vector<int16_t>& samples) {
    std::vector<uint8_t> bytes(samples.size() * 2);
    std::memcpy(bytes.data(), samples.data(), bytes.size());
    return bytes;
}

WaveFormatRecord Format(const char* id, uint32_t rate, uint16_t channels) {
    const CodecCatalogEntry* entry = CodecCatalog::Find(id);
    EXPECT_NE(entry, nullptr) << id;
    return entry ? CodecCatalog::BuildFormat(*entry, rate, channels) : WaveFormatRecord{};
}

// Everything `stream` makes of `source` with `flags`, calling again while it produces or consumes.
std::vector<uint8_t> ConvertAll(CodecStream& stream, const std::vector<uint8_t>& source, uint32_t flags,
                                size_t* consumed = nullptr) {
    std::vector<uint8_t> output;
    std::vector<uint8_t> destination(stream.DestinationSizeFor(source.size()));
    size_t offset = 0;
    for (;;) {
        const CodecStream::Result result =
            stream.Convert(std::span(source).subspan(offset), std::span(destination), flags);
        offset += result.consumed;
        output.insert(output.end(), destination.begin(), destination.begin() + result.produced);
        if (result.consumed == 0 && result.produced < destination.size())
            break;
        flags &= ~CodecStream::kStart;
    }
    if (consumed)
        *consumed = offset;
    return output;
}

} // namespace

TEST(CodecCatalog, OffersEveryFormatAtTheStandardRatesAndGsmOnlyAt8000HzMono) {
    std::vector<std::string> ids;
    for (const CodecCatalogEntry& entry : CodecCatalog::Entries())
        ids.push_back(entry.id);
    EXPECT_EQ(ids, (std::vector<std::string>{"pcm8", "pcm16", "alaw", "mulaw", "ima-adpcm", "ms-adpcm", "gsm", "mp3"}));
    for (const CodecCatalogEntry& entry : CodecCatalog::Entries()) {
        if (entry.id == "gsm") {
            EXPECT_EQ(entry.rates, std::vector<uint32_t>{8000});
            EXPECT_EQ(entry.channels, std::vector<uint16_t>{1});
        } else {
            EXPECT_EQ(entry.rates, CodecCatalog::StandardRates()) << entry.id;
            EXPECT_EQ(entry.channels, CodecCatalog::StandardChannels()) << entry.id;
        }
    }
    EXPECT_EQ(CodecCatalog::FindFor(WaveFormatRecord::Pcm(8000, 1, 8))->id, "pcm8");
    EXPECT_EQ(CodecCatalog::FindFor(Format("mp3", 8000, 1))->id, "mp3");
}

TEST(CodecCatalog, RecordsCarryEachFormatsStandardFieldsAndExtraBytes) {
    const WaveFormatRecord ima = Format("ima-adpcm", 8000, 1);
    EXPECT_EQ(ima.formatTag, 0x11);
    EXPECT_EQ(ima.blockAlign, 256);
    EXPECT_EQ(ima.bitsPerSample, 4);
    EXPECT_EQ(ima.avgBytesPerSec, 4055u);
    EXPECT_EQ(ima.extra, (std::vector<uint8_t>{0xf9, 0x01})); // 505 frames a block
    EXPECT_EQ(Format("ima-adpcm", 44100, 2).blockAlign, 2048);

    const WaveFormatRecord ms = Format("ms-adpcm", 8000, 1);
    EXPECT_EQ(ms.formatTag, 0x02);
    EXPECT_EQ(ms.blockAlign, 256);
    EXPECT_EQ(ms.avgBytesPerSec, 4096u);
    ASSERT_EQ(ms.extra.size(), 32u);
    EXPECT_EQ(ReadLe16(&ms.extra[0]), 500);
    EXPECT_EQ(ReadLe16(&ms.extra[2]), 7);
    EXPECT_EQ(static_cast<int16_t>(ReadLe16(&ms.extra[4 + 6 * 4 + 2])), -232);

    const WaveFormatRecord gsm = Format("gsm", 8000, 1);
    EXPECT_EQ(gsm.formatTag, 0x31);
    EXPECT_EQ(gsm.blockAlign, 65);
    EXPECT_EQ(gsm.avgBytesPerSec, 1625u);
    EXPECT_EQ(gsm.extra, (std::vector<uint8_t>{0x40, 0x01})); // 320 frames a block

    const WaveFormatRecord mp3 = Format("mp3", 8000, 1);
    EXPECT_EQ(mp3.formatTag, 0x55);
    EXPECT_EQ(mp3.avgBytesPerSec, 2000u);
    ASSERT_EQ(mp3.extra.size(), 12u);
    EXPECT_EQ(ReadLe16(&mp3.extra[0]), 1);   // MPEG
    EXPECT_EQ(ReadLe16(&mp3.extra[6]), 144); // bytes a frame at 16 kbit/s
    EXPECT_EQ(ReadLe16(&mp3.extra[8]), 1);   // frames a block

    const WaveFormatRecord alaw = Format("alaw", 22050, 2);
    EXPECT_EQ(alaw.blockAlign, 2);
    EXPECT_EQ(alaw.avgBytesPerSec, 44100u);
    EXPECT_TRUE(alaw.extra.empty());
    EXPECT_EQ(CodecCatalog::Describe(gsm), "8,000 Hz, Mono, 1,625 bytes/s");
    EXPECT_EQ(CodecCatalog::Describe(Format("pcm16", 44100, 2)), "44,100 Hz, 16 Bit, Stereo, 176,400 bytes/s");
}

TEST(CodecCatalog, CombinationsTheCodecCannotEncodeAreRefused) {
    EXPECT_FALSE(CodecCatalog::MakeFormat("gsm", 11025, 1));
    EXPECT_FALSE(CodecCatalog::MakeFormat("gsm", 8000, 2));
    EXPECT_FALSE(CodecCatalog::MakeFormat("opus", 8000, 1));
    EXPECT_FALSE(CodecStream::CanEncode(Format("gsm", 11025, 1)));
    EXPECT_TRUE(CodecCatalog::MakeFormat("gsm", 8000, 1));
}

TEST(CodecStream, RecordsThatDoNotSayWhatTheEncoderMakesDoNotOpen) {
    WaveFormatRecord ima = Format("ima-adpcm", 8000, 1);
    ima.extra = {0x00, 0x01}; // 256 frames a block, not the 505 of a 256-byte block
    EXPECT_FALSE(CodecStream::CanEncode(ima));
    WaveFormatRecord ms = Format("ms-adpcm", 8000, 1);
    ms.extra[4] = 0x01; // a predictor table of its own
    EXPECT_FALSE(CodecStream::CanEncode(ms));
    WaveFormatRecord mp3 = Format("mp3", 8000, 1);
    mp3.avgBytesPerSec = 1234; // no layer-3 bit rate
    EXPECT_FALSE(CodecStream::CanEncode(mp3));
    WaveFormatRecord unknown = Format("alaw", 8000, 1);
    unknown.formatTag = 0x1234;
    EXPECT_EQ(CodecStream::Open(unknown, CodecStream::Direction::Decode), nullptr);
    EXPECT_NE(CodecStream::Open(Format("alaw", 8000, 1), CodecStream::Direction::Decode), nullptr);
}

TEST(CodecStream, TheBlockAlignFlagTakesWholeBlocksAndTheEndFlagPadsTheLast) {
    std::unique_ptr<CodecStream> encoder =
        CodecStream::Open(Format("ima-adpcm", 8000, 1), CodecStream::Direction::Encode);
    ASSERT_TRUE(encoder);
    EXPECT_EQ(encoder->FramesPerBlock(), 505);
    const std::vector<uint8_t> pcm = Bytes(Tone(8000, 1, 1000));
    std::vector<uint8_t> destination(encoder->DestinationSizeFor(pcm.size()));
    EXPECT_EQ(destination.size(), 512u);

    CodecStream::Result result = encoder->Convert(pcm, destination, CodecStream::kBlockAlign);
    EXPECT_EQ(result.consumed, 505u * 2);
    EXPECT_EQ(result.produced, 256u);
    result = encoder->Convert(std::span(pcm).subspan(505 * 2), destination, CodecStream::kEnd);
    EXPECT_EQ(result.consumed, 495u * 2);
    EXPECT_EQ(result.produced, 256u);
}

TEST(CodecStream, SizeQueriesGiveRoomForWholeBlocks) {
    std::unique_ptr<CodecStream> encoder = CodecStream::Open(Format("gsm", 8000, 1), CodecStream::Direction::Encode);
    std::unique_ptr<CodecStream> decoder = CodecStream::Open(Format("gsm", 8000, 1), CodecStream::Direction::Decode);
    ASSERT_TRUE(encoder && decoder);
    EXPECT_EQ(encoder->DestinationSizeFor(8192 * 2), 26u * 65); // 8192 frames need 26 blocks, the last padded
    EXPECT_EQ(decoder->SourceSizeFor(8192 * 2), 25u * 65);      // 25 whole blocks fit in 8192 frames
    EXPECT_EQ(decoder->DestinationSizeFor(65 * 3 + 1), 4u * 320 * 2);
    EXPECT_EQ(decoder->FramesForBytes(65 * 10 + 64), 3200); // a cut-off block holds nothing
    EXPECT_EQ(decoder->BytesForFrames(700), 130);
}

TEST(CodecStream, TheStartFlagRestartsTheEncoder) {
    std::unique_ptr<CodecStream> encoder =
        CodecStream::Open(Format("ima-adpcm", 8000, 1), CodecStream::Direction::Encode);
    ASSERT_TRUE(encoder);
    const std::vector<uint8_t> pcm = Bytes(Tone(8000, 1, 2020));
    const std::vector<uint8_t> first = ConvertAll(*encoder, pcm, CodecStream::kBlockAlign);
    const std::vector<uint8_t> carriedOn = ConvertAll(*encoder, pcm, CodecStream::kBlockAlign);
    const std::vector<uint8_t> restarted = ConvertAll(*encoder, pcm, CodecStream::kBlockAlign | CodecStream::kStart);
    EXPECT_EQ(first.size(), 4u * 256);
    EXPECT_NE(first, carriedOn); // the step index carried over into the next block header
    EXPECT_EQ(first, restarted);
}

TEST(CodecStream, OutputTheDestinationCannotTakeWaitsForTheNextCall) {
    std::unique_ptr<CodecStream> encoder =
        CodecStream::Open(Format("ima-adpcm", 8000, 1), CodecStream::Direction::Encode);
    std::unique_ptr<CodecStream> decoder =
        CodecStream::Open(Format("ima-adpcm", 8000, 1), CodecStream::Direction::Decode);
    ASSERT_TRUE(encoder && decoder);
    const std::vector<uint8_t> block = ConvertAll(*encoder, Bytes(Tone(8000, 1, 505)), CodecStream::kBlockAlign);
    ASSERT_EQ(block.size(), 256u);
    std::vector<uint8_t> small(100);
    CodecStream::Result result = decoder->Convert(block, small, CodecStream::kBlockAlign);
    EXPECT_EQ(result.consumed, 256u);
    EXPECT_EQ(result.produced, 100u);
    size_t total = result.produced;
    while ((result = decoder->Convert({}, small, CodecStream::kBlockAlign)).produced > 0)
        total += result.produced;
    EXPECT_EQ(total, 505u * 2);
}

TEST(CodecStream, ABlockTheDecoderRejectsBecomesABlockOfSilence) {
    std::unique_ptr<CodecStream> decoder =
        CodecStream::Open(Format("ms-adpcm", 8000, 1), CodecStream::Direction::Decode);
    ASSERT_TRUE(decoder);
    std::vector<uint8_t> block(256, 0x5a);
    block[0] = 9; // predictor index beyond the seven of the table
    const std::vector<uint8_t> decoded = ConvertAll(*decoder, block, CodecStream::kBlockAlign);
    ASSERT_EQ(decoded.size(), 500u * 2);
    EXPECT_TRUE(std::all_of(decoded.begin(), decoded.end(), [](uint8_t byte) { return byte == 0; }));
}

TEST(CodecStream, EightBitPcmRoundTripsWithinItsStep) {
    std::unique_ptr<CodecStream> encoder = CodecStream::Open(Format("pcm8", 8000, 2), CodecStream::Direction::Encode);
    std::unique_ptr<CodecStream> decoder = CodecStream::Open(Format("pcm8", 8000, 2), CodecStream::Direction::Decode);
    ASSERT_TRUE(encoder && decoder);
    const std::vector<int16_t> tone = Tone(8000, 2, 300);
    const std::vector<uint8_t> stored = ConvertAll(*encoder, Bytes(tone), CodecStream::kEnd);
    ASSERT_EQ(stored.size(), 600u);
    const std::vector<uint8_t> decoded = ConvertAll(*decoder, stored, CodecStream::kEnd);
    ASSERT_EQ(decoded.size(), 1200u);
    for (size_t i = 0; i < tone.size(); ++i) {
        int16_t value;
        std::memcpy(&value, &decoded[i * 2], 2);
        EXPECT_NEAR(value, tone[i], 256);
    }
}

TEST(CodecStream, Layer3RoundTripsThroughTheEncoderAndTheParsingDecoder) {
    std::unique_ptr<CodecStream> encoder = CodecStream::Open(Format("mp3", 22050, 2), CodecStream::Direction::Encode);
    std::unique_ptr<CodecStream> decoder = CodecStream::Open(Format("mp3", 22050, 2), CodecStream::Direction::Decode);
    ASSERT_TRUE(encoder && decoder);
    EXPECT_EQ(decoder->FramesPerBlock(), 0);
    const std::vector<int16_t> tone = Tone(22050, 2, 11025);
    const std::vector<uint8_t> stream = ConvertAll(*encoder, Bytes(tone), CodecStream::kEnd);
    EXPECT_NEAR(static_cast<double>(stream.size()), 0.5 * 8000, 1000); // 64 kbit/s for half a second
    const std::vector<uint8_t> decoded = ConvertAll(*decoder, stream, CodecStream::kEnd);
    std::vector<int16_t> samples(decoded.size() / 2);
    std::memcpy(samples.data(), decoded.data(), decoded.size());
    EXPECT_GE(samples.size() / 2, tone.size() / 2);
    EXPECT_GT(BestCorrelation(tone, samples, 2, 2400), 0.8);
}
