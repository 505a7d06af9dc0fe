// AvHandles: move-only owners of the libavcodec objects the codec streams use.
#pragma once

extern "C" {
#include <libavcodec/avcodec.h>
}

#include <memory>

struct AvContextFree {
    void operator()(AVCodecContext* context) const { avcodec_free_context(&context); }
};
struct AvFrameFree {
    void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
struct AvPacketFree {
    void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};

using AvContextPtr = std::unique_ptr<AVCodecContext, AvContextFree>;
using AvFramePtr = std::unique_ptr<AVFrame, AvFrameFree>;
using AvPacketPtr = std::unique_ptr<AVPacket, AvPacketFree>;

// Keeps libavcodec's messages off the terminal (once per process).
void QuietAvLog();
