// Stand-ins until the sprouts are built (nyoki_init is real: it is a start value).
#include "garden/nyoki.hpp"

namespace vorlip {

void nyoki_init(World& world) { world.shoot_life_base = w16(CInt(world.screen_h / 4.0)); }
void nyoki_sow(World&, i16, i16) {}
i16 nyoki_grow(World&, i16) { return 0; }
i16 nyoki_bud_update(World&, i16) { return 0; }
void nyoki_spawn_bud(World&, i16, i16) {}
i16 nyoki_cull(World&, i16, i16) { return 0; }
i16 nyoki_find_free(const World&) { return -1; }

}  // namespace vorlip
