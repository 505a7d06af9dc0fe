// FtpListing: reads a file's size out of a directory listing as FTP servers send it for LIST (the Unix "ls -l"
// form and the MS-DOS form), for servers that do not answer the SIZE command.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

// The size of the regular file called `name` in `listing` (lines ending in CR LF or LF), or nothing when no line
// of a form known here names it.
std::optional<int64_t> FindSizeInListing(std::string_view listing, std::string_view name);
