// The desktop pictures: each output's screencopy, taken before anything of the saver shows on
// it, without the cursor (the saver hides it).
#include <wayland-client.h>

#include "shell/wayland/capture_pixels.hpp"
#include "shell/wayland/internal.hpp"
#include "wlr-screencopy-unstable-v1-client-protocol.h"

namespace vorlip {

namespace {

struct Capture {
    std::uint32_t format = 0;
    int width = 0, height = 0, stride = 0;
    bool have_buffer = false;
    bool buffer_done = false;
    bool y_invert = false;
    bool ready = false;
    bool failed = false;
};

Capture& cap(void* data) {
    return *static_cast<Capture*>(data);
}

constexpr zwlr_screencopy_frame_v1_listener kFrameListener{
    .buffer =
        [](void* data, zwlr_screencopy_frame_v1*, uint32_t format, uint32_t w, uint32_t h,
           uint32_t stride) {
            Capture& k = cap(data);
            k.format = format;
            k.width = int(w);
            k.height = int(h);
            k.stride = int(stride);
            k.have_buffer = true;
        },
    .flags =
        [](void* data, zwlr_screencopy_frame_v1*, uint32_t flags) {
            cap(data).y_invert = (flags & ZWLR_SCREENCOPY_FRAME_V1_FLAGS_Y_INVERT) != 0;
        },
    .ready = [](void* data, zwlr_screencopy_frame_v1*, uint32_t, uint32_t,
                uint32_t) { cap(data).ready = true; },
    .failed = [](void* data, zwlr_screencopy_frame_v1*) { cap(data).failed = true; },
    .damage = [](void*, zwlr_screencopy_frame_v1*, uint32_t, uint32_t, uint32_t, uint32_t) {},
    .linux_dmabuf = [](void*, zwlr_screencopy_frame_v1*, uint32_t, uint32_t, uint32_t) {},
    .buffer_done = [](void* data, zwlr_screencopy_frame_v1*) { cap(data).buffer_done = true; },
};

}  // namespace

bool WaylandConnection::Impl::capture(Output& out) {
    if (!screencopy || !shm) return false;
    Capture k;
    // Without the cursor: the saver hides it.
    zwlr_screencopy_frame_v1* frame =
        zwlr_screencopy_manager_v1_capture_output(screencopy, 0, out.output);
    zwlr_screencopy_frame_v1_add_listener(frame, &kFrameListener, &k);
    while (!k.failed && !(k.have_buffer && (k.buffer_done || screencopy_version < 3)) && !ending())
        roundtrip();
    ShmBuffer buffer;
    bool ok = false;
    if (!k.failed && !ending() && readable_capture_format(k.format) &&
        buffer.make(shm, k.width, k.height, k.stride, k.format)) {
        zwlr_screencopy_frame_v1_copy(frame, buffer.buffer);
        while (!k.ready && !k.failed)
            if (wl_display_dispatch(display) < 0) wayland_connection_lost();
        if (k.ready) {
            out.picture.resize(k.width, k.height);
            ok = copy_captured_picture(buffer.data, k.width, k.height, k.stride, k.format,
                                       k.y_invert, out.picture);
            out.picture_transform = out.transform;
        }
    }
    zwlr_screencopy_frame_v1_destroy(frame);
    if (!ok) out.picture = Surface();
    out.captured = ok;
    return ok;
}

}  // namespace vorlip
