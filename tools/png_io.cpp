#include "tools/png_io.hpp"

#include <png.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
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

bool read_png(const std::vector<unsigned char>& bytes, Surface& out, std::string& error) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size())) {
        error = std::string("bad PNG: ") + image.message;
        return false;
    }
    image.format = PNG_FORMAT_RGB;
    if (image.width == 0 || image.height == 0 || image.width > 32767 || image.height > 32767) {
        png_image_free(&image);
        error = "PNG size out of range";
        return false;
    }
    std::vector<unsigned char> rgb(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr)) {
        error = std::string("bad PNG: ") + image.message;
        png_image_free(&image);
        return false;
    }
    Surface s(static_cast<int>(image.width), static_cast<int>(image.height));
    const unsigned char* p = rgb.data();
    for (int y = 0; y < s.height(); ++y)
        for (int x = 0; x < s.width(); ++x, p += 3)
            s.set(x, y, Pixel(p[0]) << 16 | Pixel(p[1]) << 8 | p[2]);
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

bool read_picture(const std::string& path, Surface& out, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot read " + path;
        return false;
    }
    std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)),
                                     std::istreambuf_iterator<char>());
    if (bytes.size() >= 2 && bytes[0] == 'B' && bytes[1] == 'M') {
        if (!decode_bmp(bytes.data(), bytes.size(), out, error)) {
            error = path + ": " + error;
            return false;
        }
        return true;
    }
    if (!read_png(bytes, out, error)) {
        error = path + ": " + error;
        return false;
    }
    return true;
}

}  // namespace vorlip
