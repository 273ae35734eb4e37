#include "scene/stage.hpp"

#include <stdexcept>
#include <string>

#include "scene/bmp.hpp"
#include "sheets/embedded.hpp"

namespace vorlip {

Stage::Stage(int screen_w, int screen_h)
    : scr_work(screen_w, screen_h), scr_bkg(screen_w, screen_h) {
    load_sheets();
}

void Stage::load_sheets() {
    vorlip::load_sheets(pat);
    cells.index(pat);
    // The last frame's sprites are copied back by the spans they were drawn with, which the
    // new index may have changed.
    changed_everywhere();
}

void Stage::place_compose_buffer() {
    Surface* image = window != nullptr ? &window->image() : nullptr;
    if (image != nullptr && image->width() == scr_work.width() &&
        image->height() == scr_work.height() && image->width() > 0 && image->height() > 0) {
        if (scr_work.same_memory(*image)) return;
        scr_work = Surface::view(image->row(0), image->width(), image->height(), image->stride());
        whole_next = true;
    } else if (!scr_work.owning()) {
        // The window's image went away or changed size: back to a buffer of its own (its old
        // memory is never read).
        scr_work.resize(scr_work.width(), scr_work.height());
        whole_next = true;
    }
}

void Stage::size_compose_buffer(int width, int height) {
    Surface* image = window != nullptr ? &window->image() : nullptr;
    if (image != nullptr && width > 0 && height > 0 && image->width() == width &&
        image->height() == height) {
        if (!scr_work.same_memory(*image))
            scr_work = Surface::view(image->row(0), width, height, image->stride());
        whole_next = true;
        return;
    }
    scr_work.resize(width, height);
}

void load_sheets(std::array<Surface, 16>& pat) {
    for (int i = 0; i < 16; ++i) {
        const EmbeddedSheet& e = embedded_sheet(i);
        std::string error;
        // The sheets are part of the program; a bad one is a build fault, not a user's.
        if (!decode_bmp(e.data, e.size, pat[static_cast<std::size_t>(i)], error))
            throw std::logic_error("built-in sheet " + std::to_string(i) + ": " + error);
    }
}

}  // namespace vorlip
