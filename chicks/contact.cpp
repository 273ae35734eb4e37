// Contacts between chicks, the mother's bumps and the tumble.
#include "chicks/chick.hpp"
#include "chicks/slots.hpp"

namespace vorlip {

using chick_detail::draw;

namespace {

// Whether one of chick j's test points lies strictly inside chick i's inner box. The points
// reach from 10 to 67 px across and from 5 px above to 62 px down, while the inner box is
// 52 px square, so one chick may touch another that does not touch it.
bool touches(const BroodRec& ci, const BroodRec& cj) {
    const i16 left = w16(ci.x + 10), right = w16(ci.x + 62), top = w16(ci.y + 10),
              bottom = w16(ci.y + 62);
    const i16 px[5] = {w16(cj.x + 10), w16(cj.x + 10), w16(cj.x + 67), w16(cj.x + 67),
                       w16(cj.x + 36)};
    const i16 py[5] = {w16(cj.y - 5), w16(cj.y + 62), w16(cj.y + 62), w16(cj.y - 5),
                       w16(cj.y + 36)};
    for (int p = 0; p < 5; ++p)
        if (left < px[p] && px[p] < right && top < py[p] && py[p] < bottom) return true;
    return false;
}

}  // namespace

bool chick_find_contact(const World& world, i16 i, i16& other) {
    const BroodRec& ci = rec(world, i);
    // `seen` counts this chick and every other chick looked at; once it passes chick_count
    // there is no chick left to find.
    int seen = 1;
    for (int j = 0; j <= world.brood_max && seen <= world.chick_count && in_table(j); ++j) {
        const BroodRec& cj = world.brood[static_cast<std::size_t>(j)];
        if (cj.kind != BroodKind::chick || cj.anim <= 0 || j == i) continue;
        seen += 1;
        if (touches(ci, cj)) {
            other = static_cast<i16>(j);
            return true;  // the lowest index wins
        }
    }
    return false;
}

bool chick_take_bump(World& world, Random& rnd, i16 i) {
    BroodRec& c = rec(world, i);
    if (c.bumped != 1) return false;
    // The chick answers the mother's bump with a hop of 0 to 69 px and firm footing.
    c.y = w16(c.y - floor_int(draw(rnd) * 70.0));
    c.footing = Footing::steady;
    c.bumped = 0;
    return true;
}

bool chick_tumble(World& world, Random& rnd, i16 i, bool touched) {
    i16& tumble_clock = world.tumble_clock;
    double& catch_band = world.catch_band;
    i16& tumble_speed = world.tumble_speed;
    i16& tumble_dir = world.tumble_dir;
    BroodRec& c = rec(world, i);

    tumble_clock = w16(tumble_clock + 1);
    if (tumble_clock > 5000) tumble_clock = 1;

    if (c.footing == Footing::tumbling) {
        // The band in which the mother can catch narrows with every tumbling update.
        catch_band -= 0.01;
        if (catch_band > 0.3 || catch_band < 0.01) catch_band = 0.2;
        if (touched) {
            if (floor_int(world.screen_h * catch_band) > c.y) c.footing = Footing::steady;
            catch_band = 0.2;
            return true;
        }
        // A bouncing fall on one speed ramp that every tumbling chick advances.
        if (tumble_dir >= 0) {
            tumble_speed = w16(tumble_speed + 1);
            if (tumble_speed > 10) tumble_dir = -1;
        } else {
            tumble_speed = w16(tumble_speed - 3);
            if (tumble_speed < 2) tumble_dir = 0;
        }
        c.y = w16(c.y + tumble_speed);
        chick_add_energy(world, i, -2);
        return true;
    }

    // A steady chick may lose its footing: rarely, more often in slot 0, and often for
    // everyone while the clock is in its stormy stretch.
    int odds = (i == 0) ? 222 : 1250;
    if (tumble_clock >= 4001 && tumble_clock <= 4149) odds = 55;
    if (floor_int(draw(rnd) * odds) == 0) {
        c.footing = Footing::tumbling;
        chick_add_energy(world, i, -3);
        return true;
    }
    return false;
}

}  // namespace vorlip
