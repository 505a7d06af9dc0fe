// SecretFile: keeps a secret (a password) in a file that only its owner may read or write (mode 0600).
#pragma once

#include <optional>
#include <string>
#include <string_view>

// Replaces the file's content with `secret` in one step. An existing file with wider permissions is narrowed to
// 0600 before the secret is written, so the secret is never readable by others; false when that or the write
// failed (the old content then stays).
[[nodiscard]] bool WriteSecretFile(const std::string& path, std::string_view secret);

// The secret as stored (at most 64 KiB), or nothing when the file is missing or unreadable.
std::optional<std::string> ReadSecretFile(const std::string& path);
