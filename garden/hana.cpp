// Stand-ins until the flowers are built.
#include "garden/hana.hpp"

namespace vorlip {

void hana_plant(World&, i16) {}
i16 hana_find_free(const World&, i16&, i16) { return -1; }
void hana_update(World&, i16) {}

}  // namespace vorlip
