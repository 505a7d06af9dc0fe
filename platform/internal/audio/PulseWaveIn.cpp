#include "PulseWaveIn.h"

namespace audio_internal {

bool PulseWaveIn::OpenStream(const WaveInOptions& options) {
    std::optional<std::string> device = m_session->DeviceName(AudioDirection::Recording, options.device);
    if (!device)
        return false;
    m_connection = m_session->OwnConnection();
    if (!m_connection)
        return false;
    m_frameBytes = options.format.BytesPerFrame();

    PulseLock lock(*m_connection);
    const pa_sample_spec sampleFormat{PA_SAMPLE_S16NE, options.format.rate,
                                      static_cast<uint8_t>(options.format.channels)};
    pa_proplist* properties = pa_proplist_new();
    pa_proplist_sets(properties, PA_PROP_MEDIA_ROLE, "production");
    m_stream =
        pa_stream_new_with_proplist(m_connection->Context(), "Dictation recording", &sampleFormat, nullptr, properties);
    pa_proplist_free(properties);
    if (!m_stream) {
        m_connection.reset();
        return false;
    }
    pa_stream_set_state_callback(m_stream, OnState, this);
    pa_stream_set_read_callback(m_stream, OnRead, this);

    // One block per fragment: the default would keep about two seconds in the server before we see any of it.
    pa_buffer_attr buffer{};
    buffer.maxlength = static_cast<uint32_t>(-1);
    buffer.tlength = buffer.prebuf = buffer.minreq = static_cast<uint32_t>(-1);
    buffer.fragsize = static_cast<uint32_t>(options.framesPerBlock * m_frameBytes);
    // A device chosen by name is not swapped for another behind the owner's back: losing it ends the stream.
    const pa_stream_flags_t flags = static_cast<pa_stream_flags_t>(PA_STREAM_START_CORKED | PA_STREAM_ADJUST_LATENCY |
                                                                   (device->empty() ? 0 : PA_STREAM_DONT_MOVE));
    const bool ready =
        pa_stream_connect_record(m_stream, device->empty() ? nullptr : device->c_str(), &buffer, flags) == 0 &&
        m_connection->WaitLocked(
            [this] {
                const pa_stream_state_t state = pa_stream_get_state(m_stream);
                return state == PA_STREAM_READY || !PA_STREAM_IS_GOOD(state);
            },
            kPulseAnswerTime) &&
        pa_stream_get_state(m_stream) == PA_STREAM_READY;
    if (!ready) {
        pa_stream_set_state_callback(m_stream, nullptr, nullptr);
        pa_stream_set_read_callback(m_stream, nullptr, nullptr);
        pa_stream_disconnect(m_stream);
        pa_stream_unref(m_stream);
        m_stream = nullptr;
    }
    return ready;
}

void PulseWaveIn::Cork(bool corked) {
    if (pa_operation* operation = pa_stream_cork(m_stream, corked ? 1 : 0, nullptr, nullptr))
        pa_operation_unref(operation);
}

void PulseWaveIn::StartStream() {
    if (!m_stream)
        return;
    PulseLock lock(*m_connection);
    m_running = true;
    Cork(false);
}

void PulseWaveIn::StopStream() {
    if (!m_stream)
        return;
    PulseLock lock(*m_connection);
    m_running = false;
    Cork(true);
    if (pa_operation* operation = pa_stream_flush(m_stream, nullptr, nullptr))
        pa_operation_unref(operation);
}

void PulseWaveIn::CloseStream() {
    if (m_stream) {
        PulseLock lock(*m_connection);
        m_running = false;
        pa_stream_set_state_callback(m_stream, nullptr, nullptr);
        pa_stream_set_read_callback(m_stream, nullptr, nullptr);
        pa_stream_disconnect(m_stream);
        pa_stream_unref(m_stream);
        m_stream = nullptr;
    }
    m_connection.reset();
}

void PulseWaveIn::OnState(pa_stream* stream, void* userdata) {
    auto* self = static_cast<PulseWaveIn*>(userdata);
    self->m_connection->Signal();
    const pa_stream_state_t state = pa_stream_get_state(stream);
    // Our own disconnect removes this callback first, so an ending stream here is a lost device or server.
    if (state == PA_STREAM_FAILED || state == PA_STREAM_TERMINATED)
        self->ReportLost();
}

void PulseWaveIn::OnRead(pa_stream* stream, size_t, void* userdata) {
    auto* self = static_cast<PulseWaveIn*>(userdata);
    for (;;) {
        const void* data = nullptr;
        size_t bytes = 0;
        if (pa_stream_peek(stream, &data, &bytes) < 0 || bytes == 0)
            return;
        if (self->m_running) {
            const int64_t frames = static_cast<int64_t>(bytes / self->m_frameBytes);
            if (data)
                self->Feed(static_cast<const int16_t*>(data), frames);
            else
                self->FeedSilence(frames);
        }
        pa_stream_drop(stream);
    }
}

} // namespace audio_internal
