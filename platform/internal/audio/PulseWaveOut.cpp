#include "PulseWaveOut.h"

#include <algorithm>

namespace audio_internal {

namespace {

// How far ahead of the speaker the server gets our audio.
constexpr pa_usec_t kServerAheadUsec = 250 * PA_USEC_PER_MSEC;
// How often the server is asked how far it played, at most.
constexpr std::chrono::milliseconds kTimingInterval{10};

bool IsReady(pa_stream* stream) {
    return stream && pa_stream_get_state(stream) == PA_STREAM_READY;
}

} // namespace

bool PulseWaveOut::OpenStream(const WaveOutOptions& options, uint16_t mixerLevel) {
    std::optional<std::string> device = m_session->DeviceName(AudioDirection::Playback, options.device);
    if (!device)
        return false;
    m_connection = m_session->Connection();
    if (!m_connection)
        return false;
    m_channels = options.format.channels;
    m_rate = options.format.rate;

    PulseLock lock(*m_connection);
    m_queue.Clear();
    m_sentFrames = 0;
    m_corked = true;
    m_held = false;
    m_primed = false;
    m_placeOnRead = false;
    m_timingKnown = false;
    const pa_sample_spec sampleFormat{PA_SAMPLE_S16NE, options.format.rate,
                                      static_cast<uint8_t>(options.format.channels)};
    pa_proplist* properties = pa_proplist_new();
    pa_proplist_sets(properties, PA_PROP_MEDIA_ROLE, "production");
    m_stream =
        pa_stream_new_with_proplist(m_connection->Context(), "Dictation playback", &sampleFormat, nullptr, properties);
    pa_proplist_free(properties);
    if (!m_stream) {
        m_connection.reset();
        return false;
    }
    pa_stream_set_state_callback(m_stream, OnState, this);
    pa_stream_set_write_callback(m_stream, OnWrite, this);
    pa_stream_set_underflow_callback(m_stream, OnUnderflow, this);

    pa_buffer_attr buffer{};
    buffer.maxlength = static_cast<uint32_t>(-1);
    buffer.tlength = static_cast<uint32_t>(pa_usec_to_bytes(kServerAheadUsec, &sampleFormat));
    buffer.prebuf = 0; // we start and hold the stream ourselves
    buffer.minreq = static_cast<uint32_t>(-1);
    buffer.fragsize = static_cast<uint32_t>(-1);
    pa_cvolume volume;
    pa_cvolume_set(&volume, sampleFormat.channels, PulseVolumeForMixerLevel(mixerLevel));
    const pa_stream_flags_t flags = static_cast<pa_stream_flags_t>(PA_STREAM_START_CORKED | PA_STREAM_ADJUST_LATENCY |
                                                                   (device->empty() ? 0 : PA_STREAM_DONT_MOVE));
    const bool ready = pa_stream_connect_playback(m_stream, device->empty() ? nullptr : device->c_str(), &buffer, flags,
                                                  &volume, nullptr) == 0 &&
                       m_connection->WaitLocked(
                           [this] {
                               const pa_stream_state_t state = pa_stream_get_state(m_stream);
                               return state == PA_STREAM_READY || !PA_STREAM_IS_GOOD(state);
                           },
                           kPulseAnswerTime) &&
                       IsReady(m_stream);
    // On PipeWire a new stream starts at the volume the server keeps for streams like it, not the one given here.
    if (ready)
        SetVolumeLocked(mixerLevel);
    if (!ready) {
        pa_stream_set_state_callback(m_stream, nullptr, nullptr);
        pa_stream_set_write_callback(m_stream, nullptr, nullptr);
        pa_stream_set_underflow_callback(m_stream, nullptr, nullptr);
        pa_stream_disconnect(m_stream);
        pa_stream_unref(m_stream);
        m_stream = nullptr;
    }
    return ready;
}

bool PulseWaveOut::QueueFrames(std::span<const int16_t> samples) {
    PulseLock lock(*m_connection);
    if (!IsReady(m_stream))
        return false;
    m_queue.Push(samples);
    m_primed = true;
    SendLocked();
    if (!m_held)
        CorkLocked(false);
    return true;
}

int64_t PulseWaveOut::UnplayedFrames() {
    PulseLock lock(*m_connection);
    const int64_t waiting = static_cast<int64_t>(m_queue.Size() / m_channels);
    if (!IsReady(m_stream))
        return waiting;
    RequestTimingLocked();
    const pa_timing_info* timing = pa_stream_get_timing_info(m_stream);
    if (!timing || timing->write_index_corrupt || timing->read_index_corrupt || !m_timingKnown)
        return waiting + m_sentFrames; // not known yet: count nothing more as played
    // What the server still holds of ours: its queue, and while playing what the sound card has not played,
    // less the time since the server told us (it went on playing meanwhile).
    const pa_sample_spec* sampleFormat = pa_stream_get_sample_spec(m_stream);
    int64_t bytes = timing->write_index - timing->read_index;
    if (timing->playing && !m_corked) {
        const auto since =
            std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - m_timingArrived);
        bytes += static_cast<int64_t>(pa_usec_to_bytes(timing->sink_usec, sampleFormat));
        bytes -= static_cast<int64_t>(pa_usec_to_bytes(static_cast<pa_usec_t>(since.count()), sampleFormat));
    }
    const int64_t frames = bytes / static_cast<int64_t>(pa_frame_size(sampleFormat));
    return waiting + std::clamp<int64_t>(frames, 0, m_sentFrames);
}

void PulseWaveOut::RequestTimingLocked() {
    const auto now = std::chrono::steady_clock::now();
    if (m_timingRequest || now - m_timingRequested < kTimingInterval)
        return;
    m_timingRequest = pa_stream_update_timing_info(m_stream, OnTiming, this);
    m_timingRequested = now;
}

void PulseWaveOut::OnTiming(pa_stream*, int success, void* userdata) {
    auto* self = static_cast<PulseWaveOut*>(userdata);
    if (self->m_timingRequest) {
        pa_operation_unref(self->m_timingRequest);
        self->m_timingRequest = nullptr;
    }
    if (success) {
        self->m_timingKnown = true;
        self->m_timingArrived = std::chrono::steady_clock::now();
    }
}

void PulseWaveOut::PauseStream() {
    PulseLock lock(*m_connection);
    m_held = true;
    CorkLocked(true);
}

void PulseWaveOut::RestartStream() {
    PulseLock lock(*m_connection);
    m_held = false;
    // An empty stream stays corked until its first frames arrive, so that they are not played late or cut.
    if (m_primed)
        CorkLocked(false);
}

void PulseWaveOut::FlushStream() {
    PulseLock lock(*m_connection);
    m_queue.Clear();
    if (!IsReady(m_stream))
        return;
    CorkLocked(true);
    if (pa_operation* operation = pa_stream_flush(m_stream, nullptr, nullptr))
        pa_operation_unref(operation);
    m_primed = false;
    m_placeOnRead = false;
}

void PulseWaveOut::CloseStream() {
    if (m_stream) {
        PulseLock lock(*m_connection);
        if (m_timingRequest) { // its answer must not find us gone
            pa_operation_cancel(m_timingRequest);
            pa_operation_unref(m_timingRequest);
            m_timingRequest = nullptr;
        }
        pa_stream_set_state_callback(m_stream, nullptr, nullptr);
        pa_stream_set_write_callback(m_stream, nullptr, nullptr);
        pa_stream_set_underflow_callback(m_stream, nullptr, nullptr);
        pa_stream_disconnect(m_stream);
        pa_stream_unref(m_stream);
        m_stream = nullptr;
        m_queue.Clear();
    }
    m_connection.reset();
}

void PulseWaveOut::SetStreamLevel(uint16_t mixerLevel) {
    PulseLock lock(*m_connection);
    if (IsReady(m_stream))
        SetVolumeLocked(mixerLevel);
}

void PulseWaveOut::SetVolumeLocked(uint16_t mixerLevel) {
    pa_cvolume volume;
    pa_cvolume_set(&volume, static_cast<unsigned>(m_channels), PulseVolumeForMixerLevel(mixerLevel));
    m_connection->FinishLocked(pa_context_set_sink_input_volume(m_connection->Context(), pa_stream_get_index(m_stream),
                                                                &volume, PulseConnection::SignalAnswer,
                                                                m_connection.get()),
                               kPulseAnswerTime);
}

void PulseWaveOut::SendLocked() {
    if (!IsReady(m_stream))
        return;
    const size_t writable = pa_stream_writable_size(m_stream);
    if (writable == static_cast<size_t>(-1))
        return;
    const size_t frameBytes = m_channels * sizeof(int16_t);
    size_t room = writable / frameBytes * m_channels; // samples, whole frames
    while (room > 0 && !m_queue.Empty()) {
        const std::span<const int16_t> run = m_queue.Front(room);
        const pa_seek_mode_t seek = m_placeOnRead ? PA_SEEK_RELATIVE_ON_READ : PA_SEEK_RELATIVE;
        if (pa_stream_write(m_stream, run.data(), run.size() * sizeof(int16_t), nullptr, 0, seek) < 0)
            return;
        m_placeOnRead = false;
        m_sentFrames += static_cast<int64_t>(run.size() / m_channels);
        m_queue.Pop(run.size());
        room -= run.size();
    }
}

void PulseWaveOut::CorkLocked(bool corked) {
    if (m_corked == corked || !IsReady(m_stream))
        return;
    m_corked = corked;
    if (pa_operation* operation = pa_stream_cork(m_stream, corked ? 1 : 0, nullptr, nullptr))
        pa_operation_unref(operation);
}

void PulseWaveOut::OnState(pa_stream* stream, void* userdata) {
    auto* self = static_cast<PulseWaveOut*>(userdata);
    self->m_connection->Signal();
    const pa_stream_state_t state = pa_stream_get_state(stream);
    if (state == PA_STREAM_FAILED || state == PA_STREAM_TERMINATED)
        self->ReportLost();
}

void PulseWaveOut::OnWrite(pa_stream*, size_t, void* userdata) {
    static_cast<PulseWaveOut*>(userdata)->SendLocked();
}

void PulseWaveOut::OnUnderflow(pa_stream*, void* userdata) {
    auto* self = static_cast<PulseWaveOut*>(userdata);
    // With nothing left of ours, the server's read position ran ahead: put what comes next where it reads, so
    // that it is played from its first frame instead of losing its head.
    if (self->m_queue.Empty())
        self->m_placeOnRead = true;
}

} // namespace audio_internal
