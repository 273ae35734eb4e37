#include "scene/stage.hpp"

#include <stdexcept>
#include <string>

#include "scene/bmp.hpp"
#include "sheets/embedded.hpp"

namespace vorlip {

Stage::Stage(int screen_w, int screen_h)
    : compose(screen_w, screen_h), background(screen_w, screen_h) {
    load_sheets();
}

void Stage::load_sheets() {
    vorlip::load_sheets(sheets);
    cells.index(sheets);
    // The last frame's sprites are copied back by the spans they were drawn with, which the
    // new index may have changed.
    changed_everywhere();
}

void Stage::place_compose_buffer() {
    Surface* image = window != nullptr ? &window->image() : nullptr;
    if (image != nullptr && image->width() == compose.width() &&
        image->height() == compose.height() && image->width() > 0 && image->height() > 0) {
        if (compose.same_memory(*image)) return;
        // Other memory: its contents are unknown, unless the window says it holds the last frame
        // and the compose buffer was the window's image until now (so held that frame too).
        const bool kept = window->moves_with_last_frame() && !compose.owning();
        compose = Surface::view(image->row(0), image->width(), image->height(), image->stride());
        if (!kept) whole_next = true;
    } else if (!compose.owning()) {
        // The window's image went away or changed size: back to a buffer of its own (its old
        // memory is never read).
        compose.resize(compose.width(), compose.height());
        whole_next = true;
    }
}

void Stage::begin_frame(const Rect& screen) {
    place_compose_buffer();
    frame_screen = screen;
    frame_whole = full_frames || whole_next;
    present.clear();
    if (frame_whole) {
        present.add(screen);
        copy_rects(compose, background, present, screen);
    } else {
        present = drawn;  // already merged
        present.add(bkg_changed);
        // The stamps one by one: their merged boxes would copy several times the pixels.
        if (bkg_stamps.complete())
            bkg_stamps.copy_back(compose, background, screen);
        else
            copy_rects(compose, background, bkg_changed, screen);
        if (drawn_shapes.complete())
            drawn_shapes.copy_back(compose, background, screen);
        else
            copy_rects(compose, background, drawn, screen);
    }
    drawn.clear();
    drawn_shapes.clear();
    bkg_changed.clear();
    bkg_stamps.clear();
}

void Stage::end_frame() {
    // A whole frame presents the whole screen already.
    if (!frame_whole) present.add(drawn);
    whole_next = false;
    if (window != nullptr) {
        // Composed in the window's own image unless that has another size than the screen.
        if (!window->image().same_memory(compose))
            copy_rects(window->image(), compose, present, frame_screen);
        window->refresh(present);
    }
}

void Stage::size_compose_buffer(int width, int height) {
    Surface* image = window != nullptr ? &window->image() : nullptr;
    if (image != nullptr && width > 0 && height > 0 && image->width() == width &&
        image->height() == height) {
        if (!compose.same_memory(*image))
            compose = Surface::view(image->row(0), width, height, image->stride());
        whole_next = true;
        return;
    }
    compose.resize(width, height);
}

void load_sheets(std::array<Surface, 16>& sheets) {
    for (int i = 0; i < 16; ++i) {
        const EmbeddedSheet& e = embedded_sheet(i);
        std::string error;
        // The sheets are part of the program; a bad one is a build fault, not a user's.
        if (!decode_bmp(e.data, e.size, sheets[static_cast<std::size_t>(i)], error))
            throw std::logic_error("built-in sheet " + std::to_string(i) + ": " + error);
    }
}

}  // namespace vorlip
