// Small helpers shared by the chick procedures.
#pragma once

#include <cstddef>

#include "scene/slots.hpp"
#include "scene/world.hpp"

namespace vorlip::chick_detail {

// A fresh random draw as a double, ready for arithmetic in double precision.
inline double draw(Random& rnd) {
    return static_cast<double>(rnd.draw());
}

// One animation step: the frame for `anim` from the cycle (frame 0 for an `anim` outside it),
// or the wide-eyed frames 4 and 5 in turn while it tumbles. The frame is stored in the
// record and returned; `anim` then moves on and starts again at 1 past the cycle's end.
inline i16 animate(BroodRec& c, const i16* cycle, int len) {
    i16 frame = (c.anim >= 1 && c.anim <= len) ? cycle[c.anim - 1] : 0;
    if (c.footing == Footing::tumbling) {
        frame = w16(c.flap + 4);
        c.flap = w16(c.flap + 1);
        if (c.flap > 1) c.flap = 0;
    }
    c.frame = frame;
    c.anim = w16(c.anim + 1);
    if (c.anim > len) c.anim = 1;
    return frame;
}

}  // namespace vorlip::chick_detail
