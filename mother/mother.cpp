// Stand-ins until the mother's flight and the eggs' lives are built: she hovers in place and
// nothing hatches.
#include "mother/mother.hpp"

namespace vorlip {

i16 mother_update(World&, Random&) {
    return 0;
}
void mother_steer_to_chick(World&, i16) {}
i16 mother_update_egg(World&, Random&, i16) {
    return 0;
}
i16 mother_check_hatch(World&, i16) {
    return 0;
}
i16 mother_spawn_chick(World&, i16, i16) {
    return -1;
}
i16 mother_update_hatching(World&, i16, i16&, i16&) {
    return -1;
}

}  // namespace vorlip
