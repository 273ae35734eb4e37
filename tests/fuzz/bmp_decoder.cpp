// A BMP two ways: the in-memory decoder of the sprite sheets, and the picture reader of the
// tools, which reads only a screen's part of the file. Where both take it, the part agrees.
#include <cstdio>

#include "fuzz_support.hpp"
#include "scene/bmp.hpp"
#include "tools/png_io.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vorlip;
    Surface whole, part;
    std::string error;
    const bool decoded = decode_bmp(data, size, whole, error);
    if (decoded)
        fuzz::check(whole.width() >= 1 && whole.width() <= kPictureSideLimit &&
                        whole.height() >= 1 && whole.height() <= kPictureSideLimit,
                    "a decoded BMP outside the side limit");
    if (size == 0) return 0;  // fmemopen wants at least one byte
    std::FILE* f = fmemopen(const_cast<std::uint8_t*>(data), size, "rb");
    if (!f) return 0;
    const bool read = read_picture(f, part, error, 40, 30);
    std::fclose(f);
    if (read) {
        fuzz::check(
            part.width() >= 1 && part.width() <= 40 && part.height() >= 1 && part.height() <= 30,
            "a read BMP larger than the part asked for");
        if (decoded && size >= 2 && data[0] == 'B') {
            fuzz::check(part.width() == std::min(whole.width(), 40) &&
                            part.height() == std::min(whole.height(), 30),
                        "the read part and the decoded picture differ in size");
            for (int y = 0; y < part.height(); ++y)
                for (int x = 0; x < part.width(); ++x)
                    fuzz::check(part.at(x, y) == whole.at(x, y),
                                "the read part and the decoded picture differ");
        }
    }
    return 0;
}
