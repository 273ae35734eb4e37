// Every field of a world, one at a time, in a fixed order: the brood's, flowers' and sprouts'
// records, the world, module and persistent globals, then rescuers and pop_flags. For tests
// and fuzz targets that fill a world field by field. Header-only.
#pragma once

#include <type_traits>

#include "scene/world.hpp"

namespace vorlip::test {

// Calls visit(field) for one field; a code field is visited as the 16-bit value it stores.
template <class Visit, class T>
void visit_field(Visit& visit, T& field) {
    if constexpr (std::is_enum_v<T>) {
        auto n = static_cast<std::underlying_type_t<T>>(field);
        visit(n);
        field = T{n};
    } else {
        visit(field);
    }
}

// Calls visit(field) for each field, with the field's storage type (i16&, u8& or double&).
template <class Visit>
void visit_fields(World& w, Visit&& visit) {
#define VORLIP_VISIT(type, name) visit_field(visit, r.name);
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
#define VORLIP_VISIT(type, name) visit_field(visit, w.name);
    VORLIP_WORLD_GLOBALS(VORLIP_VISIT)
    VORLIP_MODULE_GLOBALS(VORLIP_VISIT)
    VORLIP_PERSISTENT(VORLIP_VISIT)
#undef VORLIP_VISIT
    for (auto& v : w.rescuers) visit(v);
    for (auto& v : w.pop_flags) visit(v);
}

}  // namespace vorlip::test
