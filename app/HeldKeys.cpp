#include "app/HeldKeys.h"

bool HeldKeys::Press(HeldCommand command, int64_t nowMs, bool flaggedRepeat) {
    Key& key = At(command);
    if (key.releasedMs && nowMs - *key.releasedMs < m_gapMs) {
        key.releasedMs.reset(); // the release and this press were a repeat pair: the key never went up
        return false;
    }
    if (flaggedRepeat || key.down)
        return false;
    key.down = true;
    return true;
}

bool HeldKeys::Release(HeldCommand command, int64_t nowMs, bool flaggedRepeat) {
    Key& key = At(command);
    if (flaggedRepeat || !key.down || key.releasedMs)
        return false;
    key.releasedMs = nowMs;
    return true;
}

std::vector<HeldKeys::Released> HeldKeys::Settle(int64_t nowMs) {
    std::vector<Released> released;
    for (size_t i = 0; i < m_keys.size(); ++i) {
        Key& key = m_keys[i];
        if (!key.releasedMs || nowMs - *key.releasedMs < m_gapMs)
            continue;
        released.push_back({static_cast<HeldCommand>(i), *key.releasedMs});
        key = Key{};
    }
    return released;
}

std::optional<int64_t> HeldKeys::NextSettleMs() const {
    std::optional<int64_t> next;
    for (const Key& key : m_keys)
        if (key.releasedMs && (!next || *key.releasedMs + m_gapMs < *next))
            next = *key.releasedMs + m_gapMs;
    return next;
}
