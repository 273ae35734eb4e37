#include "tools/gif_out.hpp"

#include <fcntl.h>
#include <gif_lib.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <cstring>

namespace vorlip {

namespace {

constexpr int kColours = 255;  // palette entries; the last index is see-through
constexpr std::uint8_t kClear = 255;
// The application block that makes a viewer repeat the loop for ever.
constexpr GifByteType kLoop[3] = {1, 0, 0};

int key15(Pixel p) {
    return int(((p >> 19) & 0x1F) << 10 | ((p >> 11) & 0x1F) << 5 | ((p >> 3) & 0x1F));
}

int channel(int key, int c) {
    return (key >> (10 - 5 * c)) & 0x1F;
}

std::string gif_error(const char* what, int code) {
    return std::string(what) + ": " + GifErrorString(code);
}

}  // namespace

GifPalette make_gif_palette(const std::vector<const Surface*>& sources, int count) {
    std::vector<std::uint32_t> histogram(32768, 0);
    for (const Surface* s : sources)
        for (int y = 0; y < s->height(); ++y)
            for (int x = 0; x < s->width(); ++x) ++histogram[std::size_t(key15(s->at(x, y)))];

    // Each distinct colour weighs the square root of its count, so that the few pixels of a
    // sprite's eye still get an entry next to the thousands of the desktop's gradient.
    struct Entry {
        int key;
        double weight;
    };
    std::vector<Entry> entries;
    for (int k = 0; k < 32768; ++k)
        if (histogram[std::size_t(k)])
            entries.push_back({k, std::sqrt(double(histogram[std::size_t(k)]))});

    struct Box {
        std::size_t begin, end;  // into entries
    };
    auto spread = [&](const Box& b, int& axis) {
        int best = -1;
        for (int c = 0; c < 3; ++c) {
            int lo = 31, hi = 0;
            for (std::size_t k = b.begin; k < b.end; ++k) {
                lo = std::min(lo, channel(entries[k].key, c));
                hi = std::max(hi, channel(entries[k].key, c));
            }
            if (hi - lo > best) {
                best = hi - lo;
                axis = c;
            }
        }
        return best;
    };
    std::vector<Box> boxes;
    if (!entries.empty()) boxes.push_back({0, entries.size()});
    while (int(boxes.size()) < count) {
        // Split the box with the widest spread, weighted by what it holds, at its median.
        std::size_t pick = boxes.size();
        double pick_score = 0;
        int pick_axis = 0;
        for (std::size_t i = 0; i < boxes.size(); ++i) {
            int axis = 0;
            const int s = spread(boxes[i], axis);
            if (s == 0) continue;
            double w = 0;
            for (std::size_t k = boxes[i].begin; k < boxes[i].end; ++k) w += entries[k].weight;
            if (s * w > pick_score) {
                pick_score = s * w;
                pick = i;
                pick_axis = axis;
            }
        }
        if (pick == boxes.size()) break;  // every box is one colour
        const Box b = boxes[pick];
        std::sort(entries.begin() + std::ptrdiff_t(b.begin),
                  entries.begin() + std::ptrdiff_t(b.end), [&](const Entry& l, const Entry& r) {
                      return channel(l.key, pick_axis) < channel(r.key, pick_axis);
                  });
        double total = 0, half = 0;
        for (std::size_t k = b.begin; k < b.end; ++k) total += entries[k].weight;
        std::size_t mid = b.begin + 1;
        for (std::size_t k = b.begin; k + 1 < b.end; ++k) {
            half += entries[k].weight;
            mid = k + 1;
            if (half >= total / 2) break;
        }
        boxes[pick] = {b.begin, mid};
        boxes.push_back({mid, b.end});
    }

    GifPalette pal;
    for (const Box& b : boxes) {
        std::array<double, 3> sum{};
        double w = 0;
        for (std::size_t k = b.begin; k < b.end; ++k) {
            for (int c = 0; c < 3; ++c)
                sum[std::size_t(c)] += entries[k].weight * channel(entries[k].key, c);
            w += entries[k].weight;
        }
        Pixel p = 0;
        for (int c = 0; c < 3; ++c) {
            const int v5 = int(std::lround(sum[std::size_t(c)] / w));
            p = (p << 8) | Pixel(v5 << 3 | v5 >> 2);
        }
        pal.colours.push_back(p);
    }
    if (pal.colours.empty()) pal.colours.push_back(kBlack);

    pal.nearest.resize(32768);
    for (int k = 0; k < 32768; ++k) {
        int best = 0, best_d = 1 << 30;
        for (std::size_t i = 0; i < pal.colours.size(); ++i) {
            int d = 0;
            for (int c = 0; c < 3; ++c) {
                const int v8 = int((pal.colours[i] >> (16 - 8 * c)) & 0xFF);
                const int t = channel(k, c) << 3 | channel(k, c) >> 2;
                d += (v8 - t) * (v8 - t);
            }
            if (d < best_d) {
                best_d = d;
                best = int(i);
            }
        }
        pal.nearest[std::size_t(k)] = std::uint8_t(best);
    }
    return pal;
}

struct GifOut::State {
    GifFileType* gif = nullptr;
    int w = 0, h = 0;
    GifPalette palette;
    std::vector<std::uint8_t> shown;  // the picture the frames so far add up to
    std::vector<std::uint8_t> next;
    std::vector<GifPixelType> row;
    bool first = true;
};

GifOut::GifOut() : st_(std::make_unique<State>()) {}

GifOut::~GifOut() {
    std::string ignored;
    close(ignored);
}

bool GifOut::open(const std::string& path, int w, int h,
                  const std::vector<const Surface*>& colour_sources, std::string& error) {
    State& st = *st_;
    int code = 0;
    // Made as any other file of ours (giflib's own open makes it private to the user).
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
    if (fd < 0) {
        error = "cannot write " + path + ": " + std::strerror(errno);
        return false;
    }
    st.gif = EGifOpenFileHandle(fd, &code);
    if (!st.gif) {
        ::close(fd);
        error = "cannot write " + path + ": " + GifErrorString(code);
        return false;
    }
    st.w = w;
    st.h = h;
    st.palette = make_gif_palette(colour_sources, kColours);
    std::vector<GifColorType> colours(256, GifColorType{0, 0, 0});
    for (std::size_t i = 0; i < st.palette.colours.size(); ++i) {
        const Pixel p = st.palette.colours[i];
        colours[i] = {GifByteType(p >> 16), GifByteType(p >> 8), GifByteType(p)};
    }
    ColorMapObject* map = GifMakeMapObject(256, colours.data());
    EGifSetGifVersion(st.gif, true);
    const bool ok = map && EGifPutScreenDesc(st.gif, w, h, 8, 0, map) == GIF_OK;
    GifFreeMapObject(map);
    if (!ok || EGifPutExtensionLeader(st.gif, APPLICATION_EXT_FUNC_CODE) != GIF_OK ||
        EGifPutExtensionBlock(st.gif, 11, "NETSCAPE2.0") != GIF_OK ||
        EGifPutExtensionBlock(st.gif, 3, kLoop) != GIF_OK ||
        EGifPutExtensionTrailer(st.gif) != GIF_OK) {
        error = "cannot write " + path;
        return false;
    }
    st.shown.assign(std::size_t(w) * std::size_t(h), kClear);
    st.next.resize(st.shown.size());
    st.row.resize(std::size_t(w));
    return true;
}

bool GifOut::add(const Surface& frame, int delay_cs, std::string& error) {
    State& st = *st_;
    if (!st.gif) {
        error = "the GIF is not open";
        return false;
    }
    // The frame in palette indexes, and the box around what changed since the last one.
    int x0 = st.w, y0 = st.h, x1 = 0, y1 = 0;
    for (int y = 0; y < st.h; ++y)
        for (int x = 0; x < st.w; ++x) {
            const Pixel p = x < frame.width() && y < frame.height() ? frame.at(x, y) : kBlack;
            const std::size_t i = std::size_t(y) * std::size_t(st.w) + std::size_t(x);
            st.next[i] = st.palette.nearest[std::size_t(key15(p))];
            if (st.next[i] != st.shown[i]) {
                x0 = std::min(x0, x);
                y0 = std::min(y0, y);
                x1 = std::max(x1, x + 1);
                y1 = std::max(y1, y + 1);
            }
        }
    if (x0 >= x1) {  // nothing changed: one see-through pixel holds the time
        x0 = y0 = 0;
        x1 = y1 = 1;
    }

    GraphicsControlBlock gcb{};
    gcb.DisposalMode = DISPOSE_DO_NOT;
    gcb.UserInputFlag = false;
    gcb.DelayTime = delay_cs;
    gcb.TransparentColor = st.first ? NO_TRANSPARENT_COLOR : kClear;
    GifByteType ext[4];
    const std::size_t n = EGifGCBToExtension(&gcb, ext);
    bool ok = EGifPutExtension(st.gif, GRAPHICS_EXT_FUNC_CODE, int(n), ext) == GIF_OK &&
              EGifPutImageDesc(st.gif, x0, y0, x1 - x0, y1 - y0, false, nullptr) == GIF_OK;
    for (int y = y0; ok && y < y1; ++y) {
        for (int x = x0; x < x1; ++x) {
            const std::size_t i = std::size_t(y) * std::size_t(st.w) + std::size_t(x);
            st.row[std::size_t(x - x0)] = st.next[i] == st.shown[i] ? kClear : st.next[i];
            st.shown[i] = st.next[i];
        }
        ok = EGifPutLine(st.gif, st.row.data(), x1 - x0) == GIF_OK;
    }
    st.first = false;
    if (!ok) error = gif_error("cannot write a GIF frame", st.gif->Error);
    return ok;
}

bool GifOut::close(std::string& error) {
    State& st = *st_;
    if (!st.gif) return true;
    int code = 0;
    const bool ok = EGifCloseFile(st.gif, &code) == GIF_OK;
    st.gif = nullptr;
    if (!ok) error = gif_error("cannot finish the GIF", code);
    return ok;
}

}  // namespace vorlip
