// What every chick shares: its energy and the leader rule, the one-step mover that also
// plants flowers now and then, turning about, and leaving the screen.
#include "chicks/chick.hpp"
#include "chicks/slots.hpp"
#include "garden/flowers.hpp"
#include "sheets/geometry.hpp"

namespace vorlip {

void chick_add_energy(World& world, i16 i, i16 amount) {
    BroodRec& c = rec(world, i);
    if (c.energy < 50 || c.energy > 5500) c.energy = 555;
    // The gain is scaled by the chick's vigour; their product is a 16-bit value, and a loss
    // floors away from zero.
    const i16 scaled = w16(c.vigour * amount);
    c.energy = w16(c.energy + floor_int(scaled * 0.125));
    // Every update costs a little; leading costs far more.
    const double upkeep = (i == world.leader) ? 0.0555 : 0.003;
    c.energy = w16(c.energy - floor_int(c.vigour * upkeep));
}

Lead chick_check_leader(World& world, i16 i) {
    const BroodRec& c = rec(world, i);
    if (c.energy > world.leader_energy) {
        // leader_energy is a record mark: only a higher energy replaces it.
        world.leader_energy = c.energy;
        world.leader = i;
        return Lead::leads;
    }
    if (c.energy < w16(world.leader_energy - 555)) return Lead::lags;
    return Lead::follows;
}

void chick_move(World& world, i16 i, i16 dx, i16 dy) {
    i16& flower_beat = world.flower_beat;
    BroodRec& c = rec(world, i);

    if (chick_check_leader(world, i) != Lead::lags) {
        // Free step: up by dy, along the facing by dx; every 31st such step over all chicks
        // leaves a flower behind.
        c.y = w16(c.y - dy);
        if (c.facing == Facing::right)
            c.x = w16(c.x + dx);
        else
            c.x = w16(c.x - dx);
        flower_beat = w16(flower_beat + 1);
        if (flower_beat > 30) {
            flower_beat = 0;
            flower_plant(world, i);
        }
        return;
    }

    // Lagging step: far from the leader the chick is drawn towards it, whatever its facing;
    // close to it, it climbs and catches some energy from it. The leader's slot may hold
    // anything by now (an egg, a free record); its position is used as it is.
    const BroodRec nowhere{};
    const BroodRec& lead = in_table(world.leader) ? rec(world, world.leader) : nowhere;
    int n = 0;
    if (w16(c.x + 93) < lead.x) {
        c.x = w16(c.x + dx);
        n = 1;
    }
    if (w16(c.x - 93) > lead.x) {
        c.x = w16(c.x - dx);
        n += 1;
    }
    if (n == 0) {
        if (c.facing == Facing::right)
            c.x = w16(c.x + dx);
        else
            c.x = w16(c.x - dx);
    }
    if (w16(c.y + 115) < lead.y) {
        c.y = w16(c.y + dy);
        n += 1;
    }
    if (w16(c.y - 115) > lead.y) {
        c.y = w16(c.y - dy);
        n += 1;
    }
    if (n == 0) {
        c.y = w16(c.y - dy);
        chick_add_energy(world, i, 1);
    }
}

void chick_turn(World& world, i16 i) {
    BroodRec& c = rec(world, i);
    c.facing = (c.facing == Facing::right) ? Facing::left : Facing::right;
}

bool chick_check_offscreen(World& world, i16 i) {
    BroodRec& c = rec(world, i);
    // No test at the bottom: a chick below the screen stays in the table.
    if (c.x >= world.screen_w || c.x <= -kChickCell || c.y <= -kChickCell) {
        world.chicks_gone = w16(world.chicks_gone + 1);
        c.anim = 0;
        if (world.leader == i) world.leader_energy = 0;
        return true;
    }
    return false;
}

}  // namespace vorlip
