#include "send/AudioConversion.h"

#include "platform/FileOps.h"
#include "sound/ConversionChain.h"
#include "sound/WaveFile.h"

#include <algorithm>
#include <vector>

ConversionOutcome ConvertAudio(const std::string& wavePath, const WaveFormatRecord& format,
                               const std::string& targetPath, const ConversionCalls& calls) {
    const WaveOpenResult opened = OpenWaveFileWithReason(wavePath);
    if (!opened.source || opened.source->IsInvalid()) {
        RemoveFile(targetPath);
        return ConversionOutcome::SourceUnreadable;
    }
    ConversionTarget target;
    target.rate = static_cast<int32_t>(format.samplesPerSec);
    target.channels = format.channels;
    target.bits = format.IsPcm() ? format.bitsPerSample : 16;
    const ConversionChain chain = BuildConversionChain(opened.source, target);
    if (!chain.head) {
        RemoveFile(targetPath);
        return ConversionOutcome::NotConvertible;
    }
    LSoundSource& source = *chain.head;

    ConversionOutcome outcome = ConversionOutcome::Converted;
    {
        LSoundSinkHandle sink = CreateFileSinkForFormat(targetPath, format);
        if (!sink || sink->IsInError()) {
            outcome = ConversionOutcome::WriteFailed;
        } else {
            std::vector<int32_t> block(static_cast<size_t>(kMaxFramesPerCall) * source.Channels());
            for (int index = 0;; ++index) {
                if (calls.shouldGoOn && !calls.shouldGoOn()) {
                    outcome = ConversionOutcome::Stopped;
                    break;
                }
                const int32_t position = source.GetPosition();
                const int32_t length = source.GetLength();
                if (position >= length)
                    break;
                const int32_t asked = std::min(kMaxFramesPerCall, length - position);
                source.Read(block.data(), asked);
                // A codec's length is an estimate until its end: keep only the frames the source really had.
                const int32_t got = std::clamp(source.GetLength() - position, 0, asked);
                sink->Write(block.data(), got);
                if (sink->IsInError()) {
                    outcome = ConversionOutcome::WriteFailed;
                    break;
                }
                if (calls.blockDone)
                    calls.blockDone(index);
                if (got < asked)
                    break;
            }
        }
        if (sink && !FinishFileSink(*sink) && outcome == ConversionOutcome::Converted)
            outcome = ConversionOutcome::WriteFailed;
    }
    if (outcome != ConversionOutcome::Converted)
        RemoveFile(targetPath);
    return outcome;
}
