// Every field of a world, one at a time, in a fixed order: the brood's, flowers' and sprouts'
// records, the world, module and persistent globals, then rescuers and pop_flags. For tests
// and fuzz targets that fill a world field by field. Header-only.
#pragma once

#include "scene/world.hpp"

namespace vorlip::test {

// Calls visit(field) for each field, with the field's own type (i16&, u8& or double&).
template <class Visit>
void visit_fields(World& w, Visit&& visit) {
#define VORLIP_VISIT(type, name) visit(r.name);
    for (auto& r : w.brood) {
        VORLIP_BROOD_FIELDS(VORLIP_VISIT)
    }
    for (auto& r : w.flowers) {
        VORLIP_FLOWER_FIELDS(VORLIP_VISIT)
    }
    for (auto& r : w.sprouts) {
        VORLIP_SPROUT_FIELDS(VORLIP_VISIT)
    }
#undef VORLIP_VISIT
#define VORLIP_VISIT(type, name) visit(w.name);
    VORLIP_WORLD_GLOBALS(VORLIP_VISIT)
    VORLIP_MODULE_GLOBALS(VORLIP_VISIT)
    VORLIP_PERSISTENT(VORLIP_VISIT)
#undef VORLIP_VISIT
    for (auto& v : w.rescuers) visit(v);
    for (auto& v : w.pop_flags) visit(v);
}

}  // namespace vorlip::test
