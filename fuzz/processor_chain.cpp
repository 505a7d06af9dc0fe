// fuzz_processor_chain: builds a random chain of converters and level processors over an in-memory source
// (rates, channel counts, speeds, gains, loops, limits, loud or extreme samples, the conversion chain itself),
// then reads and seeks at random. Checks that nothing crashes or overflows (ASan, UBSan), that an invalid head
// reads silence, and that a limiter at the head never lets a sample past its level.
#include "MemorySource.h"
#include "sound/ConversionChain.h"
#include "sound/LSPConvChannels.h"
#include "sound/LSPConvertRate.h"
#include "sound/LSPPeakLimit.h"
#include "sound/LSPSpeed.h"
#include "sound/LSRCConvertRate.h"
#include "sound/LSRCGain.h"
#include "sound/LSRCHighPass.h"
#include "sound/LSRCPeakLimit.h"
#include "sound/LSRCRepeat.h"
#include "sound/LSSTone.h"

#include <cstdint>
#include <cstdlib>
#include <fuzzer/FuzzedDataProvider.h>
#include <vector>

namespace {

// Bounds per input, to keep each run short: samples read from the head, frames the chain may pull from its
// source (a seek or a fast speed refills every stage's buffers below it), reads and seeks.
constexpr int64_t kSampleBudget = 8192;
constexpr int64_t kSourceBudget = 65536;
constexpr int kMostOperations = 16;
constexpr int64_t kMostSamplesPerSecond = 2 * 96000;

int32_t PickRate(FuzzedDataProvider& in) {
    static const int32_t common[] = {8000, 11025, 16000, 22050, 44100, 48000, 96000, 1000, 6000, 192000};
    if (in.ConsumeBool())
        return common[in.ConsumeIntegralInRange<size_t>(0, std::size(common) - 1)];
    return in.ConsumeIntegralInRange<int32_t>(-10, 200000);
}

// The source of the chain; `memory` is set when it is a MemorySource (whose reads are counted).
LSoundSourceHandle MakeSource(FuzzedDataProvider& in, const MemorySource*& memory) {
    const int32_t rate = PickRate(in);
    if (in.ConsumeIntegralInRange(0, 7) == 0)
        return MakeHandle<LSSTone>(rate, in.ConsumeFloatingPoint<double>(), in.ConsumeIntegralInRange(-1, 6),
                                   in.ConsumeIntegral<int8_t>(), in.ConsumeIntegralInRange<int32_t>(0, 100000), 7);
    const uint8_t channels = in.ConsumeIntegralInRange<uint8_t>(0, 4);
    const int32_t frames = in.ConsumeIntegralInRange<int32_t>(0, 4096);
    static const int32_t scales[] = {kFullScale8, kFullScale16, kFullScaleUnknown, 0x3fffff, INT32_MAX, 0};
    const int32_t fullScale = scales[in.ConsumeIntegralInRange<size_t>(0, std::size(scales) - 1)];
    std::vector<int32_t> samples(static_cast<size_t>(frames) * (channels == 0 ? 1 : channels));
    const int pattern = in.ConsumeIntegralInRange(0, 3);
    const int32_t amplitude = in.ConsumeIntegral<int32_t>();
    uint32_t state = in.ConsumeIntegral<uint32_t>();
    for (size_t i = 0; i < samples.size(); ++i) {
        state = state * 1664525u + 1013904223u;
        switch (pattern) {
        case 0: // loud noise
            samples[i] =
                static_cast<int32_t>(static_cast<int64_t>(state) % (int64_t{std::abs(int64_t{amplitude})} + 1));
            break;
        case 1: // extremes
            samples[i] = (state >> 31) ? INT32_MIN : INT32_MAX;
            break;
        case 2: // steps
            samples[i] = (i / 97) % 2 ? amplitude : static_cast<int32_t>(-static_cast<int64_t>(amplitude) / 2);
            break;
        default: // silence
            break;
        }
    }
    auto source = MakeHandle<MemorySource>(std::move(samples), rate, channels, fullScale);
    memory = source.Get();
    return source;
}

// Adds one processor. Rate converters refill 8192 frames through everything below them on each seek, and speed and
// repeat stages seek the stage below at every block or loop: so at most two rate converters, and once one is in the
// chain no speed or repeat stage goes above it (that stack multiplies the refills and only makes runs slow).
void AddStep(FuzzedDataProvider& in, LSoundSourceHandle& chain, int& rateSteps) {
    int kind = in.ConsumeIntegralInRange(0, 9);
    const bool convertsRate = kind == 0 || kind == 7 || kind == 9;
    if ((convertsRate && rateSteps >= 2) || ((kind == 2 || kind == 6) && rateSteps > 0))
        kind = 4;
    else if (convertsRate)
        ++rateSteps;
    switch (kind) {
    case 0:
        LSPConvertRate(PickRate(in)).Apply(chain, chain);
        break;
    case 1:
        LSPConvChannels(in.ConsumeIntegralInRange<uint16_t>(0, 8)).Apply(chain, chain);
        break;
    case 2: {
        const double start = in.ConsumeFloatingPointInRange<double>(-20, 20);
        const double end = in.ConsumeBool() ? in.ConsumeFloatingPointInRange<double>(-20, 20) : start;
        LSPSpeed(start, end, in.ConsumeIntegral<int32_t>()).Apply(chain, chain);
        break;
    }
    case 3:
        LSPPeakLimit(in.ConsumeIntegral<int32_t>()).Apply(chain, chain);
        break;
    case 4:
        chain = MakeHandle<LSRCGain>(chain, in.ConsumeIntegral<int8_t>());
        break;
    case 5:
        chain = MakeHandle<LSRCHighPass>(chain, in.ConsumeFloatingPoint<double>());
        break;
    case 6:
        chain = MakeHandle<LSRCRepeat>(chain, in.ConsumeIntegralInRange<int32_t>(-50000, 50000),
                                       in.ConsumeIntegralInRange<int32_t>(-50000, 50000));
        break;
    case 7:
        chain = MakeHandle<LSRCConvertRate>(chain, PickRate(in));
        break;
    case 8:
        chain = MakeHandle<LSRCPeakLimit>(chain, in.ConsumeIntegral<int32_t>());
        break;
    default: {
        ConversionTarget target;
        target.rate = PickRate(in);
        target.channels = in.ConsumeIntegralInRange<uint16_t>(0, 3);
        target.bits = in.ConsumeBool() ? 8 : 16;
        target.gainDb = in.ConsumeIntegral<int8_t>();
        target.speed = in.ConsumeBool() || rateSteps > 1 ? 1.0 : in.ConsumeFloatingPointInRange<double>(-8, 8);
        target.limit = in.ConsumeBool();
        ConversionChain built = BuildConversionChain(chain, target);
        if (built.head)
            chain = built.head;
        break;
    }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    const MemorySource* memory = nullptr;
    LSoundSourceHandle chain = MakeSource(in, memory);
    const LSoundSourceHandle root = chain; // keeps `memory` alive
    const int steps = in.ConsumeIntegralInRange(0, 6);
    int rateSteps = 0;
    // Each stage primes itself from the one below when it is made, reading ahead in proportion to the rate and the
    // channels (and the speed): no stage is added over more than stereo at 96 kHz.
    for (int step = 0; step < steps && chain && int64_t{chain->Rate()} * chain->Channels() <= kMostSamplesPerSecond;
         ++step)
        AddStep(in, chain, rateSteps);
    if (!chain)
        return 0;

    const auto* limiter = dynamic_cast<const LSRCPeakLimit*>(chain.Get());
    const bool processor = dynamic_cast<const LSoundProcessBase*>(chain.Get()) != nullptr;
    int64_t budget = kSampleBudget;
    std::vector<int32_t> buffer;
    for (int operation = 0; operation < kMostOperations && in.remaining_bytes() > 0 && budget > 0 &&
                            (!memory || memory->FramesRead() < kSourceBudget);
         ++operation) {
        if (in.ConsumeIntegralInRange(0, 4) == 0) {
            chain->Seek(in.ConsumeIntegral<int32_t>());
            (void)chain->GetPosition();
            (void)chain->GetLength();
            continue;
        }
        const int64_t most = std::min<int64_t>(4096, budget / chain->Channels() + 1);
        const int32_t frames = in.ConsumeIntegralInRange<int32_t>(0, static_cast<int32_t>(most));
        buffer.assign(static_cast<size_t>(frames) * chain->Channels(), 0x5a5a5a5a);
        chain->Read(buffer.data(), frames);
        budget -= static_cast<int64_t>(frames) * chain->Channels();
        for (int32_t value : buffer) {
            if (processor && chain->IsInvalid() && value != 0)
                std::abort(); // an invalid processor must read silence
            if (limiter && !limiter->IsInvalid() && (value > limiter->Level() || value < -limiter->Level()))
                std::abort(); // the limiter let a sample past its level
        }
    }
    return 0;
}
