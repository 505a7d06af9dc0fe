// FileMove: moves one file to a new path without ever replacing a file there. Within one file system it is a
// no-replace rename; across file systems the file is copied to a hidden temporary beside the target, synced,
// given the target's name without replacing, and only then removed at the source.
#pragma once

#include <string>

enum class MoveResult { Moved, SourceMissing, TargetExists, Failed };

[[nodiscard]] MoveResult MoveFileNoReplace(const std::string& from, const std::string& to);
