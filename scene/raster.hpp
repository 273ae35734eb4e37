// The raster layer: 24-bit pixel surfaces and the block transfers the scene draws with.
//
// A pixel is a 24-bit colour 0xRRGGBB held in the low bits of a 32-bit cell (the top byte is
// always 0). Every transfer clips once, against both the source and the destination, for any
// position and size a 16-bit field can hold, and picks its raster operation once; nothing is
// allocated while drawing.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

namespace vorlip {

using Pixel = std::uint32_t;
constexpr Pixel kWhite = 0xFFFFFF;
constexpr Pixel kBlack = 0x000000;

// The four raster operations, applied to every bit of every pixel (S source, D destination).
enum class Rop {
    SrcCopy,    // S
    SrcAnd,     // S AND D
    SrcErase,   // S AND (NOT D)
    SrcInvert,  // S XOR D
};

// A fixed-size picture. It either owns its pixels or views memory that someone else owns
// (the window's shared image, for one), with a row stride in pixels.
class Surface {
  public:
    Surface() = default;
    Surface(int width, int height, Pixel fill = kBlack);
    Surface(const Surface& other);
    Surface& operator=(const Surface& other);
    Surface(Surface&&) noexcept = default;
    Surface& operator=(Surface&&) noexcept = default;

    // A view onto memory owned elsewhere; stride is in pixels.
    [[nodiscard]] static Surface view(Pixel* pixels, int width, int height, int stride);

    // Resizes an owning surface (contents become `fill`); the only allocating call.
    void resize(int width, int height, Pixel fill = kBlack);

    int width() const { return w_; }
    int height() const { return h_; }
    int stride() const { return stride_; }
    Pixel* row(int y) { return px_ + static_cast<std::ptrdiff_t>(y) * stride_; }
    const Pixel* row(int y) const { return px_ + static_cast<std::ptrdiff_t>(y) * stride_; }
    Pixel at(int x, int y) const { return row(y)[x]; }
    void set(int x, int y, Pixel p) { row(y)[x] = p & kWhite; }
    void fill(Pixel p);

    bool same_pixels(const Surface& other) const;
    // Whether this owns its pixels, and whether the two are the same pixels in memory.
    bool owning() const { return owns_; }
    bool same_memory(const Surface& other) const {
        return px_ == other.px_ && w_ == other.w_ && h_ == other.h_ && stride_ == other.stride_;
    }

  private:
    std::vector<Pixel> own_;
    Pixel* px_ = nullptr;
    int w_ = 0, h_ = 0, stride_ = 0;
    bool owns_ = true;
};

// A rectangle of pixels: left, top, width, height. Empty when either size is 0 or less.
struct Rect {
    int x = 0, y = 0, w = 0, h = 0;
    bool empty() const { return w <= 0 || h <= 0; }
    long long area() const { return empty() ? 0 : static_cast<long long>(w) * h; }
    bool operator==(const Rect&) const = default;
};

// The smallest rectangle holding both (an empty one adds nothing).
inline Rect bounding(const Rect& a, const Rect& b) {
    if (a.empty()) return b;
    if (b.empty()) return a;
    const int x0 = std::min(a.x, b.x), y0 = std::min(a.y, b.y);
    const int x1 = std::max(a.x + a.w, b.x + b.w), y1 = std::max(a.y + a.h, b.y + b.h);
    return {x0, y0, x1 - x0, y1 - y0};
}

// The part of a that lies in b (empty if none).
Rect intersection(const Rect& a, const Rect& b);

// Of one row of a sprite's cell, the columns [lo, hi) that are not its ground: the ground
// leaves whatever it is drawn over as it was, so only the span needs drawing. lo == hi for a
// row that is all ground.
struct RowSpan {
    std::uint16_t lo = 0, hi = 0;
};

// Of one row of a sprite's cell, columns [lo, hi) of like pixels for drawing through the mask
// with a SrcInvert colour: `opaque` where the mask hides what lies under the sprite, so that the
// colour is the result; otherwise worked out pixel by pixel.
struct Run {
    std::uint16_t lo = 0, hi = 0;
    bool opaque = false;
};

// A sprite's cell as indexed from its sheet. Each row has its span and, for drawing through
// the mask with a SrcInvert colour, its runs: row y's are runs[first[y]] up to runs[first[y + 1]],
// and the ground inside its span is in none of them, since that leaves dst as it is.
struct CellShape {
    const RowSpan* spans = nullptr;        // one per row; nullptr: the whole cell is drawn
    const std::uint32_t* first = nullptr;  // one per row and one more; nullptr: no runs
    const Run* runs = nullptr;
    Rect box;  // the box of the spans, from the cell's corner; empty when all is ground
};

// Copies the w x h rectangle at (sx, sy) of src onto dst at (dx, dy) with `rop`. Parts of the
// rectangle outside either surface are skipped. Negative sizes draw nothing. With `rows` (h spans,
// one for each row of the uncut rectangle, counted from sx) only the spans are drawn: the caller
// vouches that the rest would leave dst as it is. Returns the part of dst that was written
// (empty if none).
Rect bit_blt(Surface& dst, int dx, int dy, int w, int h, const Surface& src, int sx, int sy,
             Rop rop, const RowSpan* rows = nullptr);

// A sprite drawn through its mask in one pass: the same as bit_blt of the mask rows (at mask_y)
// with SrcErase followed by bit_blt of the colour rows (at colour_y) with `colour_rop`, pixel for
// pixel, at the cost of one transfer. The shape's spans act as `rows` do for bit_blt; its runs,
// when there are some and the colour is SrcInvert, say which pixels of each span need the mask
// at all. Returns what both write.
Rect masked_blt(Surface& dst, int dx, int dy, int w, int h, const Surface& sheet, int sx,
                int mask_y, int colour_y, Rop colour_rop, const CellShape& shape = {});

// Stretches the sw x sh rectangle at (sx, sy) of src onto the dw x dh rectangle at (dx, dy) of
// dst, nearest neighbour, with `rop`. A negative dw mirrors left to right and the picture then
// covers the columns dx + dw .. dx - 1, left of the destination point; a negative dh likewise
// mirrors top to bottom above it. A zero size draws nothing. Source pixels are sampled at the
// centre of each destination pixel, so a mask and its colour frame stretched alike stay aligned.
// Returns the part of dst that was written to (empty if none).
Rect stretch_blt(Surface& dst, int dx, int dy, int dw, int dh, const Surface& src, int sx, int sy,
                 int sw, int sh, Rop rop);

// A stretched sprite through its mask in one pass: the same as stretch_blt of the mask rows (at
// mask_y) with SrcErase followed by stretch_blt of the colour rows (at colour_y) with
// `colour_rop`, pixel for pixel. Returns what both write.
Rect masked_stretch_blt(Surface& dst, int dx, int dy, int dw, int dh, const Surface& sheet, int sx,
                        int mask_y, int colour_y, int sw, int sh, Rop colour_rop);

}  // namespace vorlip
