// The buffers a Wayland surface's pictures go up in: shared memory the compositor reads.
#pragma once

#include <wayland-client.h>

#include <cstddef>
#include <cstdint>

#include "scene/damage.hpp"
#include "scene/raster.hpp"
#include "shell/wayland/buffer_pair.hpp"

namespace vorlip {

// One buffer of shared memory (a memfd) the compositor reads a picture from.
struct ShmBuffer {
    wl_buffer* buffer = nullptr;
    std::uint8_t* data = nullptr;
    std::size_t size = 0;
    int width = 0, height = 0, stride = 0;
    bool busy = false;  // attached and not yet released by the compositor
    Damage stale;       // what changed in the show's picture since this buffer was written

    ShmBuffer() = default;
    ShmBuffer(const ShmBuffer&) = delete;
    ShmBuffer& operator=(const ShmBuffer&) = delete;
    ~ShmBuffer() { drop(); }

    // A buffer of `h` rows of `row_bytes` in `format` (a wl_shm code); false, with nothing
    // made, when the memory or the size is refused. Made whole stale: nothing is in it yet.
    bool make(wl_shm* shm, int w, int h, int row_bytes, std::uint32_t format);
    bool made() const { return buffer != nullptr; }
    void drop();
    Surface view() {
        return Surface::view(reinterpret_cast<Pixel*>(data), width, height, stride / 4);
    }
};

}  // namespace vorlip
