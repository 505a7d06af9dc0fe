#include "send/LanTransport.h"

#include "platform/FileOps.h"
#include "platform/LFile.h"
#include "send/TypistRecipient.h"

#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <vector>

namespace {

constexpr size_t kChunkBytes = 32768;
constexpr float kCopyStartDone = 0.8f;

// The partly copied file: removed when the copy does not complete.
class PartCopy {
public:
    explicit PartCopy(std::string path) : m_path(std::move(path)) {}
    ~PartCopy() {
        if (!m_kept)
            RemoveFile(m_path);
    }
    PartCopy(const PartCopy&) = delete;
    PartCopy& operator=(const PartCopy&) = delete;
    const std::string& Path() const { return m_path; }
    void Keep() { m_kept = true; }

private:
    std::string m_path;
    bool m_kept = false;
};

enum class CopyResult { Copied, Stopped, Failed };

CopyResult CopyInto(TransportReport& report, LFile& from, LFile& to) {
    std::vector<char> chunk(kChunkBytes);
    for (;;) {
        if (report.StopRequested())
            return CopyResult::Stopped;
        const int64_t got = from.Read(chunk.data(), chunk.size());
        if (got < 0)
            return CopyResult::Failed;
        if (got > 0 && !to.Write(chunk.data(), static_cast<size_t>(got)))
            return CopyResult::Failed;
        if (static_cast<size_t>(got) < chunk.size())
            return to.Sync() ? CopyResult::Copied : CopyResult::Failed;
    }
}

} // namespace

std::string LanFolderPath(const std::string& typedFolder) {
    std::string folder = typedFolder;
    for (char& c : folder)
        if (c == '\\')
            c = '/';
    while (!folder.empty() && (folder.back() == ' ' || folder.back() == '/'))
        folder.pop_back();
    return folder;
}

bool SendByLan(TransportReport& report, const TypistRecipient& recipient, const std::string& packagePath) {
    const std::string typed = recipient.Text(RecipientField::Folder);
    const std::string folder = LanFolderPath(typed);
    const std::string shownFolder = folder.empty() ? "\"" + typed + "\"" : folder;
    // A relative folder would depend on the program's working folder: only a full path names a place.
    if (folder.empty() || folder.front() != '/' || !IsFolder(folder)) {
        report.ReportFailure("Unable to find the folder " + shownFolder + "." + std::string(kSendRetryAdvice));
        return false;
    }
    // Only the package's own name is used, so nothing lands outside the folder.
    const std::string name(FileNameOf(packagePath));
    if (name.empty() || name == "." || name == "..") {
        report.ReportFailure("Unable to copy the dictation to the folder " + shownFolder + "." +
                             std::string(kSendRetryAdvice));
        return false;
    }
    report.PublishProgress(kCopyStartDone);

    LReadFile from(packagePath);
    const int64_t size = from.IsOpen() ? from.Size() : -1;
    if (size < 0) {
        report.ReportFailure("Unable to read the dictation package " + name + "." + std::string(kSendRetryAdvice));
        return false;
    }
    const std::string destination = folder + "/" + name;
    PartCopy part(folder + "/." + name + ".part");
    CopyResult result = CopyResult::Failed;
    {
        LFile to = LFile::Open(part.Path(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        if (to.IsOpen())
            result = CopyInto(report, from, to);
    }
    if (result == CopyResult::Stopped)
        return false;
    struct stat copied {};
    if (result != CopyResult::Copied || std::rename(part.Path().c_str(), destination.c_str()) != 0) {
        report.ReportFailure("Unable to copy the dictation to the folder " + shownFolder + "." +
                             std::string(kSendRetryAdvice));
        return false;
    }
    part.Keep();
    if (::stat(destination.c_str(), &copied) != 0 || copied.st_size != size) {
        report.ReportFailure("Unable to copy the dictation to the folder " + shownFolder + "." +
                             std::string(kSendRetryAdvice));
        return false;
    }
    RemoveFile(packagePath);
    return true;
}
