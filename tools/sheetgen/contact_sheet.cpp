#include "tools/sheetgen/contact_sheet.hpp"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <string_view>

#include "frame/step.hpp"
#include "scene/draw.hpp"
#include "scene/world.hpp"
#include "sheets/geometry.hpp"
#include "tools/png_io.hpp"

namespace vorlip {

namespace {

// ---- The font: 3 x 5 pixels, rows top to bottom, '#' set. -----------------------------------

struct Glyph {
    char c;
    std::string_view rows;  // 15 characters
};

constexpr Glyph kFont[] = {
    {'A', "####.#####.##.#"},  {'B', "##.#.###.#.###."}, {'C', ".###..#..#...##"},
    {'D', "##.#.##.##.###."},  {'E', "####..##.#..###"}, {'F', "####..##.#..#.."},
    {'G', ".###..#.##.#.##"},  {'H', "#.##.#####.##.#"}, {'I', "###.#..#..#.###"},
    {'J', "..#..#..##.#.#."},  {'K', "#.##.###.#.##.#"}, {'L', "#..#..#..#..###"},
    {'M', "#.########.##.#"},  {'N', "##.#.##.##.##.#"}, {'O', ".#.#.##.##.#.#."},
    {'P', "##.#.###.#..#.."},  {'Q', ".#.#.##.###..##"}, {'R', "##.#.###.#.##.#"},
    {'S', ".###...#...###."},  {'T', "###.#..#..#..#."}, {'U', "#.##.##.##.####"},
    {'V', "#.##.##.##.#.#."},  {'W', "#.##.########.#"}, {'X', "#.##.#.#.#.##.#"},
    {'Y', "#.##.#.#..#..#."},  {'Z', "###..#.#.#..###"}, {'0', "####.##.##.####"},
    {'1', ".#.##..#..#.###"},  {'2', "##...#.#.#..###"}, {'3', "##...#.#...###."},
    {'4', "#.##.####..#..#"},  {'5', "####..##...###."}, {'6', ".###..####.####"},
    {'7', "###..#.#..#..#."},  {'8', "####.#####.####"}, {'9', "####.####..###."},
    {' ', "..............."},  {'-', "......###......"}, {':', "....#.....#...."},
    {'.', ".............#."},  {',', "..........#.#.."}, {'(', ".#.#..#..#...#."},
    {')', ".#...#..#..#.#."},  {'/', "..#..#.#.#..#.."}, {'+', "....#.###.#...."},
    {'\'', ".#..#.........."}, {'=', "...###...###..."},
};
constexpr std::string_view kMissing = "####.##.##.####";  // a box

std::string_view glyph(char c) {
    const char u = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    for (const Glyph& g : kFont)
        if (g.c == u) return g.rows;
    return kMissing;
}

void fill_rect(Surface& s, int x, int y, int w, int h, Pixel p) {
    for (int j = std::max(y, 0); j < std::min(y + h, s.height()); ++j)
        for (int i = std::max(x, 0); i < std::min(x + w, s.width()); ++i) s.set(i, j, p);
}

// ---- Colours and patches ---------------------------------------------------------------------

constexpr Pixel kPaper = 0xC9CFD7;
constexpr Pixel kInk = 0x262B36;
constexpr Pixel kSoftInk = 0x4E5666;
constexpr Pixel kCheckA = 0xFFFFFF;
constexpr Pixel kCheckB = 0xD9DDE3;
constexpr Pixel kLightA = 0xF1F4F8;
constexpr Pixel kLightB = 0xDCE3EB;
constexpr Pixel kDarkA = 0x1D232E;
constexpr Pixel kDarkB = 0x2C3546;

// A desktop-like patch: two tones in wide diagonal stripes, so that see-through parts of a
// sprite visibly show what lies under them.
void patch(Surface& s, int x, int y, int w, int h, bool dark) {
    const Pixel a = dark ? kDarkA : kLightA;
    const Pixel b = dark ? kDarkB : kLightB;
    for (int j = 0; j < h; ++j)
        for (int i = 0; i < w; ++i)
            if (x + i >= 0 && x + i < s.width() && y + j >= 0 && y + j < s.height())
                s.set(x + i, y + j, ((i + j) / 8) % 2 ? b : a);
}

void checker(Surface& s, int x, int y, int w, int h, int cell) {
    for (int j = 0; j < h; ++j)
        for (int i = 0; i < w; ++i)
            if (x + i >= 0 && x + i < s.width() && y + j >= 0 && y + j < s.height())
                s.set(x + i, y + j, ((i / cell + j / cell) % 2) ? kCheckB : kCheckA);
}

// ---- Layout ----------------------------------------------------------------------------------

constexpr int kMargin = 24;
constexpr int kGap = 16;
constexpr int kRowGap = 28;
constexpr int kLabel = 2;  // font scale of the labels
constexpr int kLabelH = 5 * kLabel + 8;
constexpr int kZoom = 3;
constexpr int kPad = 4;  // patch border around a 1:1 sprite
constexpr int kTileGap = 4;

bool is_chick(int n) {
    return n >= kFirstChickSheet && n <= kLastChickSheet;
}

// How many 1:1 composites a frame gets: light and dark, and the patrol tint for chicks.
int composites(int n) {
    return is_chick(n) ? 3 : 2;
}

int column_width(int n) {
    const SheetGeometry& s = kSheetGeometry[n];
    const int small = composites(n) * (s.frame_w + 2 * kPad) + (composites(n) - 1) * kTileGap;
    return std::max(kZoom * s.frame_w, small);
}

int block_width(int n) {
    return kSheetGeometry[n].frames * (column_width(n) + kGap) - kGap;
}
int block_height(int n) {
    const SheetGeometry& s = kSheetGeometry[n];
    return kLabelH + kZoom * s.frame_h + kLabelH + s.frame_h + 2 * kPad;
}

// The flowers' extra strip: the sizes the show stretches a flower to, on a light and a dark
// patch. Negative sizes are drawn upside down and mirrored, as a freshly planted flower is.
constexpr int kFlowerSizes[] = {-19, -9, 5, 13, 40, 60, 120};
constexpr int kStripH = 120 + 2 * kPad;
int strip_width() {
    int w = kPad;
    for (int s : kFlowerSizes) w += std::abs(s) + 2 * kPad;
    return w;
}

// The little plant of seeds and buds.
constexpr int kPlantW = 232;
constexpr int kPlantH = 216;

struct Painter {
    World world;
    Stage stage;

    void label(int x, int y, const std::string& text, Pixel colour = kInk) {
        draw_text(stage.compose, x, y, text, kLabel, colour);
    }

    // Frame f of sheet n, 3x on a checkerboard. The same mask-erase then colour-invert
    // composition as the show, through the raster layer's nearest-neighbour stretch.
    void zoomed(int n, int f, int x, int y) {
        const SheetGeometry& s = kSheetGeometry[n];
        const int w = kZoom * s.frame_w, h = kZoom * s.frame_h;
        checker(stage.compose, x, y, w, h, 6);
        const Surface& sheet_image = stage.sheets[static_cast<std::size_t>(n)];
        stretch_blt(stage.compose, x, y, w, h, sheet_image, f * s.frame_w, s.frame_h, s.frame_w,
                    s.frame_h, Rop::SrcErase);
        stretch_blt(stage.compose, x, y, w, h, sheet_image, f * s.frame_w, 0, s.frame_w, s.frame_h,
                    Rop::SrcInvert);
    }

    // Frame f of sheet n at 1:1 over a patch, drawn by scene_draw with the sheet's own mode.
    void composed(int n, int f, int x, int y, bool dark, bool patrol) {
        const SheetGeometry& s = kSheetGeometry[n];
        patch(stage.compose, x, y, s.frame_w + 2 * kPad, s.frame_h + 2 * kPad, dark);
        const i16 sx = w16(x + kPad), sy = w16(y + kPad);
        const i16 sheet = static_cast<i16>(n), frame = static_cast<i16>(f);
        const i16 fw = static_cast<i16>(s.frame_w), fh = static_cast<i16>(s.frame_h);
        if (n == kMotherSheet) {
            world.mother_x = sx;
            world.mother_y = sy;
            scene_draw(world, stage, DrawMode::mother, 0, sheet, frame, fw, fh);
        } else if (n >= kFirstChickSheet + kFlowerSheetOffset) {
            flower(n, x + kPad, y + kPad, s.frame_w);
        } else if (n == kSeedSheet || n == kBudSheet) {
            // Shoots and buds are stamped into the background; stamp one into a small one.
            Stage bkg;
            bkg.sheets = stage.sheets;
            bkg.background = Surface(s.frame_w + 2 * kPad, s.frame_h + 2 * kPad);
            bit_blt(bkg.background, 0, 0, bkg.background.width(), bkg.background.height(),
                    stage.compose, x, y, Rop::SrcCopy);
            world.sprouts[0].x = kPad;
            world.sprouts[0].y = kPad;
            scene_stamp(world, bkg, 0, sheet, fw, fh);
            bit_blt(stage.compose, x, y, bkg.background.width(), bkg.background.height(),
                    bkg.background, 0, 0, Rop::SrcCopy);
        } else {
            BroodRec& p = world.brood[0];
            p.x = sx;
            p.y = sy;
            p.kind = n == 0 ? BroodKind::egg : BroodKind::chick;
            p.state = patrol ? Behaviour::patrol : Behaviour::surge;
            scene_draw(world, stage, DrawMode::brood, 0, sheet, frame, fw, fh);
        }
    }

    // A flower drawn by scene_draw at `size` (negative: upside down), centred in a size-wide
    // box whose top-left corner is (x, y).
    void flower(int n, int x, int y, int size) {
        FlowerRec& fl = world.flowers[0];
        const int a = std::abs(size);
        // A negative stretch extends left of and above its point.
        fl.draw_x = w16(size < 0 ? x + a : x);
        fl.draw_y = w16(size < 0 ? y + a : y);
        fl.draw_w = w16(size);
        fl.draw_h = w16(size);
        scene_draw(world, stage, DrawMode::flower, 0, static_cast<i16>(n), 0, kFlowerCell,
                   kFlowerCell);
    }

    void sheet_block(int n, int x, int y) {
        const SheetGeometry& s = kSheetGeometry[n];
        label(x, y, std::to_string(n) + "  " + s.name);
        const int top = y + kLabelH;
        for (int f = 0; f < s.frames; ++f) {
            const int cx = x + f * (column_width(n) + kGap);
            zoomed(n, f, cx, top);
            if (s.frames > 1)
                label(cx, top + kZoom * s.frame_h + 4, "FRAME " + std::to_string(f), kSoftInk);
            const int row = top + kZoom * s.frame_h + kLabelH;
            for (int c = 0; c < composites(n); ++c)
                composed(n, f, cx + c * (s.frame_w + 2 * kPad + kTileGap), row, c == 1, c == 2);
        }
    }

    void flower_strip(int n, int x, int y) {
        std::string sizes = "SIZES";
        for (int dark = 0; dark < 2; ++dark) {
            const int top = y + kLabelH + dark * (kStripH + kTileGap);
            patch(stage.compose, x, top, strip_width(), kStripH, dark == 1);
            int cx = x + kPad;
            for (int size : kFlowerSizes) {
                const int a = std::abs(size);
                flower(n, cx + kPad, top + kStripH - kPad - a, size);
                cx += a + 2 * kPad;
                if (dark == 0) sizes.append(1, ' ').append(std::to_string(size));
            }
        }
        label(x, y + kLabelH + 2 * kStripH + kTileGap + 4, sizes + " (BELOW 0: UPSIDE DOWN)",
              kSoftInk);
    }

    // A plant grown from one seed by the show's own sprout code, stamped into one light and
    // one dark patch.
    void plant(int x, int y) {
        label(x, y, "8 + 9  SEEDS AND BUDS, STAMPED", kInk);
        for (int dark = 0; dark < 2; ++dark) {
            // The frame step stamps a record that its update has just cleared at (0, 0) of the
            // background: a margin keeps those stamps out of the patch that is shown.
            constexpr int m = kBudCell;
            Stage bkg;
            bkg.sheets = stage.sheets;
            bkg.background = Surface(m + kPlantW, m + kPlantH);
            patch(bkg.background, m, m, kPlantW, kPlantH, dark == 1);
            grow(bkg, m + kPlantW / 2 - 5, m + kPlantH - 10, 32);
            bit_blt(stage.compose, x + dark * (kPlantW + kTileGap), y + kLabelH, kPlantW, kPlantH,
                    bkg.background, m, m, Rop::SrcCopy);
        }
    }

    // A seed at (x0, y0) with `life` frames to grow, run through the frame step's sprout
    // handling until the plant is done.
    static void grow(Stage& bkg, int x0, int y0, int life) {
        World plant;
        plant.screen_w = w16(bkg.background.width());
        plant.screen_h = w16(bkg.background.height());
        plant.brood_max = kBroodSlots - 2;
        SproutRec& seed = plant.sprouts[0];
        seed.live = 1;
        seed.kind = SproutKind::shoot;
        seed.x = w16(x0);
        seed.y = w16(y0);
        seed.dy = -5;
        seed.life = w16(life);
        for (int t = 0; t < 200; ++t)
            for (i16 i = 0; i <= plant.brood_max; ++i) scene_step_sprout(plant, bkg, i);
    }
};

}  // namespace

int text_width(const std::string& text, int scale) {
    return text.empty() ? 0 : static_cast<int>(text.size()) * 4 * scale - scale;
}

int draw_text(Surface& s, int x, int y, const std::string& text, int scale, Pixel colour) {
    int cx = x;
    for (char c : text) {
        const std::string_view g = glyph(c);
        for (int j = 0; j < 5; ++j)
            for (int i = 0; i < 3; ++i)
                if (g[static_cast<std::size_t>(j * 3 + i)] == '#')
                    fill_rect(s, cx + i * scale, y + j * scale, scale, scale, colour);
        cx += 4 * scale;
    }
    return text_width(text, scale);
}

Surface make_contact_sheet(const std::array<Surface, 16>& sheets) {
    // Rows: the title; the mother; the egg with the seeds and buds; then each chick colour
    // beside the flower its chicks plant.
    const int flower_block = kZoom * kFlowerCell + kGap + strip_width();
    int width = block_width(kMotherSheet);
    width = std::max(width, block_width(kEggSheet) + 2 * kGap + 2 * kPlantW + kTileGap);
    width = std::max(width, block_width(kFirstChickSheet) + 2 * kGap + flower_block);
    width += 2 * kMargin;
    const int title_h = 5 * 3 + 12 + kLabelH;
    const int chick_row =
        std::max(block_height(kFirstChickSheet), kLabelH + 2 * kStripH + kTileGap + kLabelH + 4);
    const int egg_row = std::max(block_height(kEggSheet), kLabelH + kPlantH);
    const int height = kMargin + title_h + kRowGap + block_height(kMotherSheet) + kRowGap +
                       egg_row + 6 * (kRowGap + chick_row) + kMargin;

    Painter p;
    p.stage.sheets = sheets;
    p.stage.compose = Surface(width, height, kPaper);
    Surface& out = p.stage.compose;

    int y = kMargin;
    draw_text(out, kMargin, y, "VORLIP - THE 16 SPRITE SHEETS", 3, kInk);
    y += 5 * 3 + 12;
    p.label(kMargin, y,
            "EACH FRAME 3X ON A CHECKERBOARD, THEN 1:1 OVER A LIGHT AND A DARK DESKTOP "
            "(CHICKS ALSO AS A PATROL CHICK'S TINT), ALL DRAWN BY THE SCENE'S OWN CODE",
            kSoftInk);
    y += kLabelH + kRowGap;

    p.sheet_block(kMotherSheet, kMargin, y);
    y += block_height(kMotherSheet) + kRowGap;

    p.sheet_block(kEggSheet, kMargin, y);
    p.plant(kMargin + block_width(kEggSheet) + 2 * kGap, y);
    y += egg_row + kRowGap;

    for (int n = kFirstChickSheet; n <= kLastChickSheet; ++n) {
        p.sheet_block(n, kMargin, y);
        const int fx = kMargin + block_width(kFirstChickSheet) + 2 * kGap;
        p.sheet_block(n + kFlowerSheetOffset, fx, y);
        p.flower_strip(n + kFlowerSheetOffset, fx + kZoom * kFlowerCell + kGap, y);
        y += chick_row + kRowGap;
    }
    return out;
}

bool read_sheet_folder(const std::string& dir, std::array<Surface, 16>& sheets,
                       std::string& error) {
    for (int n = 0; n < kSheetCount; ++n) {
        const std::string name = (n < 10 ? "/sheet0" : "/sheet") + std::to_string(n) + ".bmp";
        if (!read_picture(dir + name, sheets[static_cast<std::size_t>(n)], error)) return false;
        const SheetGeometry& s = kSheetGeometry[n];
        const Surface& got = sheets[static_cast<std::size_t>(n)];
        if (got.width() != s.frame_w * s.frames || got.height() != 2 * s.frame_h) {
            error = dir + name + ": " + std::to_string(got.width()) + "x" +
                    std::to_string(got.height()) + ", want " +
                    std::to_string(s.frame_w * s.frames) + "x" + std::to_string(2 * s.frame_h);
            return false;
        }
    }
    return true;
}

}  // namespace vorlip
