#include "tools/backdrop.hpp"

#include <algorithm>

namespace vorlip {

namespace {
Pixel rgb(int r, int g, int b) {
    auto c = [](int v) { return Pixel(std::clamp(v, 0, 255)); };
    return c(r) << 16 | c(g) << 8 | c(b);
}

void rect(Surface& s, int x, int y, int w, int h, Pixel p) {
    const int x0 = std::max(x, 0), y0 = std::max(y, 0);
    const int x1 = std::min(x + w, s.width()), y1 = std::min(y + h, s.height());
    for (int yy = y0; yy < y1; ++yy)
        for (int xx = x0; xx < x1; ++xx) s.set(xx, yy, p);
}

void window(Surface& s, int x, int y, int w, int h) {
    rect(s, x + 6, y + 6, w, h, rgb(40, 60, 90));  // shadow
    rect(s, x, y, w, h, rgb(236, 238, 242));
    rect(s, x, y, w, 26, rgb(58, 96, 150));
    rect(s, x + w - 22, y + 6, 14, 14, rgb(220, 90, 80));
    for (int line = 0; line * 18 + 44 < h - 10; ++line)
        rect(s, x + 16, y + 44 + line * 18, (w - 32) * (line % 3 == 2 ? 5 : 9) / 10, 8,
             rgb(190, 196, 206));
}
}  // namespace

void paint_backdrop(Surface& s) {
    const int w = s.width(), h = s.height();
    if (w <= 0 || h <= 0) return;
    // Wallpaper: a dusk-blue gradient with soft diagonal bands.
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int t = y * 255 / h;
            const int band = ((x + 2 * y) / 9 % 40 < 20) ? 6 : 0;
            s.set(x, y, rgb(36 + t / 5 + band, 92 + t / 4 + band, 150 + t / 3 + band));
        }
    // Icons down the left edge.
    for (int i = 0; i < 5 && 30 + i * 90 + 48 < h - 40; ++i) {
        rect(s, 28, 30 + i * 90, 48, 48, i % 2 ? rgb(244, 206, 92) : rgb(230, 234, 240));
        rect(s, 24, 84 + i * 90, 56, 8, rgb(230, 234, 240));
    }
    window(s, w * 22 / 100, h * 12 / 100, w * 45 / 100, h * 50 / 100);
    window(s, w * 52 / 100, h * 30 / 100, w * 38 / 100, h * 42 / 100);
    // Task bar.
    rect(s, 0, h - 36, w, 36, rgb(28, 32, 44));
    rect(s, 8, h - 30, 80, 24, rgb(70, 120, 190));
    rect(s, w - 90, h - 28, 80, 20, rgb(52, 58, 74));
}

}  // namespace vorlip
