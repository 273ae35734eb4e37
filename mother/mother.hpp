// The mother bird: her flight, the eggs she and the chicks lay, eggs and hatching, and the
// searches and overlap tests over the chicks.
#pragma once

#include "scene/random.hpp"
#include "scene/world.hpp"

namespace vorlip {

// Flight. Returns the mother's next frame 0..5.
i16 mother_update(World& world, Random& rnd);
void mother_steer_to_chick(World& world, i16 index);

// Laying. `mode` says who lays: the mother, or a chick that turns back into an egg (with the
// clutch it may stack above itself).
constexpr i16 kLaidByMother = 1;
constexpr i16 kLaidByChick = 2;
void mother_lay_eggs(World& world, Random& rnd);
void mother_make_egg(World& world, Random& rnd, i16 slot, i16 mode, i16 parent, i16 limit);

// Eggs and hatching. `flag` says what is spawned: the egg in `source` hatching in place, or a
// new patrol chick beside the chick in `source`.
constexpr i16 kSpawnHatch = 1;
constexpr i16 kSpawnPatrol = 2;
i16 mother_update_egg(World& world, Random& rnd, i16 index);
// True when the egg has rolled its distance and hatches.
bool mother_check_hatch(World& world, i16 index);
i16 mother_spawn_chick(World& world, i16 source, i16 flag);
// True while the hatching egg is drawn, at the size it gives in width and height; false once it
// is a chick.
bool mother_update_hatching(World& world, i16 index, i16& width, i16& height);

// Searches and overlap tests. `result` is written only when a chick is found; `start` is
// advanced to the chick that was tested. A search measures from the mother's breast or from a
// chick's centre; an overlap test uses the mother's body, or the column from her body down to
// the bottom edge; a `start` of kScanAllChicks tests every chick and marks those it touches as
// bumped.
constexpr i16 kSearchByMother = 1;
constexpr i16 kSearchByChick = 2;
constexpr i16 kOverlapBody = 1;
constexpr i16 kOverlapColumn = 2;
constexpr i16 kScanAllChicks = -1;
// True when a chick in need of help was found; true for an overlap test that touched a chick.
bool mother_find_nearest_chick(World& world, i16& result, i16 x, i16 y, i16 searcher);
i16 mother_next_chick(const World& world, i16 exclude, i16 start);
bool mother_overlap_chicks(World& world, i16& start, i16 box);

}  // namespace vorlip
