// The picture reader on a PNG (or anything else): refused in one line, or a picture no larger
// than the part asked for, whatever size the header declares.
#include <cstdio>

#include "fuzz_support.hpp"
#include "tools/png_io.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vorlip;
    if (size == 0) return 0;  // fmemopen wants at least one byte
    std::FILE* f = fmemopen(const_cast<std::uint8_t*>(data), size, "rb");
    if (!f) return 0;
    Surface out;
    std::string error;
    const bool read = read_picture(f, out, error, 64, 48);
    std::fclose(f);
    if (read)
        fuzz::check(
            out.width() >= 1 && out.width() <= 64 && out.height() >= 1 && out.height() <= 48,
            "a PNG read larger than the part asked for");
    else
        fuzz::check(!error.empty() && error.find('\n') == std::string::npos,
                    "a refusal that is not one line");
    return 0;
}
