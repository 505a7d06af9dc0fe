#include "sound/LSPSpeed.h"

#include "sound/LSRCSpeed.h"

void LSPSpeed::Apply(LSoundSourceHandle& result, LSoundSourceHandle& input) {
    LSoundSourceHandle source = input;
    if (source && !source->IsInvalid() && LSRCSpeed::IsUsableSpeed(startSpeed) && LSRCSpeed::IsUsableSpeed(endSpeed)) {
        result = MakeHandle<LSRCSpeed>(source, startSpeed, endSpeed, rampTime);
        return;
    }
    result = source;
}
