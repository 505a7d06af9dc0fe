#include "sound/LSoundSource.h"

#include <algorithm>

LSoundSourceBase::LSoundSourceBase(int32_t rate, int32_t fullScale, uint8_t channels) {
    m_rate = rate;
    m_fullScale = fullScale;
    m_channels = channels;
    if (rate < 1) {
        m_rate = kDefaultRate;
        MarkInvalid();
    }
    if (channels == 0) {
        m_channels = 1;
        MarkInvalid();
    }
}

void LSoundSourceBase::Seek(int32_t) {}

LSoundProcessBase::LSoundProcessBase(LSoundSourceHandle upstream) : m_upstream(std::move(upstream)) {
    if (!m_upstream) {
        MarkInvalid();
        return;
    }
    m_rate = m_upstream->Rate();
    m_fullScale = m_upstream->FullScale();
    m_channels = m_upstream->Channels();
    if (m_upstream->IsInvalid())
        MarkInvalid();
}

void LSoundProcessBase::Seek(int32_t frame) {
    if (m_upstream)
        m_upstream->Seek(frame);
}

int32_t LSoundProcessBase::GetPosition() {
    return m_upstream ? m_upstream->GetPosition() : 0;
}

int32_t LSoundProcessBase::GetLength() {
    return m_upstream ? m_upstream->GetLength() : 0;
}

void LSoundProcessBase::ReadUpstream(int32_t* samples, int32_t frames) {
    if (frames <= 0)
        return;
    if (m_upstream)
        m_upstream->Read(samples, frames);
    else
        std::fill_n(samples, frames, 0);
}
