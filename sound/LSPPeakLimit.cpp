#include "sound/LSPPeakLimit.h"

#include "sound/LSRCPeakLimit.h"

void LSPPeakLimit::Apply(LSoundSourceHandle& result, LSoundSourceHandle& input) {
    LSoundSourceHandle source = input;
    if (source && !source->IsInvalid() && level >= 1 && level < source->FullScale()) {
        result = MakeHandle<LSRCPeakLimit>(source, level);
        return;
    }
    result = source;
}
