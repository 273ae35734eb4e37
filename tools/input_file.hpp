// Reading the files a user hands the tools. Every read is bounded, so a device or an endless
// file cannot eat the memory, and every failure is one line that names the file and the cause.
#pragma once

#include <cstddef>
#include <string>

namespace vorlip {

// Reads all of `path` into `bytes` when it holds at most `limit` bytes. Otherwise returns false
// with `error` saying, after the file's name, why it cannot be read or that it holds more than
// `what` (for example "a state file") may.
bool read_bounded(const std::string& path, std::size_t limit, const char* what, std::string& bytes,
                  std::string& error);

// A size in bytes as people read it: "1 MiB", "16 KiB", "100 bytes".
std::string byte_size_text(std::size_t n);

}  // namespace vorlip
