// The mother bird: her flight, the eggs she and the chicks lay, eggs and hatching, and the
// searches and overlap tests over the chicks.
#pragma once

#include "scene/random.hpp"
#include "scene/world.hpp"

namespace vorlip {

// Flight. Returns the mother's next frame 0..5.
i16 mother_update(World& world, Random& rnd);
void mother_steer_to_chick(World& world, i16 index);

// Laying. `by` says who lays: the mother, or (any other value) a chick that turns back into an
// egg, with the clutch it may stack above itself.
enum class LaidBy : i16 { mother = 1, chick = 2 };
void mother_lay_eggs(World& world, Random& rnd);
void mother_make_egg(World& world, Random& rnd, i16 slot, LaidBy by, i16 parent, i16 limit);

// Eggs and hatching. `what` is spawned: the egg in `source` hatching in place, or (any other
// value) a new patrol chick beside the chick in `source`.
enum class Spawn : i16 { hatch = 1, patrol = 2 };
i16 mother_update_egg(World& world, Random& rnd, i16 index);
// True when the egg has rolled its distance and hatches.
bool mother_check_hatch(World& world, i16 index);
i16 mother_spawn_chick(World& world, i16 source, Spawn what);
// True while the hatching egg is drawn, at the size it gives in width and height; false once it
// is a chick.
bool mother_update_hatching(World& world, i16 index, i16& width, i16& height);

// Searches and overlap tests. `result` is written only when a chick is found; `start` is
// advanced to the chick that was tested. A search measures from the mother's breast or (any
// other searcher) from a chick's centre; an overlap test uses the column from the mother's body
// down to the bottom edge, or (any other area) her body; a `start` of kScanAllChicks tests every
// chick and marks those it touches as bumped. Each answers true when it found or touched a
// chick.
enum class Searcher : i16 { mother = 1, chick = 2 };
enum class Overlap : i16 { body = 1, column = 2 };
constexpr i16 kScanAllChicks = -1;
bool mother_find_nearest_chick(World& world, i16& result, i16 x, i16 y, Searcher searcher);
i16 mother_next_chick(const World& world, i16 exclude, i16 start);
bool mother_overlap_chicks(World& world, i16& start, Overlap area);

}  // namespace vorlip
