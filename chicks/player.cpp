// Stand-ins until the chick behaviours are built: chicks stand still.
#include "chicks/player.hpp"

namespace vorlip {

void player_move(World&, i16, i16, i16) {}
i16 player_check_leader(World&, i16) { return 0; }
void player_add_energy(World&, i16, i16) {}
void player_turn(World&, i16) {}
i16 player_check_offscreen(World&, i16) { return 0; }
i16 player_find_contact(const World&, i16, i16&) { return 0; }
i16 player_take_bump(World&, Random&, i16) { return 0; }
i16 player_tumble(World&, Random&, i16, i16) { return 0; }
i16 player_surge(World&, Random&, i16) { return 0; }
i16 player_flock(World&, Random&, i16) { return 0; }
i16 player_wobble(World&, Random&, i16) { return 0; }
i16 player_sway(World&, Random&, i16) { return 0; }
i16 player_glide(World&, Random&, i16) { return 0; }
i16 player_hop(World&, Random&, i16) { return 0; }
i16 player_catch(World&, Random&, i16) { return 0; }
i16 player_knock(World&, Random&, i16) { return 0; }
void player_roam_step(World&, i16) {}

}  // namespace vorlip
