#include "tools/input_file.hpp"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

namespace vorlip {

namespace {
struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
}  // namespace

std::string byte_size_text(std::size_t n) {
    if (n >= (1u << 20) && n % (1u << 20) == 0) return std::to_string(n >> 20) + " MiB";
    if (n >= (1u << 10) && n % (1u << 10) == 0) return std::to_string(n >> 10) + " KiB";
    return std::to_string(n) + (n == 1 ? " byte" : " bytes");
}

bool read_bounded(const std::string& path, std::size_t limit, const char* what, std::string& bytes,
                  std::string& error) {
    errno = 0;
    const std::unique_ptr<std::FILE, FileCloser> f(std::fopen(path.c_str(), "rb"));
    if (!f) {
        error = path + ": cannot read: " + std::strerror(errno);
        return false;
    }
    // One byte past the limit tells a file at the limit from one over it.
    std::string text;
    char chunk[1 << 16];
    while (text.size() <= limit) {
        const std::size_t want = std::min(sizeof chunk, limit + 1 - text.size());
        const std::size_t got = std::fread(chunk, 1, want, f.get());
        text.append(chunk, got);
        if (got < want) break;
    }
    if (std::ferror(f.get())) {
        // A directory opens, but reading it fails with "Is a directory".
        error = path + ": cannot read: " + std::strerror(errno);
        return false;
    }
    if (text.size() > limit) {
        error = path + ": more than " + byte_size_text(limit) + ", the most " + what + " may hold";
        return false;
    }
    bytes = std::move(text);
    return true;
}

}  // namespace vorlip
