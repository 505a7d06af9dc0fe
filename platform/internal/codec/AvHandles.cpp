#include "AvHandles.h"

extern "C" {
#include <libavutil/log.h>
}

#include <mutex>

bool AvCodecObjects::Allocate(const AVCodec* codec, int rate, int channels) {
    context.reset(avcodec_alloc_context3(codec));
    frame.reset(av_frame_alloc());
    packet.reset(av_packet_alloc());
    if (!context || !frame || !packet)
        return false;
    context->sample_rate = rate;
    av_channel_layout_default(&context->ch_layout, channels);
    return true;
}

void QuietAvLog() {
    static std::once_flag once;
    std::call_once(once, [] { av_log_set_level(AV_LOG_QUIET); });
}
