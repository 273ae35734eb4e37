// The six ordinary behaviours, surge to hop, on one update skeleton. They differ in their
// animation cycle, whether they push the chicks they touch (and collect their energy gains
// into one update), and their motion law and turn rule; a surging chick may also rest once
// after a bump of the mother.
#include "chicks/chick.hpp"
#include "chicks/slots.hpp"
#include "garden/flowers.hpp"
#include "mother/mother.hpp"
#include "scene/fields.hpp"
#include "sheets/geometry.hpp"

namespace vorlip {

using chick_detail::animate;
using chick_detail::draw;

namespace {

// Animation cycles, indexed by anim - 1.
constexpr i16 kCycleA[] = {0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 2, 3, 2, 1, 0};
constexpr i16 kCycleB[] = {0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 2, 3, 2, 1, 0, 0};
constexpr i16 kCycleC[] = {0, 1};

void move_and_turn(World& world, i16 i, int dx, int dy, bool turn) {
    chick_move(world, i, w16(dx), w16(dy));
    if (turn) chick_turn(world, i);
}

// Surge: each chick's own speed ramp, turns on a beat shared by all surging chicks.
void surge_motion(World& world, i16 i) {
    i16& flip_beat = world.flip_beat;
    i16& ramp = rec(world, i).tick;
    ramp = w16(ramp + 1);
    if (ramp > 80) ramp = 1;
    chick_move(world, i, w16(floor_int(ramp / 9.0)), w16(floor_int(ramp / 17.0)));
    flip_beat = w16(flip_beat + 1);
    if (flip_beat > 80) flip_beat = 1;
    if (flip_beat % 20 == 0 || flip_beat == 70) chick_turn(world, i);
}

// Flock: one ramp for all flocking chicks, so they move and turn in step.
void flock_motion(World& world, i16 i) {
    i16& flock_beat = world.flock_beat;
    flock_beat = w16(flock_beat + 1);
    if (flock_beat > 55) flock_beat = 1;
    move_and_turn(world, i, floor_int(flock_beat / 9.0), floor_int(flock_beat / 19.0),
                  flock_beat % 19 == 0);
}

// Wobble: a zig-zag, backwards and forwards, climbing and dipping.
void wobble_motion(World& world, i16 i) {
    i16& wobble_sign = world.wobble_sign;
    i16& along = rec(world, i).aux1;
    i16& climb = rec(world, i).aux2;
    climb = w16(climb + 1);
    if (climb > 35) climb = -15;
    if (along > 30) {
        wobble_sign = -1;
        along = -20;
    }
    if (along == -9 && wobble_sign == -1) {
        wobble_sign = 1;
        along = 9;
    }
    along = w16(along + 1);
    move_and_turn(world, i, floor_int(along * 0.4), floor_int(climb * 0.3), false);
}

// Sway: shared oscillators; two turns on each sideways swing.
void sway_motion(World& world, i16 i) {
    i16& sway_rise = world.sway_rise;
    i16& sway_drift = world.sway_drift;
    i16& sway_dir = world.sway_dir;
    sway_rise = w16(sway_rise + 1);
    if (sway_rise > 55) sway_rise = -15;
    if (sway_dir >= 0) {
        sway_drift = w16(sway_drift + 1);
        if (sway_drift > 25) sway_dir = -1;
    } else {
        sway_drift = w16(sway_drift - 1);
        if (sway_drift < -15) sway_dir = 0;
    }
    move_and_turn(world, i, floor_int(sway_drift * 0.25), floor_int(sway_rise * 0.06),
                  sway_drift == 18 || sway_drift == 5);
}

// Glide: a diagonal glide on one small triangle wave shared by all gliding chicks.
void glide_motion(World& world, i16 i) {
    i16& glide_dir = world.glide_dir;
    i16& glide_step = world.glide_step;
    if (glide_dir >= 0) {
        glide_step = w16(glide_step + 1);
        if (glide_step > 2) glide_dir = -1;
    } else {
        glide_step = w16(glide_step - 1);
        if (glide_step < 1) glide_dir = 1;
    }
    move_and_turn(world, i, glide_step + 2, glide_step, false);
}

// Hop: saw-tooth climbs while the sideways speed swells and ebbs.
void hop_motion(World& world, i16 i) {
    i16& along = rec(world, i).aux1;
    i16& climb = rec(world, i).aux2;
    i16& swelling = rec(world, i).tick;  // 0 while the sideways speed swells, -1 as it ebbs
    climb = w16(climb + 1);
    if (climb > 9) climb = 0;
    if (swelling >= 0) {
        along = w16(along + 1);
        if (along > 10) swelling = -1;
    } else {
        along = w16(along - 1);
        if (along < 0) swelling = 0;
    }
    move_and_turn(world, i, floor_int(along * 0.7), floor_int(climb * 0.7), false);
}

struct Ordinary {
    // Only a surging chick rests after a bump of the mother, and is not moved while it rests.
    bool rests;
    const i16* cycle;
    int cycle_len;
    // Pushers look for contacts, push the chick they touch and collect their energy gains
    // into one update; the others take the mother's touch as energy at once.
    bool pushes;
    double push_c;  // k = floor_int((screen_h - y) x push_c) + push_b: low chicks push harder
    int push_b;
    double push_f;  // the share of k the touched chick is pushed
    void (*motion)(World&, i16);
};

constexpr Ordinary kSurgeRules = {true, kCycleA, 17, true, 0.015, 2, 0.2, surge_motion};
constexpr Ordinary kFlockRules = {false, kCycleA, 17, true, 0.005, 3, 0.3, flock_motion};
constexpr Ordinary kWobbleRules = {false, kCycleC, 2, false, 0.0, 0, 0.0, wobble_motion};
constexpr Ordinary kSwayRules = {false, kCycleB, 18, true, 0.005, 2, 0.5, sway_motion};
constexpr Ordinary kGlideRules = {false, kCycleC, 2, false, 0.0, 0, 0.0, glide_motion};
constexpr Ordinary kHopRules = {false, kCycleC, 2, false, 0.0, 0, 0.0, hop_motion};

// A tumbling chick that has reached the ground (its top within an egg's height of the bottom
// edge) becomes an egg again, with up to one clutch egg stacked above it. Returns true when it
// landed.
bool land(World& world, Random& rnd, i16 i) {
    const BroodRec& c = rec(world, i);
    if (c.y >= world.screen_h - kEggCell && c.footing == Footing::tumbling) {
        world.chicks_gone = w16(world.chicks_gone + 1);
        world.clutch_count = 0;
        mother_make_egg(world, rnd, i, LaidBy::chick, i, 1);
        return true;
    }
    return false;
}

// One update of an ordinary chick by its behaviour's rules.
i16 ordinary_update(World& world, Random& rnd, i16 i, const Ordinary& b) {
    BroodRec& c = rec(world, i);
    const bool surge = b.rests;

    const i16 frame = animate(c, b.cycle, b.cycle_len);
    if (chick_check_offscreen(world, i)) return frame;
    if (c.footing == Footing::held) return frame;  // carried by a patrol chick

    // The mother bumped it at her take-off: it hops, and a surging chick may rest later.
    if (chick_take_bump(world, rnd, i)) {
        if (surge) rest_mark(c) = kMayRest;
        chick_add_energy(world, i, 6);
        flower_plant(world, i);
        return frame;
    }

    // The mother's touch lifts it a little and gives energy.
    i16 amount = 0;
    i16 start = i;  // a live chick tests itself and leaves start as it was
    const bool touched = mother_overlap_chicks(world, start, Overlap::body);
    if (touched) {
        if (!surge || rest_mark(c) != kResting) c.y = w16(c.y - 3);
        if (b.pushes)
            amount = w16(amount + 4);
        else
            chick_add_energy(world, i, 4);
    }

    if (!surge && land(world, rnd, i)) return frame;

    bool contact = false;
    if (b.pushes) {
        i16 other = 0;
        contact = chick_find_contact(world, i, other);
        if (c.footing != Footing::tumbling && contact &&
            rec(world, other).state != Behaviour::patrol) {
            const i16 k = w16(floor_int(w16(world.screen_h - c.y) * b.push_c) + b.push_b);
            BroodRec& o = rec(world, other);
            const bool other_rests = (o.state == Behaviour::surge && rest_mark(o) == kResting);
            if (!other_rests) o.y = w16(o.y - floor_int(k * b.push_f));
            if (!surge || rest_mark(c) != kResting) c.y = w16(c.y - k);
            amount = w16(amount + 2);
        }
    }

    if (surge) {
        // A chick bumped since its last rest rests at its next contact, for a random time
        // that grows with its speed ramp; it then cannot rest again until the next bump.
        if (rest_mark(c) >= kMayRest && contact) {
            rest_mark(c) = kResting;
            rest_left(c) = w16(floor_int(draw(rnd) * (c.tick * 5)));
        }
        if (rest_mark(c) == kResting) {
            rest_left(c) = w16(rest_left(c) - 2);
            c.footing = Footing::steady;
            if (rest_left(c) < 0) rest_mark(c) = kRested;
            return frame;
        }
        if (land(world, rnd, i)) return frame;
    }

    if (chick_tumble(world, rnd, i, touched)) return frame;
    if (b.pushes) chick_add_energy(world, i, amount);
    b.motion(world, i);
    return frame;
}

}  // namespace

i16 chick_surge(World& world, Random& rnd, i16 i) {
    return ordinary_update(world, rnd, i, kSurgeRules);
}
i16 chick_flock(World& world, Random& rnd, i16 i) {
    return ordinary_update(world, rnd, i, kFlockRules);
}
i16 chick_wobble(World& world, Random& rnd, i16 i) {
    return ordinary_update(world, rnd, i, kWobbleRules);
}
i16 chick_sway(World& world, Random& rnd, i16 i) {
    return ordinary_update(world, rnd, i, kSwayRules);
}
i16 chick_glide(World& world, Random& rnd, i16 i) {
    return ordinary_update(world, rnd, i, kGlideRules);
}
i16 chick_hop(World& world, Random& rnd, i16 i) {
    return ordinary_update(world, rnd, i, kHopRules);
}

}  // namespace vorlip
