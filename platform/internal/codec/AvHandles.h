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

// The context, frame and packet one codec stream works with.
struct AvCodecObjects {
    AvContextPtr context;
    AvFramePtr frame;
    AvPacketPtr packet;

    // Allocates the three for `codec` and sets the context's rate and the default layout of `channels`; false
    // when any of them could not be allocated.
    bool Allocate(const AVCodec* codec, int rate, int channels);
};

// Keeps libavcodec's messages off the terminal (once per process).
void QuietAvLog();
