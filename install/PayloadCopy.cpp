#include "install/PayloadCopy.h"

#include "platform/FileOps.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>

namespace {

constexpr mode_t kProgramMode = 0755;
constexpr mode_t kDataMode = 0644;

} // namespace

PayloadCopy::PayloadCopy(std::string installerPath, std::string installFolder)
    : m_installerPath(std::move(installerPath)), m_installFolder(std::move(installFolder)) {}

PayloadCopy::~PayloadCopy() {
    RemoveTemporaries();
}

PayloadCopy::State PayloadCopy::Open() {
    m_input = LReadFile(m_installerPath);
    const int64_t length = m_input.IsOpen() ? m_input.Size() : -1;
    if (length < 0)
        return m_state = State::Unreadable;
    std::array<uint8_t, kTrailerSize> bytes{};
    if (length >= static_cast<int64_t>(kTrailerSize) &&
        m_input.ReadAt(bytes.data(), bytes.size(), length - static_cast<int64_t>(kTrailerSize)) !=
            static_cast<int64_t>(kTrailerSize))
        return m_state = State::Unreadable;
    m_trailer = DecodeTrailer(bytes);
    m_trailerCheck = CheckTrailer(m_trailer, static_cast<uint64_t>(length));
    if (m_trailerCheck != TrailerCheck::Fits) {
        m_trailer = {};
        return m_state = State::Corrupt;
    }
    m_state = State::Copying;
    if (!BeginPart(0))
        Fail(State::WriteFailed);
    return m_state;
}

bool PayloadCopy::BeginPart(size_t part) {
    m_part = part;
    m_remaining = m_trailer.sizes[part];
    std::vector<std::string> names{std::string(kPayloadNames[part])};
    if (part == 0)
        names.emplace_back(kUninstallerName);
    for (const std::string& name : names) {
        Output output{JoinPath(m_installFolder, "." + name + ".new"), JoinPath(m_installFolder, name), part == 0, {}};
        output.file = LFile::Open(output.temporary, O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW, 0600);
        const bool opened = output.file.IsOpen();
        m_current.push_back(std::move(output));
        if (!opened || ::fchmod(m_current.back().file.Descriptor(), part == 0 ? kProgramMode : kDataMode) != 0)
            return false;
    }
    return true;
}

bool PayloadCopy::EndPart() {
    bool flushed = true;
    for (Output& output : m_current) {
        flushed = output.file.Sync() && flushed;
        output.file.Close();
        m_written.push_back(std::move(output));
    }
    m_current.clear();
    return flushed;
}

PayloadCopy::State PayloadCopy::Step() {
    if (m_state != State::Copying)
        return m_state;
    while (m_remaining == 0) {
        if (!EndPart()) {
            Fail(State::WriteFailed);
            return m_state;
        }
        if (m_part + 1 == kPayloadParts) {
            Finish();
            return m_state;
        }
        if (!BeginPart(m_part + 1)) {
            Fail(State::WriteFailed);
            return m_state;
        }
    }
    std::array<uint8_t, kBlockBytes> block;
    const size_t wanted = static_cast<size_t>(std::min<uint64_t>(m_remaining, kBlockBytes));
    if (m_input.ReadAt(block.data(), wanted, static_cast<int64_t>(m_offset)) != static_cast<int64_t>(wanted)) {
        Fail(State::Unreadable); // the file shrank or went away since it was opened
        return m_state;
    }
    m_sum = AddToByteSum(m_sum, std::span<const uint8_t>(block.data(), wanted));
    for (Output& output : m_current)
        if (!output.file.Write(block.data(), wanted)) {
            Fail(State::WriteFailed);
            return m_state;
        }
    m_offset += wanted;
    m_done += wanted;
    m_remaining -= wanted;
    if (m_done == BytesTotal())
        return Step(); // the last block: check and rename at once, so 100 % means installed
    return m_state;
}

void PayloadCopy::Finish() {
    m_input.Close();
    if (m_sum != m_trailer.checksum) {
        Fail(State::Corrupt);
        return;
    }
    // The programs go last: should a rename fail, the earlier program still finds files it can use.
    std::stable_partition(m_written.begin(), m_written.end(), [](const Output& output) { return !output.program; });
    while (!m_written.empty()) {
        const Output& output = m_written.front();
        if (std::rename(output.temporary.c_str(), output.target.c_str()) != 0) {
            Fail(State::WriteFailed);
            return;
        }
        m_written.erase(m_written.begin());
    }
    m_state = State::Installed;
}

void PayloadCopy::Cancel() {
    if (m_state == State::Copying)
        Fail(State::Cancelled);
}

void PayloadCopy::Fail(State state) {
    m_state = state;
    m_input.Close();
    RemoveTemporaries();
}

void PayloadCopy::RemoveTemporaries() {
    for (std::vector<Output>* outputs : {&m_current, &m_written}) {
        for (Output& output : *outputs) {
            output.file.Close();
            (void)RemoveFile(output.temporary);
        }
        outputs->clear();
    }
}

int PayloadCopy::Percent() const {
    const uint64_t total = BytesTotal();
    return total == 0 ? 0 : static_cast<int>(m_done * 100 / total);
}
