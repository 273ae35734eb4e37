// Any world at all: every field taken from the input's bytes in the order visit_fields gives
// them (the doubles as raw bits, NaN included), then a few frames.
#include <type_traits>

#include "fuzz_support.hpp"
#include "support/world_fields.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vorlip;
    fuzz::Input in(data, size);
    World w;
    test::visit_fields(
        w, [&](auto& field) { field = in.take<std::remove_reference_t<decltype(field)>>(); });
    fuzz::run_frames(w, 8, in.take<std::uint64_t>());
    return 0;
}
