#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "scene/bmp.hpp"
#include "support/test_support.hpp"
#include "tools/png_io.hpp"

namespace vorlip {
namespace {

using Bytes = std::vector<unsigned char>;

std::string write_bytes(const std::string& name, const Bytes& bytes) {
    const std::string path = test::out_dir() + "/" + name;
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return path;
}

void put_be32(Bytes& b, std::uint32_t v) {
    for (int s = 24; s >= 0; s -= 8) b.push_back(static_cast<unsigned char>(v >> s));
}

void put_chunk(Bytes& b, const char* type, const Bytes& data) {
    put_be32(b, static_cast<std::uint32_t>(data.size()));
    const std::size_t start = b.size();
    b.insert(b.end(), type, type + 4);
    b.insert(b.end(), data.begin(), data.end());
    put_be32(b, static_cast<std::uint32_t>(crc32(0, b.data() + start, uInt(b.size() - start))));
}

// A PNG whose header declares any size, with a token of pixel data.
Bytes png_declaring(std::uint32_t w, std::uint32_t h) {
    Bytes b = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    Bytes ihdr;
    put_be32(ihdr, w);
    put_be32(ihdr, h);
    ihdr.insert(ihdr.end(), {8, 2, 0, 0, 0});
    put_chunk(b, "IHDR", ihdr);
    Bytes raw(64, 0), z(128);
    uLongf zn = z.size();
    compress(z.data(), &zn, raw.data(), raw.size());
    z.resize(zn);
    put_chunk(b, "IDAT", z);
    put_chunk(b, "IEND", {});
    return b;
}

// A BMP header declaring any size, with `rows` bytes of pixel data after it.
Bytes bmp_declaring(std::int32_t w, std::int32_t h, std::size_t pixel_bytes = 16) {
    Bytes b = encode_bmp(Surface(1, 1));
    b.resize(kBmpHeaderSize);
    for (int i = 0; i < 4; ++i) {
        b[18 + i] = static_cast<unsigned char>(std::uint32_t(w) >> (8 * i));
        b[22 + i] = static_cast<unsigned char>(std::uint32_t(h) >> (8 * i));
    }
    b.resize(b.size() + pixel_bytes, 0x40);
    return b;
}

// An interlaced PNG of a surface, through libpng's own writer.
Bytes interlaced_png(const Surface& s) {
    const std::string path = test::out_dir() + "/interlaced.png";
    std::FILE* f = std::fopen(path.c_str(), "wb");
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_init_io(png, f);
    png_set_IHDR(png, info, png_uint_32(s.width()), png_uint_32(s.height()), 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_ADAM7, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    std::vector<Bytes> rows;
    std::vector<png_bytep> pointers;
    for (int y = 0; y < s.height(); ++y) {
        Bytes& r = rows.emplace_back();
        for (int x = 0; x < s.width(); ++x)
            r.insert(r.end(), {static_cast<unsigned char>(s.at(x, y) >> 16),
                               static_cast<unsigned char>(s.at(x, y) >> 8),
                               static_cast<unsigned char>(s.at(x, y))});
    }
    for (Bytes& r : rows) pointers.push_back(r.data());
    png_set_rows(png, info, pointers.data());
    png_write_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
    png_destroy_write_struct(&png, &info);
    std::fclose(f);
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(Picture, KeepsExactlyTheTopLeftPartAskedFor) {
    Surface pic(40, 30);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x)
            pic.set(x, y, Pixel(x * 6) << 16 | Pixel(y * 8) << 8 | (x ^ y));
    std::string error;
    ASSERT_TRUE(write_png(test::out_dir() + "/plain.png", pic, error)) << error;
    Bytes top_down = encode_bmp(pic);
    {
        // The same rows stored top row first, under a negative height.
        const std::size_t row = (40 * 3 + 3) & ~3u;
        Bytes flipped(top_down.begin(), top_down.begin() + kBmpHeaderSize);
        for (int y = 29; y >= 0; --y)
            flipped.insert(flipped.end(), top_down.begin() + kBmpHeaderSize + y * row,
                           top_down.begin() + kBmpHeaderSize + (y + 1) * row);
        const std::int32_t h = -30;
        for (int i = 0; i < 4; ++i)
            flipped[22 + i] = static_cast<unsigned char>(std::uint32_t(h) >> (8 * i));
        top_down = flipped;
    }
    const std::string files[] = {
        test::out_dir() + "/plain.png",
        write_bytes("interlaced_copy.png", interlaced_png(pic)),
        write_bytes("bottom_up.bmp", encode_bmp(pic)),
        write_bytes("top_down.bmp", top_down),
    };
    struct Keep {
        int w, h;
    };
    for (const std::string& file : files)
        for (const Keep k : {Keep{17, 11}, Keep{40, 30}, Keep{100, 100}, Keep{1, 30}}) {
            Surface got;
            ASSERT_TRUE(read_picture(file, got, error, k.w, k.h)) << file << ": " << error;
            ASSERT_EQ(got.width(), std::min(40, k.w)) << file;
            ASSERT_EQ(got.height(), std::min(30, k.h)) << file;
            for (int y = 0; y < got.height(); ++y)
                for (int x = 0; x < got.width(); ++x)
                    ASSERT_EQ(got.at(x, y), pic.at(x, y)) << file << " at " << x << "," << y;
        }
}

TEST(Picture, RefusesBadAndOversizedPicturesInOneLineNamingTheFile) {
    struct Case {
        const char* name;
        Bytes bytes;
        const char* why;
    };
    const Case cases[] = {
        {"huge.png", png_declaring(32767, 32767), "out of range"},
        {"wide.png", png_declaring(16385, 1), "out of range"},
        {"wide.bmp", bmp_declaring(16385, 1), "out of range"},
        {"tall.bmp", bmp_declaring(1, -16385), "out of range"},
        {"most_negative.bmp", bmp_declaring(1, INT32_MIN), "out of range"},
        {"short.bmp", bmp_declaring(64, 64), "truncated"},
        {"header_only.bmp", Bytes{'B', 'M', 0, 0}, "not a BMP"},
        {"text.png", Bytes{'h', 'e', 'l', 'l', 'o', '\n'}, "not a PNG or BMP"},
        {"empty.png", Bytes{}, "not a PNG or BMP"},
    };
    for (const Case& c : cases) {
        const std::string path = write_bytes(c.name, c.bytes);
        Surface got(3, 3);
        std::string error;
        EXPECT_FALSE(read_picture(path, got, error)) << c.name;
        EXPECT_NE(error.find(path + ": "), std::string::npos) << error;
        EXPECT_NE(error.find(c.why), std::string::npos) << c.name << ": " << error;
        EXPECT_EQ(error.find('\n'), std::string::npos) << error;
        EXPECT_EQ(got.width(), 3) << c.name;
        // The in-memory decoder of the sprite sheets keeps the same limits.
        if (c.bytes.size() >= 2 && c.bytes[0] == 'B') {
            EXPECT_FALSE(decode_bmp(c.bytes.data(), c.bytes.size(), got, error)) << c.name;
        }
    }
}

}  // namespace
}  // namespace vorlip
