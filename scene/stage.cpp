#include "scene/stage.hpp"

#include <stdexcept>
#include <string>

#include "scene/bmp.hpp"
#include "sheets/embedded.hpp"

namespace vorlip {

Stage::Stage(int screen_w, int screen_h)
    : scr_work(screen_w, screen_h), scr_bkg(screen_w, screen_h) {
    load_sheets(pat);
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
