// Stand-ins until the patrol is built.
#include "garden/patrol.hpp"

namespace vorlip {

i16 patrol_step(World&, Random&, i16) { return 0; }
i16 patrol_wander(World&, Random&, i16) { return 0; }
i16 patrol_finish_wander(World&, i16, i16) { return 0; }
i16 patrol_approach(World&, Random&, i16, i16) { return 0; }
void patrol_carry(World&, i16) {}
void patrol_recruit(World&, i16) {}
i16 patrol_find_idle(const World&) { return -1; }

}  // namespace vorlip
