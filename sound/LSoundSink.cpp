#include "sound/LSoundSink.h"

void LSoundSink::Truncate(int32_t) {}

LSoundSinkBase::LSoundSinkBase(int32_t rate, int32_t fullScale, uint8_t channels) {
    m_rate = rate;
    m_fullScale = fullScale;
    m_channels = channels == 0 ? 1 : channels;
}
