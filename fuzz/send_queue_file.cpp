// Fuzzes the reading of the send queue file: the bytes become "bgsend.dat" in a temporary folder and are read as
// the queue reads them (count, file%d, sendto%d); every entry goes through the sent-folder check, and the entries
// that pass are written back and must read back unchanged.
#include "FuzzInputFolder.h"
#include "platform/LFile.h"
#include "platform/Profile.h"
#include "send/SendQueueFile.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

constexpr std::string_view kSentFolder = "/fuzz/Sent Files/";

void Check(bool condition) {
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = FuzzInputFolder::Path("send-queue-file") + "bgsend.dat";
    {
        LWriteFile file(path);
        if (!file.IsOpen() || !file.Write(data, size))
            std::abort();
    }
    ProfileForget(path);
    SendQueueFile queue(path);
    const int count = queue.Count();
    Check(count >= 0 && count <= SendQueueFile::kMaxCount);
    std::vector<QueueEntry> usable;
    for (const QueueEntry& entry : queue.Entries()) {
        if (!IsSentWavePath(entry.wavePath, kSentFolder))
            continue;
        const std::string_view name = std::string_view(entry.wavePath).substr(kSentFolder.size());
        Check(entry.wavePath.starts_with(kSentFolder) && name.find('/') == std::string_view::npos && name.size() > 4 &&
              name.front() != '.');
        usable.push_back(entry);
    }
    if (queue.Replace(usable)) {
        ProfileForget(path);
        Check(SendQueueFile(path).Entries() == usable);
    }
    ProfileForget(path);
    return 0;
}
