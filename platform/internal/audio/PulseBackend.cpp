#include "PulseBackend.h"

#include "PulseWaveIn.h"
#include "PulseWaveOut.h"

namespace audio_internal {

std::shared_ptr<PulseConnection> PulseSession::Connection() {
    std::lock_guard lock(m_mutex);
    if (m_connection && m_connection->IsReady())
        return m_connection;
    m_connection.reset();
    m_connection = PulseConnection::Connect(m_server, kPulseAnswerTime);
    return m_connection;
}

std::shared_ptr<PulseConnection> PulseSession::OwnConnection() {
    const std::shared_ptr<PulseConnection> shared = Connection();
    return shared ? PulseConnection::Connect(shared->ServerAddress(), kPulseAnswerTime) : nullptr;
}

void PulseSession::Adopt(std::shared_ptr<PulseConnection> connection) {
    std::lock_guard lock(m_mutex);
    m_connection = std::move(connection);
}

std::optional<std::vector<PulseDevice>> PulseSession::List(AudioDirection direction) {
    std::shared_ptr<PulseConnection> connection = Connection();
    if (!connection)
        return std::nullopt;
    if (direction == AudioDirection::Playback)
        return connection->Sinks();
    std::optional<std::vector<PulseDevice>> sources = connection->Sources();
    if (sources)
        std::erase_if(*sources, [](const PulseDevice& source) { return source.isMonitor; });
    return sources;
}

std::optional<std::string> PulseSession::DeviceName(AudioDirection direction, int device) {
    if (device == -1 || device == 0)
        return std::string();
    if (device < 0)
        return std::nullopt;
    std::optional<std::vector<PulseDevice>> devices = List(direction);
    if (!devices || static_cast<size_t>(device) > devices->size())
        return std::nullopt;
    return (*devices)[static_cast<size_t>(device) - 1].name;
}

std::vector<AudioDeviceInfo> PulseBackend::Devices(AudioDirection direction) {
    std::vector<AudioDeviceInfo> entries{{"", kDefaultDeviceDescription}};
    if (std::optional<std::vector<PulseDevice>> devices = m_session->List(direction))
        for (const PulseDevice& device : *devices)
            entries.push_back({device.name, device.description});
    return entries;
}

std::unique_ptr<WaveIn> PulseBackend::CreateWaveIn() {
    return std::make_unique<PulseWaveIn>(m_session);
}

std::unique_ptr<WaveOut> PulseBackend::CreateWaveOut() {
    return std::make_unique<PulseWaveOut>(m_session, LevelHub());
}

std::vector<AudioInputLine> InputLinesOf(const PulseDevice& source) {
    std::vector<AudioInputLine> lines;
    for (const PulseDevice::Port& port : source.ports)
        lines.push_back({port.name, port.description, port.name == source.activePort, port.availability});
    return lines;
}

std::optional<PulseDevice> PulseBackend::SourceOf(int device, std::shared_ptr<PulseConnection>& connection) {
    std::optional<std::string> name = m_session->DeviceName(AudioDirection::Recording, device);
    if (!name)
        return std::nullopt;
    connection = m_session->Connection();
    if (!connection)
        return std::nullopt;
    return connection->Source(name->empty() ? "@DEFAULT_SOURCE@" : *name);
}

std::optional<std::vector<AudioInputLine>> PulseBackend::InputLines(int device) {
    std::shared_ptr<PulseConnection> connection;
    std::optional<PulseDevice> source = SourceOf(device, connection);
    if (!source)
        return std::nullopt;
    return InputLinesOf(*source);
}

bool PulseBackend::SelectInputLine(int device, int line) {
    std::shared_ptr<PulseConnection> connection;
    std::optional<PulseDevice> source = SourceOf(device, connection);
    if (!source || line < 0 || static_cast<size_t>(line) >= source->ports.size())
        return false;
    return connection->SetSourcePort(source->name, source->ports[static_cast<size_t>(line)].name);
}

bool PulseBackend::SetRecordLevel(int device, uint16_t mixerLevel) {
    std::shared_ptr<PulseConnection> connection;
    std::optional<PulseDevice> source = SourceOf(device, connection);
    if (!source || source->channels == 0)
        return false;
    return connection->SetSourceVolume(source->name, source->channels, PulseVolumeForMixerLevel(mixerLevel));
}

} // namespace audio_internal
