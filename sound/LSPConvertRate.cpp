#include "sound/LSPConvertRate.h"

#include "sound/LSRCConvertRate.h"

void LSPConvertRate::Apply(LSoundSourceHandle& result, LSoundSourceHandle& input) {
    LSoundSourceHandle source = input;
    if (source && !source->IsInvalid() && source->Rate() != targetRate &&
        LRateDesign(source->Rate(), targetRate).IsServed()) {
        result = MakeHandle<LSRCConvertRate>(source, targetRate);
        return;
    }
    result = source;
}
