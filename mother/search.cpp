// The searches for tumbling chicks and the overlap tests of the mother's body and column.
#include <cstdint>
#include <limits>

#include "mother/mother.hpp"
#include "scene/slots.hpp"
#include "sheets/geometry.hpp"

namespace vorlip {

namespace {

// A chick needs help while it tumbles and the mother has not just bumped it.
bool needs_help(const World& world, int i) {
    return live_chick(world, i) && rec(world, i).footing == Footing::tumbling &&
           rec(world, i).bumped != 1;
}

}  // namespace

bool mother_find_nearest_chick(World& world, i16& result, i16 x, i16 y, Searcher searcher) {
    // The mother looks from her breast, a chick from its centre.
    const bool mother = searcher == Searcher::mother;
    const i16 ref_x = mother ? w16(x + kMotherCell / 2) : w16(x + kChickCell / 2);
    const i16 ref_y = mother ? w16(y + 40) : w16(y + kChickCell / 2);

    // Distances are exact; the first chick found always counts, however far away it is, so a
    // found chick is always reported in `result`.
    std::int64_t best = std::numeric_limits<std::int64_t>::max();
    bool found = false;
    for (int i = 0; i <= last_slot(world); ++i) {
        if (!needs_help(world, i)) continue;
        found = true;
        const BroodRec& c = rec(world, i);
        const std::int64_t dx = std::int64_t{ref_x} - w16(c.x + kChickCell / 2);
        const std::int64_t dy = std::int64_t{ref_y} - w16(c.y + kChickCell / 2);
        const std::int64_t d = dx * dx + dy * dy;
        if (d < best) {  // ties keep the lower index
            best = d;
            result = w16(i);
        }
    }
    return found;
}

i16 mother_next_chick(const World& world, i16 exclude, i16 start) {
    for (int i = start < 0 ? 0 : start; i <= last_slot(world); ++i)
        if (needs_help(world, i) && i != exclude) return w16(i);
    return -1;
}

bool mother_overlap_chicks(World& world, i16& start, Overlap area) {
    const i16 left = w16(world.mother_x + 10);
    const i16 right = w16(world.mother_x + 110);
    const i16 top = w16(world.mother_y + 5);
    const i16 bottom = area == Overlap::column ? world.screen_h : w16(world.mother_y + 110);

    const bool scan_all = start == kScanAllChicks;
    if (scan_all) start = 0;

    auto inside = [&](int px, int py) {
        const i16 x = w16(px), y = w16(py);
        return left < x && x < right && top < y && y < bottom;
    };

    i16 examined = 0;
    bool result = false;
    while (examined <= world.chick_count && start <= last_slot(world)) {
        const int i = start;
        if (!live_chick(world, i)) {
            start = w16(start + 1);
            continue;
        }
        examined = w16(examined + 1);
        BroodRec& c = rec(world, i);
        // Four points near the corners of the chick's box and its centre.
        const int right = c.x + kChickCell, centre_x = c.x + kChickCell / 2;
        const int centre_y = c.y + kChickCell / 2;
        if (inside(c.x + 5, c.y) || inside(c.x + 5, c.y + 67) || inside(right, c.y + 67) ||
            inside(right, c.y) || inside(centre_x, centre_y)) {
            result = true;
            if (scan_all) {
                c.bumped = 1;
                // A chick being carried keeps its carrier's mark.
                i16& helpers = world.rescuers[static_cast<std::size_t>(i)];
                if (helpers != -1) helpers = 0;
            }
        }
        if (!scan_all) break;  // start stays on the chick that was tested
        start = w16(start + 1);
    }
    return result;
}

}  // namespace vorlip
