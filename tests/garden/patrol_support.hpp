// Records set up by hand for the patrol and rescue tests.
#pragma once

#include "scene/world.hpp"
#include "support/print_codes.hpp"

namespace vorlip::test {

inline BroodRec& pl(World& w, int i) {
    return w.brood[static_cast<std::size_t>(i)];
}

// A live chick at (x, y) in the given behaviour state and footing; counted in chick_count.
inline BroodRec& put_chick(World& w, int i, i16 x, i16 y, Behaviour state,
                           Footing footing = Footing::steady, i16 sheet = 3) {
    BroodRec& c = pl(w, i);
    c = BroodRec{};
    c.kind = BroodKind::chick;
    c.anim = 1;
    c.x = x;
    c.y = y;
    c.state = state;
    c.sheet = sheet;
    c.footing = footing;
    c.facing = Facing::right;
    w.chick_count = w.chick_count + 1;
    return c;
}

// The same, in the behaviour that stores `state`.
inline BroodRec& put_chick(World& w, int i, i16 x, i16 y, int state,
                           Footing footing = Footing::steady, i16 sheet = 3) {
    return put_chick(w, i, x, y, static_cast<Behaviour>(state), footing, sheet);
}

// A patrol chick heading for (link 1) or carrying (link -1) the chick at `target`.
inline BroodRec& put_rescuer(World& w, int i, i16 x, i16 y, i16 target, i16 link) {
    BroodRec& c = put_chick(w, i, x, y, Behaviour::patrol);
    c.aux1 = target;
    c.aux2 = link;
    return c;
}

}  // namespace vorlip::test
