// The two behaviours that act on other chicks. Both roam on one shared speed ramp, never
// tumble, and glare with wide eyes for a quarter of their phase: the catcher turns the
// chicks it touches back into eggs; the knocker knocks the chicks it touches while glaring
// into a tumble, and joins the patrol when it meets a patrol chick.
#include "chicks/chick.hpp"
#include "chicks/slots.hpp"
#include "mother/mother.hpp"

namespace vorlip {

using chick_detail::animate;

namespace {

constexpr i16 kRoamCycle[] = {0, 1, 0};

// Turns chick c into an egg in its own slot, with up to `limit` patrol eggs stacked above.
void make_egg_of(World& world, Random& rnd, i16 c, i16 limit) {
    world.clutch_count = 0;
    mother_make_egg(world, rnd, c, LaidBy::chick, c, limit);
}

// Advances the phase counter; the footing shows the glare in the last `glare` of `period`.
void advance_phase(BroodRec& c, int period, int glare) {
    c.tick = w16(c.tick + 1);
    if (c.tick > period - glare) c.footing = Footing::tumbling;
    if (c.tick > period) {
        c.tick = 1;
        c.footing = Footing::steady;
    }
}

}  // namespace

void chick_roam_step(World& world, i16 i) {
    i16& roam_beat = world.roam_beat;
    roam_beat = w16(roam_beat + 1);
    if (roam_beat > 99) roam_beat = 1;
    chick_move(world, i, w16(floor_int(roam_beat / 6.0)), w16(floor_int(roam_beat / 17.0)));
    if (roam_beat % 19 == 0) chick_turn(world, i);
}

i16 chick_catch(World& world, Random& rnd, i16 i) {
    BroodRec& c = rec(world, i);
    const i16 frame = animate(c, kRoamCycle, 3);
    if (chick_check_offscreen(world, i)) return frame;
    advance_phase(c, 20, 5);

    // Bumped by the mother: an egg that hatches as a knocker, with up to three patrol eggs.
    if (chick_take_bump(world, rnd, i)) {
        world.chicks_gone = w16(world.chicks_gone + 1);
        c.state = Behaviour::knocker;
        make_egg_of(world, rnd, i, 3);
        return frame;
    }

    i16 other = 0;
    if (chick_find_contact(world, i, other) && rec(world, other).state != Behaviour::patrol) {
        world.chicks_gone = w16(world.chicks_gone + 1);
        // A catch high on the screen calms the catcher into a flocking chick.
        if (floor_int(world.screen_h * 0.6) > rec(world, other).y) c.state = Behaviour::flock;
        make_egg_of(world, rnd, other, 0);
    }

    chick_roam_step(world, i);
    return frame;
}

i16 chick_knock(World& world, Random& rnd, i16 i) {
    BroodRec& c = rec(world, i);
    const i16 frame = animate(c, kRoamCycle, 3);
    if (chick_check_offscreen(world, i)) return frame;
    advance_phase(c, 40, 10);

    // Bumped by the mother: an egg that hatches as a flocking chick, with one patrol egg.
    if (chick_take_bump(world, rnd, i)) {
        world.chicks_gone = w16(world.chicks_gone + 1);
        c.state = Behaviour::flock;
        make_egg_of(world, rnd, i, 1);
        return frame;
    }

    // Only a glaring knocker looks for contacts.
    if (c.footing == Footing::tumbling) {
        i16 other = 0;
        if (chick_find_contact(world, i, other)) {
            BroodRec& o = rec(world, other);
            if (o.state == Behaviour::patrol) {
                // Both become eggs; the knocker's hatches into the patrol.
                world.chicks_gone = w16(world.chicks_gone + 2);
                c.state = Behaviour::patrol;
                make_egg_of(world, rnd, other, 1);
                make_egg_of(world, rnd, i, 2);
                return frame;
            }
            o.footing = Footing::tumbling;
        }
    }

    chick_roam_step(world, i);
    return frame;
}

}  // namespace vorlip
