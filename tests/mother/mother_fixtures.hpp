// Small builders shared by the mother's tests.
#pragma once

#include <cstddef>
#include <ostream>

#include "scene/world.hpp"
#include "support/print_codes.hpp"

namespace vorlip {

// Shows a record field by field when a comparison fails.
inline void PrintTo(const BroodRec& r, std::ostream* os) {
#define VORLIP_PRINT_FIELD(type, name) *os << #name "=" << int(r.name) << " ";
    VORLIP_BROOD_FIELDS(VORLIP_PRINT_FIELD)
#undef VORLIP_PRINT_FIELD
}

}  // namespace vorlip

namespace vorlip::test {

inline BroodRec& slot(World& w, int i) {
    return w.brood[static_cast<std::size_t>(i)];
}

// A live chick at (x, y), steady unless told otherwise.
inline BroodRec& put_chick(World& w, int i, int x, int y, Footing footing = Footing::steady) {
    BroodRec& c = slot(w, i);
    c = BroodRec{};
    c.kind = BroodKind::chick;
    c.anim = 1;
    c.x = w16(x);
    c.y = w16(y);
    c.footing = footing;
    return c;
}

// A record in use that is not a chick (an egg, a hatching egg), or a free one.
inline BroodRec& put_record(World& w, int i, BroodKind kind, i16 anim, int x = 0, int y = 0) {
    BroodRec& c = slot(w, i);
    c = BroodRec{};
    c.kind = kind;
    c.anim = anim;
    c.x = w16(x);
    c.y = w16(y);
    c.footing = Footing::tumbling;
    return c;
}

}  // namespace vorlip::test
