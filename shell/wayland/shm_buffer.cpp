#include "shell/wayland/shm_buffer.hpp"

#include <sys/mman.h>
#include <unistd.h>

namespace vorlip {

namespace {

// The compositor is done reading it: it may be written again.
void on_buffer_release(void* data, wl_buffer*) {
    static_cast<ShmBuffer*>(data)->busy = false;
}
constexpr wl_buffer_listener kBufferListener{.release = on_buffer_release};

}  // namespace

bool ShmBuffer::make(wl_shm* shm, int w, int h, int row_bytes, std::uint32_t format) {
    drop();
    if (w <= 0 || h <= 0 || row_bytes < w * 4) return false;
    size = std::size_t(row_bytes) * std::size_t(h);
    const int fd = memfd_create("vorlip", MFD_CLOEXEC);
    if (fd < 0) return false;
    if (ftruncate(fd, off_t(size)) != 0) {
        close(fd);
        return false;
    }
    // Its pages are put in at once: the whole buffer is written (or, for a capture, read) right
    // away, and one call costs a fraction of a fault on every page.
    void* p = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_POPULATE, fd, 0);
    if (p == MAP_FAILED) {
        close(fd);
        return false;
    }
    data = static_cast<std::uint8_t*>(p);
    wl_shm_pool* pool = wl_shm_create_pool(shm, fd, int(size));
    buffer = wl_shm_pool_create_buffer(pool, 0, w, h, row_bytes, format);
    wl_shm_pool_destroy(pool);
    close(fd);
    width = w;
    height = h;
    stride = row_bytes;
    busy = false;
    stale.whole(w, h);
    wl_buffer_add_listener(buffer, &kBufferListener, this);
    return true;
}

void ShmBuffer::drop() {
    if (buffer) wl_buffer_destroy(buffer);
    if (data) munmap(data, size);
    buffer = nullptr;
    data = nullptr;
    size = 0;
    width = height = stride = 0;
    busy = false;
}

}  // namespace vorlip
