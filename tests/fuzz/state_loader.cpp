// A state file as vorlip-sim reads it: loaded, dumped, loaded again (the same world and the
// same text), then run for a few frames.
#include "fuzz_support.hpp"
#include "tools/world_json.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vorlip;
    World world;
    try {
        world = world_from_json(std::string(reinterpret_cast<const char*>(data), size));
    } catch (const WorldJsonError&) {
        return 0;  // refused with a message: what the loader is for
    }
    const std::string dump = world_to_json(world);
    World again;
    try {
        again = world_from_json(dump);
    } catch (const WorldJsonError&) {
        fuzz::check(false, "a dump does not load");
    }
    fuzz::check(again == world, "a dump loads as another world");
    fuzz::check(world_to_json(again) == dump, "a dump loaded and dumped again differs");
    fuzz::run_frames(again, 5, 1);
    return 0;
}
