// bench_send_ftp: GSM 6.10 dictations of five minutes each sent through the background send queue, once to the
// loopback FTP test server (one log-on for the run, then per dictation upload under a temporary name, size check,
// rename and status pick-up) and once to a folder recipient, in the same run. Prints dictations per minute and
// processor time per dictation of each, their ratios, and whether FTP reaches half the folder's dictations per
// minute at no more than 1.5 times its processor time. Usage: bench_send_ftp [dictations, default 100] [seconds
// each, default 300].
#include "SpeechLikeWave.h"
#include "TestServer.h"
#include "platform/CodecCatalog.h"
#include "platform/FileOps.h"
#include "platform/Poster.h"
#include "send/BGSend.h"
#include "send/TypistRecipient.h"
#include "store/IniValues.h"
#include "store/RecordKeys.h"
#include "store/SettingsKeys.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>
#include <sys/resource.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

constexpr const char* kUser = "typist";
constexpr const char* kPassword = "secret";

double CpuSeconds() {
    timespec now{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

double ChildCpuSeconds() {
    rusage usage{};
    ::getrusage(RUSAGE_CHILDREN, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}

struct RunFigures {
    int delivered = 0;
    double wallSeconds = 0;
    double cpuSeconds = 0;
    std::string failure;
};

// Queues the dictations to recipient `index` and waits until the queue is empty and its worker ended.
RunFigures SendAll(const SendContext& context, const std::vector<std::string>& waves, int index) {
    RunFigures figures;
    PumpPoster poster;
    BGSend queue(context);
    queue.SetNotify(&poster, [] {});
    if (!queue.Open(context.programFolder)) {
        figures.failure = "the queue did not open";
        return figures;
    }
    const Clock::time_point start = Clock::now();
    const double cpuStart = CpuSeconds();
    for (const std::string& wave : waves)
        if (!queue.Add(wave, index)) {
            figures.failure = "the queue did not take " + wave;
            return figures;
        }
    const Clock::time_point deadline = start + std::chrono::hours(2);
    while (queue.GetCount() > 0 || queue.IsRunning()) {
        poster.WaitAndPump(std::chrono::milliseconds(200));
        if (std::optional<QueueFailure> failure = queue.TakeFailure()) {
            figures.failure = failure->text;
            break;
        }
        if (Clock::now() > deadline) {
            figures.failure = "the queue did not finish in two hours";
            break;
        }
    }
    figures.wallSeconds = std::chrono::duration<double>(Clock::now() - start).count();
    figures.cpuSeconds = CpuSeconds() - cpuStart;
    queue.SetNotify(nullptr, {});
    for (const std::string& wave : waves) {
        const std::string record = wave.substr(0, wave.size() - 4) + ".dat";
        figures.delivered += ReadStringValue(record, RecordKeys::kDelivery) == BGSend::kDeliveryDelivered;
    }
    return figures;
}

void Print(const char* what, const RunFigures& figures, int count) {
    std::printf("%-28s %3d of %3d delivered in %7.2f s: %6.1f dictations per minute, %.3f s processor per "
                "dictation\n",
                what, figures.delivered, count, figures.wallSeconds, figures.delivered * 60.0 / figures.wallSeconds,
                figures.cpuSeconds / count);
}

} // namespace

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 100;
    const int seconds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 300;

    char pattern[] = "/tmp/bench-send-ftp-XXXXXX";
    if (!::mkdtemp(pattern))
        return 1;
    const std::string root = std::string(pattern) + "/";
    const SendContext context{root + "program/", root + "program/settings.ini", root + "program/Sent Files/"};
    const std::string typist = root + "typist/";
    const std::string serverRoot = root + "ftp/";
    MakeFolders(context.sentFolder);
    MakeFolders(typist);
    MakeFolders(serverRoot + "incoming");

    TestServer server("ftp_server.py",
                      {"--root", serverRoot, "--user", kUser, "--password", kPassword, "--lifetime", "7200"},
                      root + "ftp.log");
    if (!server.Started()) {
        std::fprintf(stderr, "the FTP test server did not start\n");
        return 1;
    }

    const std::optional<WaveFormatRecord> gsm = CodecCatalog::MakeFormat("gsm", 8000, 1);
    if (!gsm) {
        std::fprintf(stderr, "no GSM 6.10 encoder\n");
        return 1;
    }
    TypistRecipient ftp;
    ftp.SetText(RecipientField::Name, "FTP typist");
    ftp.SetMethod(SendMethod::Ftp);
    ftp.SetText(RecipientField::FtpServer, server.Address());
    ftp.SetText(RecipientField::FtpUser, kUser);
    ftp.SetText(RecipientField::FtpPassword, kPassword);
    ftp.SetText(RecipientField::FtpDirectory, "incoming");
    TypistRecipient lan;
    lan.SetText(RecipientField::Name, "Folder typist");
    lan.SetMethod(SendMethod::Lan);
    lan.SetText(RecipientField::Folder, typist);
    if (!ftp.SetFormat(*gsm) || !lan.SetFormat(*gsm) || !ftp.Save(RecipientPath(context.programFolder, 0)) ||
        !lan.Save(RecipientPath(context.programFolder, 1)) ||
        !WriteIntValue(context.settingsFile, SettingsKeys::kSendCount, 2) ||
        !WriteIntValue(context.settingsFile, SettingsKeys::kUserId, 42) || !FlushProfile(context.settingsFile))
        return 1;

    // One wave laid out once; each dictation's wave is a hard link to it (the queue only reads waves).
    const std::string master = root + "master.wav";
    if (!WriteSpeechLikeWave(master, seconds))
        return 1;
    std::vector<std::string> ftpWaves, lanWaves;
    for (int i = 0; i < 2 * count; ++i) {
        const std::string name = (i < count ? "Ftp " : "Lan ") + std::to_string(i);
        const std::string base = context.sentFolder + name;
        const std::string record = "[file]\nnumber=" + std::to_string(i + 1) +
                                   "\ndate=1764925620\nsenddate=" + std::to_string(std::time(nullptr)) +
                                   "\nrecipient=typist\nsendstatus=Sent\n";
        if (::link(master.c_str(), (base + ".wav").c_str()) != 0 || !WriteFileAtomically(base + ".dat", record) ||
            !WriteFileAtomically(base + ".txt", std::string("Letter to the bank.\0", 20)))
            return 1;
        (i < count ? ftpWaves : lanWaves).push_back(base + ".wav");
    }
    std::printf("%d dictations of %d s (GSM 6.10, 8000 Hz mono) per transport\n", count, seconds);

    const RunFigures viaFtp = SendAll(context, ftpWaves, 0);
    const RunFigures viaLan = SendAll(context, lanWaves, 1);
    const double childCpuBefore = ChildCpuSeconds();
    server.Stop();
    const double serverCpu = ChildCpuSeconds() - childCpuBefore;

    Print("through the queue by FTP:", viaFtp, count);
    Print("through the queue by folder:", viaLan, count);
    if (!viaFtp.failure.empty() || !viaLan.failure.empty())
        std::printf("failures: FTP \"%s\", folder \"%s\"\n", viaFtp.failure.c_str(), viaLan.failure.c_str());
    std::printf("FTP beside folder: %.2f times the wall time, %.2f times the processor time; the FTP server took "
                "%.3f s processor per dictation\n",
                viaFtp.wallSeconds / viaLan.wallSeconds, viaFtp.cpuSeconds / viaLan.cpuSeconds, serverCpu / count);
    const bool goalMet = viaFtp.delivered * viaLan.wallSeconds >= 0.5 * viaLan.delivered * viaFtp.wallSeconds &&
                         viaFtp.cpuSeconds <= 1.5 * viaLan.cpuSeconds;
    std::printf("goal (at least half the folder's rate, at most 1.5 times its processor time): %s\n",
                goalMet ? "met" : "not met");

    std::error_code ignored;
    std::filesystem::remove_all(root, ignored);
    return viaFtp.failure.empty() && viaLan.failure.empty() ? 0 : 1;
}
