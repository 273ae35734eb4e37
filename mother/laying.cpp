// Egg laying: the mother's laying decision and batches, and the making of every egg, with the
// clutches a chick lays when it turns back into an egg.
#include <array>

#include "mother/mother.hpp"
#include "scene/fields.hpp"
#include "scene/slots.hpp"
#include "sheets/geometry.hpp"

namespace vorlip {

namespace {

// The behaviour a mother's egg will hatch into, by the remainder of its draw: states 0, 1 and
// 3 are common, 2, 4 and 5 rarer, the catcher and the knocker rare, the patrol never.
constexpr std::array<i16, 56> state_table = {
    1, 3, 0, 3, 2, 0, 1, 2, 1, 0, 1, 5, 3, 4,  // 0..13
    3, 1, 3, 1, 5, 0, 3, 0, 0, 7, 8, 1, 3, 0,  // 14..27
    3, 0, 2, 4, 5, 1, 0, 3, 4, 0, 1, 3, 4, 1,  // 28..41
    3, 5, 0, 3, 2, 0, 1, 1, 3, 0, 1, 0, 3, 1,  // 42..55
};

// The colours the mother's eggs cycle through; the grey chick comes only from slot 0.
constexpr std::array<i16, 5> egg_colours = {kYellowSheet, kGreenSheet, kBlueSheet, kRedSheet,
                                            kCreamSheet};

// A table look-up that stays inside the table whatever the counters hold.
template <std::size_t N>
i16 pick(const std::array<i16, N>& table, int k) {
    const int n = static_cast<int>(N);
    return table[static_cast<std::size_t>(((k % n) + n) % n)];
}

// Steps the colour runs on by one egg, in byte arithmetic: a run of colour_run_len eggs per
// colour, five colours a pass, and the run length walking 5 down to 1 and back up again.
void advance_colour_runs(World& world) {
    u8& run_left = world.colour_run_left;
    u8& steps_left = world.colour_steps_left;
    u8& run_len = world.colour_run_len;
    i16& run_step = world.colour_run_step;

    run_left = u8(run_left - 1);
    if (run_left != 0) return;
    run_left = run_len;
    steps_left = u8(steps_left - 1);
    if (steps_left != 0) return;
    run_len = u8(run_len + run_step);
    if (run_len == 0) {
        // Bottom of the walk: a second pass of single eggs, then longer runs again.
        run_left = 1;
        steps_left = 5;
        run_len = 1;
        run_step = w16(-run_step);
    } else if (run_len == 6) {
        // Top of the walk: one pass of five was enough, go down from four.
        run_left = 4;
        steps_left = 5;
        run_len = 4;
        run_step = w16(-run_step);
    } else {
        run_left = run_len;
        steps_left = 5;
    }
}

// The side an egg rolls towards: from the left half it rolls right.
Facing facing_from(const World& world, i16 x) {
    return x <= round_even(w16(world.screen_w + 1) / 2.0) ? Facing::left : Facing::right;
}

}  // namespace

void mother_lay_eggs(World& world, Random& rnd) {
    i16& lay_clock = world.lay_clock;
    i16& batch_base = world.batch_base;
    i16& lay_odds_max = world.lay_odds_max;
    i16& lay_odds = world.lay_odds;

    lay_clock = w16(lay_clock + 1);
    batch_base = w16(batch_base + 1);
    if (lay_clock < 2500 || lay_clock > 25000) lay_clock = 2500;
    if (batch_base < 100 || batch_base > 470) batch_base = 100;

    // The longer she has gone without a restart of her odds, the longer she hovers.
    world.pace_range = w16(floor_int((lay_odds + lay_odds * 0.7) * 1.3 + 100));

    lay_odds = w16(lay_odds + 1);
    i16 batch = 1;
    if (lay_odds > lay_odds_max) {
        lay_odds = w16(floor_int(rnd.draw() * 11.0));
        lay_odds_max = w16(lay_odds + 30);
    }
    if (floor_int(rnd.draw() * static_cast<double>(lay_odds)) != 0) return;

    // Slot 0 is only offered on a frame that is a multiple of 25.
    const int first = world.frame_no % 25 == 0 ? 0 : 1;
    if (world.frame_no > 1000 && w16(world.egg_count + world.chick_count) < 9 &&
        w16(lay_clock + lay_odds) % 5 == 0)
        batch = w16(floor_int(batch_base * 0.001 * world.brood_max));

    i16 laid = 0;
    for (int i = first; i <= world.brood_max &&
                        w16(world.chick_count + world.egg_count) <= world.brood_max && laid < batch;
         ++i) {
        if (free_slot(world, i)) {
            laid = w16(laid + 1);
            mother_make_egg(world, rnd, w16(i), LaidBy::mother, w16(i), 1);
        }
    }
}

void mother_make_egg(World& world, Random& rnd, i16 slot, LaidBy by, i16 parent, i16 limit) {
    i16& state_seed = world.state_seed;
    i16& incubation_step = world.incubation_step;
    if (!in_table(slot)) return;

    world.egg_count = w16(world.egg_count + 1);
    world.rescuers[static_cast<std::size_t>(slot)] = 0;

    BroodRec& e = rec(world, slot);
    e.anim = 1;
    e.kind = BroodKind::egg;
    e.footing = Footing::tumbling;

    state_seed = w16(state_seed + 1);
    if (state_seed > 555) state_seed = 1;
    incubation_step = w16(incubation_step + 1);
    if (incubation_step < 5 || incubation_step > 25) incubation_step = 5;

    e.flap = 0;
    e.tick = 0;
    e.bumped = 0;
    e.energy = 0;

    e.vigour = w16(floor_int(rnd.draw() * 250.0 + 4 * incubation_step + 75));
    if (incubation_step % 5 == 0) e.vigour = w16(floor_int(e.vigour * 1.3));

    if (by == LaidBy::mother) {
        // The mother's egg: a drawn behaviour, the colour of the current run, laid from the
        // lower middle of her box.
        const i16 d =
            w16(floor_int(rnd.draw() * 10.0 + state_seed + incubation_step + world.frame_no));
        e.state = Behaviour{pick(state_table, d)};
        advance_colour_runs(world);
        e.sheet = pick(egg_colours, 5 - world.colour_steps_left);
        e.x = w16(world.mother_x + 40);
        e.y = w16(world.mother_y + 60);
        egg_laid_x(e) = e.x;
        egg_roll_distance(e) =
            w16(floor_int(world.screen_w * static_cast<double>(rnd.draw()) * 0.39));
        if (slot == 0) {
            // The grey chick; the frame counter jumps so slot 0 is offered again only later.
            world.frame_no = w16(world.frame_no + 25);
            e.sheet = kGreySheet;
        }
        e.facing = facing_from(world, e.x);
        return;
    }

    if (world.clutch_count == 0) {
        // The chick itself curls up into an egg in the middle of its box.
        e.x = w16(e.x + 12);
        e.y = w16(round_even(e.y - 21.6));
    } else {
        // A clutch egg sits on top of the one before it and hatches into a patrol chick.
        if (!in_table(parent)) return;
        const BroodRec& p = rec(world, parent);
        e.x = p.x;
        e.y = w16(p.y - 3);
        e.sheet = p.sheet;
        e.state = Behaviour::patrol;
    }
    egg_laid_x(e) = e.x;
    egg_roll_distance(e) = w16(floor_int(world.screen_w * static_cast<double>(rnd.draw()) * 0.39));
    e.facing = facing_from(world, e.x);

    // The clutch: further eggs in free slots from clutch_first_slot up to brood_max - 1, each
    // on top of the one before, until `limit` extra eggs are laid in all.
    if (w16(world.egg_count + world.chick_count + 1) >= world.brood_max) return;
    for (int i = world.clutch_first_slot;;) {
        if (world.clutch_count >= limit || i > world.brood_max) break;
        if (free_slot(world, i)) {
            world.clutch_count = w16(world.clutch_count + 1);
            mother_make_egg(world, rnd, w16(i), LaidBy::chick, slot, limit);
        }
        ++i;
        if (i == world.brood_max) break;
    }
}

}  // namespace vorlip
