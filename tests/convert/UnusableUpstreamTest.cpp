// Every processor over an empty or invalid upstream is invalid and reads silence, whatever the buffer held.
#include "ConvertTestSupport.h"
#include "LSRCConvChannelsN.h"
#include "LSRCConvMonoStereo.h"
#include "LSRCConvStereoMono.h"
#include "LSRCConvertRate.h"
#include "LSRCGain.h"
#include "LSRCHighPass.h"
#include "LSRCPeakLimit.h"
#include "LSRCRepeat.h"
#include "LSRCSpeed.h"

#include <functional>
#include <gtest/gtest.h>

using namespace convert_test;

namespace {

using Builder = std::function<LSoundSourceHandle(LSoundSourceHandle)>;

std::vector<std::pair<const char*, Builder>> Builders() {
    return {
        {"rate", [](LSoundSourceHandle u) { return LSoundSourceHandle(MakeHandle<LSRCConvertRate>(u, 8000)); }},
        {"stereo to mono", [](LSoundSourceHandle u) { return LSoundSourceHandle(MakeHandle<LSRCConvStereoMono>(u)); }},
        {"mono to stereo", [](LSoundSourceHandle u) { return LSoundSourceHandle(MakeHandle<LSRCConvMonoStereo>(u)); }},
        {"channels", [](LSoundSourceHandle u) { return LSoundSourceHandle(MakeHandle<LSRCConvChannelsN>(u, 3)); }},
        {"speed", [](LSoundSourceHandle u) { return LSoundSourceHandle(MakeHandle<LSRCSpeed>(u, 0.5, 7.0, 80000)); }},
        {"repeat", [](LSoundSourceHandle u) { return LSoundSourceHandle(MakeHandle<LSRCRepeat>(u, 0, 100)); }},
        {"limit", [](LSoundSourceHandle u) { return LSoundSourceHandle(MakeHandle<LSRCPeakLimit>(u, 1000)); }},
        {"gain", [](LSoundSourceHandle u) { return LSoundSourceHandle(MakeHandle<LSRCGain>(u, 6)); }},
        {"high-pass", [](LSoundSourceHandle u) { return LSoundSourceHandle(MakeHandle<LSRCHighPass>(u, 100.0)); }},
    };
}

} // namespace

TEST(UnusableUpstream, EveryProcessorOverAnEmptyOrInvalidUpstreamReadsSilence) {
    for (const auto& [name, build] : Builders()) {
        for (LSoundSourceHandle upstream : {LSoundSourceHandle(), InvalidSource()}) {
            LSoundSourceHandle processor = build(upstream);
            EXPECT_TRUE(processor->IsInvalid()) << name;
            for (int32_t frames : {1, 100, 9000}) {
                std::vector<int32_t> out(static_cast<size_t>(frames) * processor->Channels(), 0x5555);
                processor->Read(out.data(), frames);
                EXPECT_TRUE(std::all_of(out.begin(), out.end(), [](int32_t v) { return v == 0; })) << name;
            }
            processor->Seek(50);
            EXPECT_EQ(processor->GetLength(), upstream ? upstream->GetLength() : 0) << name;
        }
    }
}

TEST(UnusableUpstream, ReadsOfNothingOrLessTouchNothing) {
    for (const auto& [name, build] : Builders()) {
        LSoundSourceHandle processor = build(Memory(std::vector<int32_t>(2 * 20000, 3), 8000, 2));
        int32_t sample = 0x5555;
        processor->Read(&sample, 0);
        processor->Read(&sample, -5);
        EXPECT_EQ(sample, 0x5555) << name;
    }
}
