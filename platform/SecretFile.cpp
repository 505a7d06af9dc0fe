#include "platform/SecretFile.h"

#include "platform/FileOps.h"

#include <sys/stat.h>

namespace {

constexpr mode_t kOwnerOnly = 0600;
constexpr size_t kMaxSecretBytes = 64 * 1024;

} // namespace

bool WriteSecretFile(const std::string& path, std::string_view secret) {
    struct stat existing {};
    if (::lstat(path.c_str(), &existing) == 0) {
        if (!S_ISREG(existing.st_mode))
            return false;
        // The rewrite keeps the file's mode: narrow it first so the new secret is never exposed.
        if ((existing.st_mode & 07777) != kOwnerOnly && ::chmod(path.c_str(), kOwnerOnly) != 0)
            return false;
    }
    return WriteFileAtomically(path, secret, kOwnerOnly);
}

std::optional<std::string> ReadSecretFile(const std::string& path) {
    return ReadFileBytes(path, kMaxSecretBytes);
}
