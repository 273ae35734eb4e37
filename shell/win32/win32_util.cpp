#include "shell/win32/win32_util.hpp"

#include <algorithm>

#include "shell/pixels.hpp"

namespace vorlip {

namespace {

bool is_blank(char c) {
    return c == ' ' || c == '\t';
}

}  // namespace

std::string arguments_after_program(std::string_view command_line) {
    // A NUL ends the text, as it ends the C string Windows gives.
    command_line = command_line.substr(0, command_line.find('\0'));
    const std::size_t n = command_line.size();
    std::size_t at = 0;
    // The program name runs to its closing quote when it starts with one (it may hold blanks),
    // otherwise to the first blank.
    if (n > 0 && command_line[0] == '"') {
        const std::size_t close = command_line.find('"', 1);
        at = close == std::string_view::npos ? n : close + 1;
    } else {
        while (at < n && !is_blank(command_line[at])) ++at;
    }
    // Then the arguments, split as Windows' C runtime splits them: blanks separate them, double
    // quotes group, and backslashes escape a quote only when they come right before one.
    std::string joined;
    bool first = true;
    for (;;) {
        while (at < n && is_blank(command_line[at])) ++at;
        if (at >= n) break;
        if (!first) joined += ' ';
        first = false;
        bool quoted = false;
        while (at < n && (quoted || !is_blank(command_line[at]))) {
            std::size_t slashes = 0;
            while (at < n && command_line[at] == '\\') {
                ++slashes;
                ++at;
            }
            if (at < n && command_line[at] == '"') {
                joined.append(slashes / 2, '\\');
                if (slashes % 2 == 1) {
                    joined += '"';
                } else if (quoted && at + 1 < n && command_line[at + 1] == '"') {
                    joined += '"';  // "" inside quotes is one quote
                    ++at;
                } else {
                    quoted = !quoted;
                }
                ++at;
            } else {
                joined.append(slashes, '\\');
                if (slashes == 0) joined += command_line[at++];
            }
        }
    }
    return joined;
}

void copy_dib_into(Surface& into, DibView dib, int top) {
    import_rows(
        {reinterpret_cast<const std::uint8_t*>(dib.bits),
         std::ptrdiff_t(std::max(dib.width, 0)) * 4, dib.width, dib.height, ByteOrder32::bgrx},
        into, 0, top);
}

}  // namespace vorlip
