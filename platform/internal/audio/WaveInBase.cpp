#include "WaveInBase.h"

#include "SampleGain.h"
#include "platform/Poster.h"

#include <algorithm>
#include <cstring>

namespace audio_internal {

namespace {

// A fixed-capacity first-in first-out ring of block indices; allocates only when created.
class IndexRing {
public:
    explicit IndexRing(int32_t capacity) : m_slots(static_cast<size_t>(capacity)) {}
    bool Empty() const { return m_size == 0; }
    int32_t Size() const { return m_size; }
    int32_t Front() const { return m_slots[m_head]; }
    void Push(int32_t value) {
        m_slots[(m_head + static_cast<size_t>(m_size)) % m_slots.size()] = value;
        ++m_size;
    }
    int32_t Pop() {
        const int32_t value = m_slots[m_head];
        m_head = (m_head + 1) % m_slots.size();
        --m_size;
        return value;
    }

private:
    std::vector<int32_t> m_slots;
    size_t m_head = 0;
    int32_t m_size = 0;
};

constexpr int32_t kMaxFramesPerBlock = 65536;
constexpr int32_t kMaxBlockCount = 1024;
constexpr int64_t kMaxBlockMemorySamples = int64_t{64} << 20; // 128 MiB of samples at most

} // namespace

struct WaveInBase::Core {
    Core(const WaveInOptions& options)
        : framesPerBlock(options.framesPerBlock), channels(options.format.channels),
          samplesPerBlock(static_cast<size_t>(options.framesPerBlock) * options.format.channels),
          memory(samplesPerBlock * static_cast<size_t>(options.blockCount)),
          frames(static_cast<size_t>(options.blockCount), 0),
          places(static_cast<size_t>(options.blockCount), Place::Owner), queued(options.blockCount),
          filled(options.blockCount) {}

    int16_t* Block(int32_t index) { return memory.data() + samplesPerBlock * static_cast<size_t>(index); }

    // Moves the head of the queue to the filled ring with `recorded` frames, silencing the rest of it.
    void CompleteFront(int32_t recorded) {
        const int32_t index = queued.Pop();
        std::fill(Block(index) + static_cast<size_t>(recorded) * channels, Block(index) + samplesPerBlock, 0);
        frames[static_cast<size_t>(index)] = recorded;
        places[static_cast<size_t>(index)] = Place::Filled;
        filled.Push(index);
    }

    const int32_t framesPerBlock;
    const int32_t channels;
    const size_t samplesPerBlock;

    mutable std::mutex mutex; // guards everything below
    std::vector<int16_t> memory;
    std::vector<int32_t> frames;
    std::vector<Place> places;
    IndexRing queued;
    IndexRing filled;
    int32_t fill = 0; // frames already in the block at the head of `queued`
    bool lost = false;
    bool lostReported = false;
    bool wakePending = false;
    WaveInStats stats;
};

WaveInBase::~WaveInBase() {
    *m_lifetime = false;
}

bool WaveInBase::Open(const WaveInOptions& options, Poster& poster, WaveInNotify& notify) {
    Close();
    if (!options.format.IsValid() || options.framesPerBlock < 1 || options.framesPerBlock > kMaxFramesPerBlock ||
        options.blockCount < 1 || options.blockCount > kMaxBlockCount ||
        int64_t{options.framesPerBlock} * options.format.channels * options.blockCount > kMaxBlockMemorySamples)
        return false;
    const int deviceLimit = 127; // device numbers are signed 8-bit
    if (options.device < -1 || options.device > deviceLimit)
        return false;
    m_options = options;
    m_poster = &poster;
    m_notify = &notify;
    m_core = std::make_shared<Core>(options);
    if (!OpenStream(options)) {
        m_core.reset();
        return false;
    }
    return true;
}

void WaveInBase::Start() {
    if (!m_core)
        return;
    if (!m_streaming) {
        StartStream();
        m_streaming = true;
    }
    OnBlocksQueued();
}

bool WaveInBase::AddBuffer(int32_t index) {
    if (!m_core || index < 0 || index >= m_options.blockCount)
        return false;
    {
        std::lock_guard lock(m_core->mutex);
        Place& place = m_core->places[static_cast<size_t>(index)];
        if (place != Place::Owner)
            return false;
        place = Place::Queued;
        m_core->queued.Push(index);
    }
    if (m_streaming)
        OnBlocksQueued();
    return true;
}

int32_t WaveInBase::Reset() {
    if (!m_core)
        return 0;
    if (m_streaming) {
        StopStream();
        m_streaming = false;
    }
    int32_t returned = 0;
    bool wake = false;
    {
        std::lock_guard lock(m_core->mutex);
        while (!m_core->queued.Empty()) {
            m_core->CompleteFront(returned == 0 ? m_core->fill : 0);
            ++returned;
        }
        m_core->fill = 0;
        if (returned > 0 && !m_core->wakePending)
            wake = m_core->wakePending = true;
    }
    if (wake)
        Wake(m_core);
    return returned;
}

void WaveInBase::Close() {
    if (!m_core)
        return;
    if (m_streaming) {
        StopStream();
        m_streaming = false;
    }
    CloseStream();
    m_core.reset();
}

bool WaveInBase::IsLost() const {
    if (!m_core)
        return false;
    std::lock_guard lock(m_core->mutex);
    return m_core->lost;
}

int32_t WaveInBase::QueuedBlocks() const {
    if (!m_core)
        return 0;
    std::lock_guard lock(m_core->mutex);
    return m_core->queued.Size();
}

WaveInStats WaveInBase::Stats() const {
    if (!m_core)
        return {};
    std::lock_guard lock(m_core->mutex);
    return m_core->stats;
}

void WaveInBase::Feed(const int16_t* samples, int64_t frames) {
    Put(samples, frames, false);
}

void WaveInBase::FeedSilence(int64_t frames) {
    Put(nullptr, frames, true);
}

void WaveInBase::SetFeedGain(double gain) {
    m_gain.store(gain);
}

bool WaveInBase::HasQueuedBlock() const {
    if (!m_core)
        return false;
    std::lock_guard lock(m_core->mutex);
    return !m_core->queued.Empty() && !m_core->lost;
}

void WaveInBase::CountOverrun() {
    if (!m_core)
        return;
    std::lock_guard lock(m_core->mutex);
    ++m_core->stats.overruns;
}

void WaveInBase::Put(const int16_t* samples, int64_t frames, bool silence) {
    Core* core = m_core.get();
    if (!core || frames <= 0)
        return;
    const double gain = m_gain.load();
    bool wake = false;
    {
        std::lock_guard lock(core->mutex);
        if (core->lost)
            return;
        while (frames > 0) {
            if (core->queued.Empty()) {
                core->stats.framesDropped += frames;
                break;
            }
            const int32_t take = static_cast<int32_t>(std::min<int64_t>(frames, core->framesPerBlock - core->fill));
            int16_t* target = core->Block(core->queued.Front()) + static_cast<size_t>(core->fill) * core->channels;
            const size_t count = static_cast<size_t>(take) * core->channels;
            if (silence) {
                std::fill(target, target + count, 0);
                core->stats.silenceFrames += take;
            } else {
                std::memcpy(target, samples, count * sizeof(int16_t));
                if (gain != 1.0)
                    ApplyGain(target, count, gain);
                samples += count;
            }
            core->stats.framesDelivered += take;
            core->fill += take;
            frames -= take;
            if (core->fill == core->framesPerBlock) {
                core->CompleteFront(core->framesPerBlock);
                core->fill = 0;
                wake = true;
            }
        }
        if (wake && core->wakePending)
            wake = false;
        else if (wake)
            core->wakePending = true;
    }
    if (wake)
        Wake(m_core);
}

void WaveInBase::ReportLost() {
    Core* core = m_core.get();
    if (!core)
        return;
    bool wake = false;
    {
        std::lock_guard lock(core->mutex);
        if (core->lost)
            return;
        core->lost = true;
        if (core->fill > 0) {
            core->CompleteFront(core->fill);
            core->fill = 0;
        }
        if (!core->wakePending)
            wake = core->wakePending = true;
    }
    if (wake)
        Wake(m_core);
}

void WaveInBase::Wake(const std::shared_ptr<Core>& core) {
    m_poster->Post([this, weak = std::weak_ptr<Core>(core)] {
        if (std::shared_ptr<Core> alive = weak.lock())
            Deliver(alive);
    });
}

void WaveInBase::Deliver(const std::shared_ptr<Core>& core) {
    // The owner may close, open anew or even destroy this device from inside a notification.
    const std::shared_ptr<std::atomic<bool>> lifetime = m_lifetime;
    int32_t count = 0;
    {
        std::lock_guard lock(core->mutex);
        core->wakePending = false;
        count = core->filled.Size();
    }
    for (int32_t i = 0; i < count; ++i) {
        WaveInBlock block;
        {
            std::lock_guard lock(core->mutex);
            if (core->filled.Empty())
                break;
            block.index = core->filled.Pop();
            core->places[static_cast<size_t>(block.index)] = Place::Owner;
            block.samples = core->Block(block.index);
            block.frames = core->frames[static_cast<size_t>(block.index)];
        }
        m_notify->OnWaveInData(block);
        if (!*lifetime || m_core != core)
            return;
    }
    bool reportLoss = false;
    {
        std::lock_guard lock(core->mutex);
        if (core->lost && !core->lostReported && core->filled.Empty())
            reportLoss = core->lostReported = true;
    }
    if (reportLoss)
        m_notify->OnWaveInLost();
}

} // namespace audio_internal
