#include "tools/png_io.hpp"

#include <png.h>

#include <algorithm>
#include <cerrno>
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

#include "scene/bmp.hpp"

namespace vorlip {

namespace {
struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

void put32(std::vector<unsigned char>& v, std::uint32_t x) {
    for (int i = 0; i < 4; ++i) v.push_back(static_cast<unsigned char>(x >> (8 * i)));
}
void put16(std::vector<unsigned char>& v, std::uint16_t x) {
    v.push_back(static_cast<unsigned char>(x));
    v.push_back(static_cast<unsigned char>(x >> 8));
}

bool read_bmp(std::FILE* f, const unsigned char (&sig)[8], int keep_w, int keep_h, Surface& out,
              std::string& error) {
    unsigned char header[kBmpHeaderSize];
    std::memcpy(header, sig, sizeof sig);
    BmpLayout l;
    const std::size_t got = std::fread(header + 8, 1, sizeof header - 8, f);
    if (!bmp_layout(header, 8 + got, l, error)) return false;
    // Only the rows and columns kept are read, each from where it is stored.
    const int w = std::min(l.width, keep_w), h = std::min(l.height, keep_h);
    std::vector<unsigned char> row(static_cast<std::size_t>(w) * 3);
    Surface s(w, h);
    for (int y = 0; y < h; ++y) {
        const std::size_t at = l.row_offset(y);
        if (at > static_cast<std::size_t>(std::numeric_limits<long>::max()) ||
            std::fseek(f, static_cast<long>(at), SEEK_SET) != 0) {
            error = "cannot seek to the BMP pixel data (a pipe?)";
            return false;
        }
        if (std::fread(row.data(), 1, row.size(), f) != row.size()) {
            error = "BMP pixel data is truncated";
            return false;
        }
        bmp_row_pixels(row.data(), w, s.row(y));
    }
    out = std::move(s);
    return true;
}

// libpng reports an error by a long jump back to the function that set it up, so the two
// functions that call into it hold nothing that needs destroying; what they fill is owned here.
struct PngRead {
    png_structp png = nullptr;
    png_infop info = nullptr;
    std::string message;
    png_uint_32 width = 0, height = 0;
    int passes = 1;
    std::size_t row_bytes = 0;
    ~PngRead() { png_destroy_read_struct(&png, &info, nullptr); }
};

void png_failed(png_structp png, png_const_charp message) {
    static_cast<PngRead*>(png_get_error_ptr(png))->message = message;
    png_longjmp(png, 1);
}
void png_warned(png_structp, png_const_charp) {}

// Reads the header and asks for 8-bit RGB rows, whatever the picture holds.
bool png_begin(PngRead& r, std::FILE* f) {
    if (setjmp(png_jmpbuf(r.png))) return false;
    png_init_io(r.png, f);
    png_set_sig_bytes(r.png, 8);
    png_set_user_limits(r.png, 0x7fffffff, 0x7fffffff);  // the side limit is checked after
    png_read_info(r.png, r.info);
    int depth = 0, colour = 0, interlace = 0;
    png_get_IHDR(r.png, r.info, &r.width, &r.height, &depth, &colour, &interlace, nullptr, nullptr);
    if (r.width > kPictureSideLimit || r.height > kPictureSideLimit) return true;
    png_set_palette_to_rgb(r.png);
    png_set_expand_gray_1_2_4_to_8(r.png);
    png_set_strip_16(r.png);
    png_set_strip_alpha(r.png);
    png_set_gray_to_rgb(r.png);
    r.passes = png_set_interlace_handling(r.png);
    png_read_update_info(r.png, r.info);
    r.row_bytes = png_get_rowbytes(r.png, r.info);
    return true;
}

void rgb_to_pixels(const unsigned char* p, int width, Pixel* out) {
    for (int x = 0; x < width; ++x, p += 3) out[x] = Pixel(p[0]) << 16 | Pixel(p[1]) << 8 | p[2];
}

// Reads the rows `into` keeps, through `scratch` (one row). An interlaced picture revisits every
// row on each pass, so its kept rows wait in `rows` until the last; it may stop there at the
// last row kept, as a plain one stops on its only pass.
bool png_rows(PngRead& r, Surface& into, unsigned char* rows, unsigned char* scratch) {
    if (setjmp(png_jmpbuf(r.png))) return false;
    const auto kept = static_cast<png_uint_32>(into.height());
    for (int pass = 0; pass < r.passes; ++pass)
        for (png_uint_32 y = 0; y < r.height; ++y) {
            if (pass == r.passes - 1 && y >= kept) return true;
            unsigned char* row = r.passes > 1 && y < kept ? rows + y * r.row_bytes : scratch;
            png_read_row(r.png, row, nullptr);
            if (pass == r.passes - 1)
                rgb_to_pixels(row, into.width(), into.row(static_cast<int>(y)));
        }
    return true;
}

bool read_png(std::FILE* f, int keep_w, int keep_h, Surface& out, std::string& error) {
    PngRead r;
    r.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &r, png_failed, png_warned);
    if (r.png) r.info = png_create_info_struct(r.png);
    if (!r.info) {
        error = "out of memory for a PNG";
        return false;
    }
    if (!png_begin(r, f)) {
        error = "bad PNG: " + r.message;
        return false;
    }
    if (r.width == 0 || r.height == 0 || r.width > kPictureSideLimit ||
        r.height > kPictureSideLimit) {
        error = "PNG size " + std::to_string(r.width) + "x" + std::to_string(r.height) +
                " is out of range (1 to " + std::to_string(kPictureSideLimit) + " a side)";
        return false;
    }
    if (r.row_bytes != std::size_t{r.width} * 3) {
        error = "bad PNG: unexpected row layout";
        return false;
    }
    const int w = std::min(static_cast<int>(r.width), keep_w);
    const int h = std::min(static_cast<int>(r.height), keep_h);
    std::vector<unsigned char> rows(r.passes > 1 ? r.row_bytes * static_cast<std::size_t>(h) : 0);
    std::vector<unsigned char> scratch(r.row_bytes);
    Surface s(w, h);
    if (!png_rows(r, s, rows.data(), scratch.data())) {
        error = "bad PNG: " + r.message;
        return false;
    }
    out = std::move(s);
    return true;
}
}  // namespace

bool write_png(const std::string& path, const Surface& s, std::string& error) {
    std::vector<unsigned char> rgb(static_cast<std::size_t>(s.width()) * s.height() * 3);
    unsigned char* p = rgb.data();
    for (int y = 0; y < s.height(); ++y) {
        const Pixel* r = s.row(y);
        for (int x = 0; x < s.width(); ++x) {
            *p++ = static_cast<unsigned char>(r[x] >> 16);
            *p++ = static_cast<unsigned char>(r[x] >> 8);
            *p++ = static_cast<unsigned char>(r[x]);
        }
    }
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(s.width());
    image.height = static_cast<png_uint_32>(s.height());
    image.format = PNG_FORMAT_RGB;
    File f(std::fopen(path.c_str(), "wb"));
    if (!f) {
        error = "cannot write " + path;
        return false;
    }
    if (!png_image_write_to_stdio(&image, f.get(), 0, rgb.data(), 0, nullptr)) {
        error = "cannot write " + path + ": " + image.message;
        return false;
    }
    return true;
}

std::vector<unsigned char> encode_bmp(const Surface& s) {
    const std::size_t row_bytes = (static_cast<std::size_t>(s.width()) * 3 + 3) & ~std::size_t(3);
    const std::size_t image = row_bytes * static_cast<std::size_t>(s.height());
    std::vector<unsigned char> v;
    v.reserve(54 + image);
    v.push_back('B');
    v.push_back('M');
    put32(v, static_cast<std::uint32_t>(54 + image));
    put32(v, 0);
    put32(v, 54);
    put32(v, 40);
    put32(v, static_cast<std::uint32_t>(s.width()));
    put32(v, static_cast<std::uint32_t>(s.height()));
    put16(v, 1);
    put16(v, 24);
    put32(v, 0);
    put32(v, static_cast<std::uint32_t>(image));
    put32(v, 2835);
    put32(v, 2835);
    put32(v, 0);
    put32(v, 0);
    for (int y = s.height() - 1; y >= 0; --y) {
        const Pixel* r = s.row(y);
        for (int x = 0; x < s.width(); ++x) {
            v.push_back(static_cast<unsigned char>(r[x]));
            v.push_back(static_cast<unsigned char>(r[x] >> 8));
            v.push_back(static_cast<unsigned char>(r[x] >> 16));
        }
        for (std::size_t pad = static_cast<std::size_t>(s.width()) * 3; pad < row_bytes; ++pad)
            v.push_back(0);
    }
    return v;
}

bool read_picture(std::FILE* f, Surface& out, std::string& error, int keep_w, int keep_h) {
    keep_w = std::clamp(keep_w, 1, kPictureSideLimit);
    keep_h = std::clamp(keep_h, 1, kPictureSideLimit);
    unsigned char sig[8] = {};
    const std::size_t got = std::fread(sig, 1, sizeof sig, f);
    if (std::ferror(f)) {
        error = std::string("cannot read: ") + std::strerror(errno);
        return false;
    }
    if (got >= 2 && sig[0] == 'B' && sig[1] == 'M')
        return read_bmp(f, sig, keep_w, keep_h, out, error);
    if (got == sizeof sig && png_sig_cmp(sig, 0, sizeof sig) == 0)
        return read_png(f, keep_w, keep_h, out, error);
    error = "not a PNG or BMP picture";
    return false;
}

bool read_picture(const std::string& path, Surface& out, std::string& error, int keep_w,
                  int keep_h) {
    errno = 0;
    const File f(std::fopen(path.c_str(), "rb"));
    if (!f) {
        error = path + ": cannot read: " + std::strerror(errno);
        return false;
    }
    if (!read_picture(f.get(), out, error, keep_w, keep_h)) {
        error = path + ": " + error;
        return false;
    }
    return true;
}

}  // namespace vorlip
