// send_queue_driver: runs the send queue on a program folder until its queue is empty, for the crash tests.
//   send_queue_driver PROGRAM_FOLDER SENT_FOLDER SETTINGS_FILE [WAVE_TO_QUEUE]
// With TALLOWIN_QUEUE_PAUSE set to a stage (converting, converted, packaging, packaged, copying, copied) it writes
// "<PROGRAM_FOLDER>paused" on reaching that stage and waits there until it is killed.
// Exit: 0 when the queue is empty, 2 when a send failed, 3 on a usage or time-out problem.
#include "BGSend.h"
#include "FileOps.h"
#include "LanTransport.h"

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <unistd.h>

namespace {

std::string g_pauseAt;
std::string g_marker;

void PauseIf(const std::string& stage) {
    if (stage != g_pauseAt)
        return;
    (void)WriteFileAtomically(g_marker, stage);
    for (;;)
        ::pause();
}

// Passes everything on to the queue, pausing once the copy has written its first chunk.
class PausingReport final : public TransportReport {
public:
    explicit PausingReport(TransportReport& queue) : m_queue(queue) {}
    void PublishProgress(float done) override { m_queue.PublishProgress(done); }
    void ReportFailure(const std::string& text) override { m_queue.ReportFailure(text); }
    bool StopRequested() const override {
        if (++m_asked == 2)
            PauseIf("copying");
        return m_queue.StopRequested();
    }

private:
    TransportReport& m_queue;
    mutable int m_asked = 0;
};

const char* StageName(SendStage stage) {
    switch (stage) {
    case SendStage::Converting:
        return "converting";
    case SendStage::Converted1:
        return "converted";
    case SendStage::Packaging:
        return "packaging";
    case SendStage::Packaged:
        return "packaged";
    case SendStage::Ending:
        return "ending";
    }
    return "";
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fputs("usage: send_queue_driver PROGRAM_FOLDER SENT_FOLDER SETTINGS_FILE [WAVE_TO_QUEUE]\n", stderr);
        return 3;
    }
    const SendContext context{argv[1], argv[3], argv[2]};
    g_marker = context.programFolder + "paused";
    if (const char* pause = std::getenv("TALLOWIN_QUEUE_PAUSE"))
        g_pauseAt = pause;

    SendTransports transports;
    transports.lan = [](TransportReport& report, const DeliveryRequest& request) {
        PausingReport pausing(report);
        const bool delivered = SendByLan(pausing, request.recipient, request.packagePath);
        if (delivered)
            PauseIf("copied");
        return delivered;
    };
    std::mutex mutex;
    std::condition_variable ended;
    int endings = 0;
    BGSend queue(context, transports);
    queue.SetStageHook([&](SendStage stage) {
        PauseIf(StageName(stage));
        if (stage == SendStage::Ending) {
            std::lock_guard lock(mutex);
            ++endings;
            ended.notify_all();
        }
    });
    if (!queue.Open(context.programFolder))
        return 3;
    queue.RequeueStranded();
    if (argc > 4 && !queue.Add(argv[4], 0))
        return 3;

    std::unique_lock lock(mutex);
    int seen = 0;
    while (queue.GetCount() > 0) {
        if (!ended.wait_for(lock, std::chrono::seconds(60), [&] { return endings > seen; }))
            return 3;
        seen = endings;
        if (const std::optional<std::string> failure = queue.TakeFailure()) {
            std::fprintf(stderr, "%s\n", failure->c_str());
            return 2;
        }
    }
    return 0;
}
