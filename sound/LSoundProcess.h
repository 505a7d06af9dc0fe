// LSoundProcess: a descriptor that wraps a source into a processor with its parameters, or hands the source back.
// Apply's one rule: a non-empty, valid input that the descriptor has work to do on gets a new processor over it;
// anything else (empty, invalid, nothing to do, parameters the processor cannot serve) is returned itself.
//
//   LSoundSourceHandle chain = reader;
//   LSPConvertRate(8000).Apply(chain, chain);   // chain is now a rate converter over reader, or reader itself
#pragma once

#include "sound/LSoundSource.h"

class LSoundProcess {
public:
    virtual ~LSoundProcess() = default;
    // `result` and `input` may be the same handle.
    virtual void Apply(LSoundSourceHandle& result, LSoundSourceHandle& input) = 0;
};
