#include "scene/cells.hpp"

namespace vorlip {

namespace {

static_assert([] {
    for (const SheetGeometry& g : kSheetGeometry)
        if (g.frames > SheetCells::kMaxFrames || g.frame_h > SheetCells::kMaxRows) return false;
    return true;
}());

bool ground(const Surface& sheet, int x, int colour_y, int mask_y) {
    return ((sheet.at(x, colour_y) & sheet.at(x, mask_y)) & kWhite) == kWhite;
}

// Under a black mask the colour alone is the result, so the pixel can be copied.
bool opaque(const Surface& sheet, int x, int colour_y, int mask_y) {
    return sheet.at(x, mask_y) == kBlack && (sheet.at(x, colour_y) & ~kWhite) == 0;
}

}  // namespace

void SheetCells::index(const std::array<Surface, kSheetCount>& sheets) {
    for (int s = 0; s < kSheetCount; ++s) {
        const SheetGeometry& g = kSheetGeometry[s];
        const Surface& sheet = sheets[static_cast<std::size_t>(s)];
        Sheet& out = sheets_[static_cast<std::size_t>(s)];
        out = Sheet{};
        if (sheet.width() != g.frame_w * g.frames || sheet.height() != 2 * g.frame_h) continue;
        for (int f = 0; f < g.frames; ++f) {
            auto& first = out.first[static_cast<std::size_t>(f)];
            for (int y = 0; y < g.frame_h; ++y) {
                const int left = f * g.frame_w, mask_y = g.frame_h + y;
                int lo = 0, hi = g.frame_w;
                while (lo < hi && ground(sheet, left + lo, y, mask_y)) ++lo;
                while (hi > lo && ground(sheet, left + hi - 1, y, mask_y)) --hi;
                out.spans[static_cast<std::size_t>(f)][static_cast<std::size_t>(y)] = {
                    static_cast<std::uint16_t>(lo), static_cast<std::uint16_t>(hi)};
                // The span cut into runs of like pixels, leaving out the ground inside it.
                first[static_cast<std::size_t>(y)] = static_cast<std::uint32_t>(out.runs.size());
                for (int x = lo; x < hi;) {
                    if (ground(sheet, left + x, y, mask_y)) {
                        ++x;
                        continue;
                    }
                    const bool o = opaque(sheet, left + x, y, mask_y);
                    const int from = x;
                    while (x < hi && !ground(sheet, left + x, y, mask_y) &&
                           opaque(sheet, left + x, y, mask_y) == o)
                        ++x;
                    out.runs.push_back(
                        {static_cast<std::uint16_t>(from), static_cast<std::uint16_t>(x), o});
                }
            }
            first[static_cast<std::size_t>(g.frame_h)] =
                static_cast<std::uint32_t>(out.runs.size());
            Rect& box = out.boxes[static_cast<std::size_t>(f)];
            for (int y = 0; y < g.frame_h; ++y) {
                const RowSpan& r =
                    out.spans[static_cast<std::size_t>(f)][static_cast<std::size_t>(y)];
                if (r.lo < r.hi) box = bounding(box, {r.lo, y, r.hi - r.lo, 1});
            }
        }
        out.pixels = sheet.row(0);
        out.width = sheet.width();
        out.height = sheet.height();
        out.stride = sheet.stride();
    }
}

const RowSpan* SheetCells::rows(const std::array<Surface, kSheetCount>& sheets, int sheet,
                                int frame, int w, int h) const {
    if (sheet < 0 || sheet >= kSheetCount) return nullptr;
    const SheetGeometry& g = kSheetGeometry[sheet];
    const Sheet& in = sheets_[static_cast<std::size_t>(sheet)];
    const Surface& now = sheets[static_cast<std::size_t>(sheet)];
    if (in.pixels == nullptr || in.pixels != now.row(0) || in.width != now.width() ||
        in.height != now.height() || in.stride != now.stride())
        return nullptr;
    if (w != g.frame_w || h != g.frame_h || frame < 0 || frame >= g.frames) return nullptr;
    return in.spans[static_cast<std::size_t>(frame)].data();
}

CellShape SheetCells::shape(const std::array<Surface, kSheetCount>& sheets, int sheet, int frame,
                            int w, int h) const {
    const RowSpan* spans = rows(sheets, sheet, frame, w, h);
    if (spans == nullptr) return {};
    const Sheet& in = sheets_[static_cast<std::size_t>(sheet)];
    return {spans, in.first[static_cast<std::size_t>(frame)].data(), in.runs.data(),
            in.boxes[static_cast<std::size_t>(frame)]};
}

}  // namespace vorlip
