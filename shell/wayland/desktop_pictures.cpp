// Where each output's desktop picture comes from: the compositor's screencopy (wlroots'); else
// KDE Plasma's screenshot service, which answers programs its desktop entry names; else, on
// GNOME, the desktop portal, asked only once the user has allowed it. Without any, the show plays
// over a plain colour and one line says what would give the picture.
#include <png.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <memory>

#include "scene/bmp.hpp"
#include "shell/wayland/capture_pixels.hpp"
#include "shell/wayland/desktop_bus.hpp"
#include "shell/wayland/internal.hpp"

#ifndef VORLIP_DESKTOP_ENTRY
#define VORLIP_DESKTOP_ENTRY "/usr/share/applications/vorlip.desktop"
#endif

namespace vorlip {

namespace {

// A PNG file's pixels as wl_shm's ARGB rows, top row first, without padding; false when it is
// none.
bool read_png(const std::string& path, BusPicture& into) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
    image.format = PNG_FORMAT_BGRA;
    const int w = int(image.width), h = int(image.height);
    if (w <= 0 || h <= 0 || w > kPictureSideLimit || h > kPictureSideLimit) {
        png_image_free(&image);
        return false;
    }
    into.pixels.resize(std::size_t(w) * std::size_t(h) * 4);
    if (!png_image_finish_read(&image, nullptr, into.pixels.data(), w * 4, nullptr)) {
        png_image_free(&image);
        return false;
    }
    into.width = w;
    into.height = h;
    into.stride = w * 4;
    into.format = kShmArgb8888;
    return true;
}

void say(const char* line) {
    std::fprintf(stderr, "vorlip: %s; the show plays over a plain colour\n", line);
}

}  // namespace

bool WaylandConnection::Impl::capture_by_kwin(Output& out, std::string& why) {
    DesktopBus* b = desktop_bus();
    BusPicture shot;
    if (!b || !b->kwin_capture_screen(out.connector, shot, why)) return false;
    out.picture.resize(shot.width, shot.height);
    // KWin's picture is the output as its user sees it, already turned.
    out.picture_transform = OutputTransform::normal;
    out.captured = copy_captured_picture(shot.pixels.data(), shot.width, shot.height, shot.stride,
                                         shot.format, false, out.picture);
    if (!out.captured) out.picture = Surface();
    return out.captured;
}

bool WaylandConnection::Impl::capture_by_portal(const std::vector<Output*>& outs,
                                                std::string& why) {
    DesktopBus* b = desktop_bus();
    if (!b) return false;
    const std::string file = b->portal_screenshot(10, why);
    if (file.empty()) return false;
    BusPicture whole;
    const bool read = read_png(file, whole);
    unlink(file.c_str());
    if (!read) {
        why = "the desktop portal's picture is no PNG";
        return false;
    }
    // The picture is the whole desktop: each output's part of it, by its logical place, at the
    // picture's pixels to the desktop's units.
    int right = 1, bottom = 1;
    for (const auto& o : outputs) {
        const PixelSize s = o->logical_size();
        right = std::max(right, o->x + s.width);
        bottom = std::max(bottom, o->y + s.height);
    }
    const double kx = double(whole.width) / right, ky = double(whole.height) / bottom;
    bool all = true;
    for (Output* out : outs) {
        const PixelSize s = out->logical_size();
        const int x = std::clamp(int(out->x * kx), 0, whole.width - 1);
        const int y = std::clamp(int(out->y * ky), 0, whole.height - 1);
        const int w = std::min(int(s.width * kx), whole.width - x);
        const int h = std::min(int(s.height * ky), whole.height - y);
        if (w <= 0 || h <= 0) {
            all = false;
            continue;
        }
        out->picture.resize(w, h);
        out->captured = copy_captured_picture(
            whole.pixels.data() + std::ptrdiff_t(y) * whole.stride + std::ptrdiff_t(x) * 4, w, h,
            whole.stride, whole.format, false, out->picture);
        out->picture_transform = OutputTransform::normal;
    }
    if (!all) why = "the desktop portal's picture misses an output";
    return all;
}

void WaylandConnection::Impl::capture_pictures(WaylandView::Impl& v) {
    std::vector<Output*> outs{v.output};
    for (auto& s : v.stills) outs.push_back(s->output);
    std::erase_if(outs, [](const Output* o) { return o->captured; });
    const bool saver = v.role == WaylandView::Role::saver;
    if (screencopy) {
        // All asked for at once; the stills' taken in now, the show's own output's when the show
        // needs it (its capture_desktop), once the compositor has copied it meanwhile.
        bool all = true;
        for (Output* o : outs) all = begin_capture(*o) && all;
        if (!all) say("the compositor did not capture the screen");
        for (Output* o : outs)
            if (o != v.output) finish_capture(*o);
        return;
    }
    DesktopBus* b = outs.empty() ? nullptr : desktop_bus();
    std::string why;
    if (b && b->has_owner("org.kde.KWin.ScreenShot2")) {
        bool all = true;
        for (Output* o : outs) all = capture_by_kwin(*o, why) && all;
        if (!all)
            std::fprintf(stderr,
                         "vorlip: KWin refused the screen capture (%s): it needs vorlip's desktop "
                         "entry, %s, installed with vorlip; the show plays over a plain colour\n",
                         why.c_str(), VORLIP_DESKTOP_ENTRY);
        return;
    }
    if (b && !layer_shell) {
        // The portal asks its user unless they allowed it once: the saver never asks itself.
        if (!b->screenshot_allowed()) {
            say("the desktop picture needs the user's leave, given once with "
                "vorlip --allow-desktop-picture");
        } else if (!capture_by_portal(outs, why)) {
            std::fprintf(stderr,
                         "vorlip: the desktop portal gave no picture (%s); the show plays over a "
                         "plain colour\n",
                         why.c_str());
        }
        return;
    }
    if (saver && !outs.empty()) say("the compositor offers no screen capture (wlr-screencopy)");
}

}  // namespace vorlip
