#include "sound/LSPConvChannels.h"

#include "sound/LSRCConvChannelsN.h"
#include "sound/LSRCConvMonoStereo.h"
#include "sound/LSRCConvStereoMono.h"

void LSPConvChannels::Apply(LSoundSourceHandle& result, LSoundSourceHandle& input) {
    LSoundSourceHandle source = input;
    if (!source || source->IsInvalid() || targetChannels == 0 || targetChannels > 255 ||
        targetChannels == source->Channels()) {
        result = source;
        return;
    }
    if (source->Channels() == 2 && targetChannels == 1)
        result = MakeHandle<LSRCConvStereoMono>(source);
    else if (source->Channels() == 1 && targetChannels == 2)
        result = MakeHandle<LSRCConvMonoStereo>(source);
    else
        result = MakeHandle<LSRCConvChannelsN>(source, targetChannels);
}
