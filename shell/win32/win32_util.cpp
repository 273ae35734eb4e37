#include "shell/win32/win32_util.hpp"

#include <algorithm>

namespace vorlip {

namespace {

// A blank or control character: what ends an unquoted program name and what separates it from
// the arguments.
bool is_separator(char c) {
    return static_cast<unsigned char>(c) <= ' ';
}

}  // namespace

std::string_view arguments_after_program(std::string_view command_line) {
    // A NUL ends the text, as it ends the C string Windows gives.
    command_line = command_line.substr(0, command_line.find('\0'));
    std::size_t at = 0;
    const std::size_t n = command_line.size();
    if (n > 0 && command_line[0] == '"') {
        // A quoted name may hold blanks; it ends at the next quote, or with the line.
        const std::size_t close = command_line.find('"', 1);
        at = close == std::string_view::npos ? n : close + 1;
    } else {
        while (at < n && !is_separator(command_line[at])) ++at;
    }
    while (at < n && is_separator(command_line[at])) ++at;
    return command_line.substr(at);
}

void copy_dib_into(Surface& into, DibView dib) {
    if (dib.bits == nullptr || dib.width <= 0 || dib.height <= 0) return;
    const int w = std::min(into.width(), dib.width);
    const int h = std::min(into.height(), dib.height);
    for (int y = 0; y < h; ++y) {
        const std::uint32_t* src = dib.bits + static_cast<std::ptrdiff_t>(y) * dib.width;
        Pixel* dst = into.row(y);
        for (int x = 0; x < w; ++x) dst[x] = src[x] & kWhite;
    }
}

}  // namespace vorlip
