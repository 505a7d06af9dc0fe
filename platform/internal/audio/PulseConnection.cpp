#include "PulseConnection.h"

#include "platform/MixerLevel.h"

#include <algorithm>

namespace audio_internal {

namespace {

struct Deadline {
    pa_threaded_mainloop* mainloop = nullptr;
    bool expired = false;
};

void OnDeadline(pa_mainloop_api*, pa_time_event*, const struct timeval*, void* userdata) {
    auto* deadline = static_cast<Deadline*>(userdata);
    deadline->expired = true;
    pa_threaded_mainloop_signal(deadline->mainloop, 0);
}

void OnContextState(pa_context*, void* userdata) {
    pa_threaded_mainloop_signal(static_cast<pa_threaded_mainloop*>(userdata), 0);
}

struct DeviceQuery {
    PulseConnection* connection = nullptr;
    std::vector<PulseDevice> devices;
    bool ended = false;
    bool failed = false;
};

LineAvailability AvailabilityOf(int available) {
    switch (available) {
    case PA_PORT_AVAILABLE_YES:
        return LineAvailability::Available;
    case PA_PORT_AVAILABLE_NO:
        return LineAvailability::Unplugged;
    default:
        return LineAvailability::Unknown;
    }
}

template <typename Info> PulseDevice DeviceFrom(const Info& info) {
    PulseDevice device;
    device.index = info.index;
    device.name = info.name ? info.name : "";
    device.description = info.description && *info.description ? info.description : device.name;
    device.channels = info.volume.channels;
    return device;
}

void OnSourceInfo(pa_context*, const pa_source_info* info, int endOfList, void* userdata) {
    auto* query = static_cast<DeviceQuery*>(userdata);
    if (endOfList != 0 || !info) {
        query->ended = true;
        query->failed = endOfList < 0;
        query->connection->Signal();
        return;
    }
    PulseDevice device = DeviceFrom(*info);
    device.isMonitor = info->monitor_of_sink != PA_INVALID_INDEX;
    for (uint32_t i = 0; i < info->n_ports && info->ports && info->ports[i]; ++i) {
        const pa_source_port_info& port = *info->ports[i];
        device.ports.push_back({port.name ? port.name : "",
                                port.description && *port.description ? port.description : (port.name ? port.name : ""),
                                AvailabilityOf(port.available)});
    }
    if (info->active_port && info->active_port->name)
        device.activePort = info->active_port->name;
    query->devices.push_back(std::move(device));
}

void OnSinkInfo(pa_context*, const pa_sink_info* info, int endOfList, void* userdata) {
    auto* query = static_cast<DeviceQuery*>(userdata);
    if (endOfList != 0 || !info) {
        query->ended = true;
        query->failed = endOfList < 0;
        query->connection->Signal();
        return;
    }
    query->devices.push_back(DeviceFrom(*info));
}

struct SuccessQuery {
    PulseConnection* connection = nullptr;
    bool succeeded = false;
};

void OnSuccess(pa_context*, int success, void* userdata) {
    auto* query = static_cast<SuccessQuery*>(userdata);
    query->succeeded = success != 0;
    query->connection->Signal();
}

std::optional<std::vector<PulseDevice>> Finish(PulseConnection& connection, pa_operation* operation,
                                               DeviceQuery& query) {
    if (!connection.FinishLocked(operation, kPulseAnswerTime) || query.failed)
        return std::nullopt;
    std::sort(query.devices.begin(), query.devices.end(),
              [](const PulseDevice& a, const PulseDevice& b) { return a.index < b.index; });
    return std::move(query.devices);
}

} // namespace

pa_volume_t PulseVolumeForMixerLevel(uint16_t mixerLevel) {
    if (mixerLevel == 0)
        return PA_VOLUME_MUTED;
    if (mixerLevel == kMixerLevelUnity)
        return PA_VOLUME_NORM;
    return pa_sw_volume_from_dB(DbForMixerLevel(mixerLevel));
}

std::shared_ptr<PulseConnection> PulseConnection::Connect(const std::string& server,
                                                          std::chrono::milliseconds timeout) {
    std::shared_ptr<PulseConnection> connection(new PulseConnection());
    if (!connection->Start(server, timeout))
        return nullptr;
    return connection;
}

bool PulseConnection::Start(const std::string& server, std::chrono::milliseconds timeout) {
    m_mainloop = pa_threaded_mainloop_new();
    if (!m_mainloop)
        return false;
    pa_proplist* properties = pa_proplist_new();
    pa_proplist_sets(properties, PA_PROP_APPLICATION_NAME, "Tallowin");
    pa_proplist_sets(properties, PA_PROP_APPLICATION_ID, "tallowin");
    m_context = pa_context_new_with_proplist(pa_threaded_mainloop_get_api(m_mainloop), "Tallowin", properties);
    pa_proplist_free(properties);
    if (!m_context)
        return false;
    pa_context_set_state_callback(m_context, OnContextState, m_mainloop);
    if (pa_threaded_mainloop_start(m_mainloop) < 0)
        return false;
    PulseLock lock(*this);
    if (pa_context_connect(m_context, server.empty() ? nullptr : server.c_str(), PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
        return false;
    return WaitLocked([this] { return pa_context_get_state(m_context) == PA_CONTEXT_READY; }, timeout);
}

PulseConnection::~PulseConnection() {
    if (m_mainloop && m_context) {
        pa_threaded_mainloop_lock(m_mainloop);
        pa_context_set_state_callback(m_context, nullptr, nullptr);
        pa_context_disconnect(m_context);
        pa_threaded_mainloop_unlock(m_mainloop);
    }
    if (m_mainloop)
        pa_threaded_mainloop_stop(m_mainloop);
    if (m_context)
        pa_context_unref(m_context);
    if (m_mainloop)
        pa_threaded_mainloop_free(m_mainloop);
}

bool PulseConnection::IsReady() const {
    PulseLock lock(*this);
    return pa_context_get_state(m_context) == PA_CONTEXT_READY;
}

std::string PulseConnection::ServerAddress() const {
    PulseLock lock(*this);
    const char* server = pa_context_get_server(m_context);
    return server ? server : "";
}

bool PulseConnection::WaitLocked(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    if (done())
        return true;
    Deadline deadline{m_mainloop};
    const pa_usec_t wait = static_cast<pa_usec_t>(std::max<int64_t>(timeout.count(), 0)) * PA_USEC_PER_MSEC;
    pa_time_event* timer = pa_context_rttime_new(m_context, pa_rtclock_now() + wait, OnDeadline, &deadline);
    bool result = false;
    for (;;) {
        if (done()) {
            result = true;
            break;
        }
        if (!PA_CONTEXT_IS_GOOD(pa_context_get_state(m_context)) || deadline.expired || !timer)
            break;
        pa_threaded_mainloop_wait(m_mainloop);
    }
    if (timer)
        pa_threaded_mainloop_get_api(m_mainloop)->time_free(timer);
    return result;
}

bool PulseConnection::FinishLocked(pa_operation* operation, std::chrono::milliseconds timeout) {
    if (!operation)
        return false;
    const bool finished =
        WaitLocked([operation] { return pa_operation_get_state(operation) != PA_OPERATION_RUNNING; }, timeout);
    if (pa_operation_get_state(operation) == PA_OPERATION_RUNNING)
        pa_operation_cancel(operation);
    const bool done = finished && pa_operation_get_state(operation) == PA_OPERATION_DONE;
    pa_operation_unref(operation);
    return done;
}

std::optional<std::vector<PulseDevice>> PulseConnection::Sources() {
    PulseLock lock(*this);
    DeviceQuery query;
    query.connection = this;
    return Finish(*this, pa_context_get_source_info_list(m_context, OnSourceInfo, &query), query);
}

std::optional<std::vector<PulseDevice>> PulseConnection::Sinks() {
    PulseLock lock(*this);
    DeviceQuery query;
    query.connection = this;
    return Finish(*this, pa_context_get_sink_info_list(m_context, OnSinkInfo, &query), query);
}

std::optional<PulseDevice> PulseConnection::Source(const std::string& name) {
    PulseLock lock(*this);
    DeviceQuery query;
    query.connection = this;
    std::optional<std::vector<PulseDevice>> devices =
        Finish(*this, pa_context_get_source_info_by_name(m_context, name.c_str(), OnSourceInfo, &query), query);
    if (!devices || devices->empty())
        return std::nullopt;
    return std::move(devices->front());
}

bool PulseConnection::SetSourcePort(const std::string& source, const std::string& port) {
    PulseLock lock(*this);
    SuccessQuery query;
    query.connection = this;
    return FinishLocked(pa_context_set_source_port_by_name(m_context, source.c_str(), port.c_str(), OnSuccess, &query),
                        kPulseAnswerTime) &&
           query.succeeded;
}

bool PulseConnection::SetSourceVolume(const std::string& source, uint8_t channels, pa_volume_t volume) {
    PulseLock lock(*this);
    pa_cvolume levels;
    if (!pa_cvolume_set(&levels, channels, volume))
        return false;
    SuccessQuery query;
    query.connection = this;
    return FinishLocked(pa_context_set_source_volume_by_name(m_context, source.c_str(), &levels, OnSuccess, &query),
                        kPulseAnswerTime) &&
           query.succeeded;
}

} // namespace audio_internal
