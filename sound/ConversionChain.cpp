#include "sound/ConversionChain.h"

#include "sound/LRateDesign.h"
#include "sound/LSPConvChannels.h"
#include "sound/LSPConvertRate.h"
#include "sound/LSPPeakLimit.h"
#include "sound/LSPSpeed.h"
#include "sound/LSRCGain.h"
#include "sound/LSRCHighPass.h"
#include "sound/LSRCRepeat.h"
#include "sound/LSRCSpeed.h"

#include <cmath>

namespace {

ConversionChain Failure(std::string problem) {
    return ConversionChain{LSoundSourceHandle(), std::move(problem)};
}

} // namespace

int32_t WriterFullScale(int bits) {
    return bits <= 8 ? kFullScale8 : kFullScale16;
}

ConversionChain BuildConversionChain(LSoundSourceHandle source, const ConversionTarget& target) {
    if (!source || source->IsInvalid())
        return Failure("The sound cannot be read.");
    if (target.rate < 0)
        return Failure("The rate must be a positive number of frames per second.");
    if (target.channels > 255)
        return Failure("A sound can have at most 255 channels.");

    LSoundSourceHandle chain = source;
    if (target.repeat)
        chain = MakeHandle<LSRCRepeat>(chain, target.repeat->first, target.repeat->second);
    if (target.highPassHz > 0) {
        if (!std::isfinite(target.highPassHz))
            return Failure("The high-pass frequency must be a number.");
        chain = MakeHandle<LSRCHighPass>(chain, target.highPassHz);
    }
    if (target.speed != 1.0) {
        if (!LSRCSpeed::IsUsableSpeed(target.speed))
            return Failure("The speed must be a number from -1000 to 1000.");
        LSPSpeed(target.speed, target.speed, 0).Apply(chain, chain);
    }

    const uint16_t channels = target.channels == 0 ? chain->Channels() : target.channels;
    if (channels < chain->Channels())
        LSPConvChannels(channels).Apply(chain, chain);
    if (target.rate != 0 && target.rate != chain->Rate()) {
        const LRateDesign design(chain->Rate(), target.rate);
        if (!design.IsServed())
            return Failure("Cannot convert " + std::to_string(chain->Rate()) + " to " + std::to_string(target.rate) +
                           " frames per second: " + design.Problem() + ".");
        LSPConvertRate(target.rate).Apply(chain, chain);
    }
    if (channels > chain->Channels())
        LSPConvChannels(channels).Apply(chain, chain);

    if (target.gainDb != 0)
        chain = MakeHandle<LSRCGain>(chain, target.gainDb);
    if (target.limit)
        LSPPeakLimit(target.limitLevel > 0 ? target.limitLevel : WriterFullScale(target.bits)).Apply(chain, chain);

    if (chain->IsInvalid())
        return Failure("The sound cannot be converted.");
    return ConversionChain{chain, ""};
}
