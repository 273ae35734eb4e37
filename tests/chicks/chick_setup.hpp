// Setting chicks up by hand for the chick tests.
#pragma once

#include <cstddef>
#include <vector>

#include "scene/random.hpp"
#include "scene/world.hpp"
#include "support/print_codes.hpp"
#include "support/test_support.hpp"

namespace vorlip::test {

inline BroodRec& at(World& w, int i) {
    return w.brood[static_cast<std::size_t>(i)];
}

// A steady chick of `state` at (x, y), facing right, freshly hatched; counted in chick_count.
// Vigour 0 keeps its energy where it is put, so motion tests are not disturbed by the leader.
inline BroodRec& add_chick(World& w, int i, int x, int y, Behaviour state = Behaviour::flock) {
    BroodRec& c = at(w, i);
    c = BroodRec{};
    c.x = static_cast<i16>(x);
    c.y = static_cast<i16>(y);
    c.kind = BroodKind::chick;
    c.anim = 1;
    c.footing = Footing::steady;
    c.facing = Facing::right;
    c.state = state;
    c.sheet = 3;
    c.energy = 1000;
    c.vigour = 0;
    w.chick_count = static_cast<i16>(w.chick_count + 1);
    return c;
}

// The same, in the behaviour that stores `state`.
inline BroodRec& add_chick(World& w, int i, int x, int y, int state) {
    return add_chick(w, i, x, y, static_cast<Behaviour>(state));
}

// A world on a 1024 x 768 screen, past its first frame (so chicks may plant), with the mother
// parked far off in the top-left corner where she touches nobody.
inline World chick_world() {
    World w = plain_world(1024, 768);
    w.frame_no = 100;
    w.mother_x = -400;
    w.mother_y = -400;
    return w;
}

// Draws that never start a tumble, never hop far and never rest long: n copies of r.
inline ScriptedRandom draws(std::size_t n, float r = 0.5f) {
    return ScriptedRandom(std::vector<float>(n, r));
}

}  // namespace vorlip::test
