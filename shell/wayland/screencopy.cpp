// The desktop pictures: each output's screencopy, taken before anything of the saver shows on
// it, without the cursor (the saver hides it).
#include <wayland-client.h>

#include <cstdio>

#include "shell/wayland/capture_pixels.hpp"
#include "shell/wayland/internal.hpp"
#include "wlr-screencopy-unstable-v1-client-protocol.h"

namespace vorlip {

namespace {

PendingCapture& cap(void* data) {
    return *static_cast<PendingCapture*>(data);
}

constexpr zwlr_screencopy_frame_v1_listener kFrameListener{
    .buffer =
        [](void* data, zwlr_screencopy_frame_v1*, uint32_t format, uint32_t w, uint32_t h,
           uint32_t stride) {
            PendingCapture& k = cap(data);
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

PendingCapture::~PendingCapture() {
    if (frame) zwlr_screencopy_frame_v1_destroy(frame);
}

bool WaylandConnection::Impl::begin_capture(Output& out) {
    out.pending.reset();
    if (!screencopy || !shm) return false;
    auto k = std::make_unique<PendingCapture>();
    // Without the cursor: the saver hides it.
    k->frame = zwlr_screencopy_manager_v1_capture_output(screencopy, 0, out.output);
    zwlr_screencopy_frame_v1_add_listener(k->frame, &kFrameListener, k.get());
    while (!k->failed && !(k->have_buffer && (k->buffer_done || screencopy_version < 3)) &&
           !ending())
        roundtrip();
    if (k->failed || ending() || !readable_capture_format(k->format) ||
        !k->buffer.make(shm, k->width, k->height, k->stride, k->format))
        return false;
    zwlr_screencopy_frame_v1_copy(k->frame, k->buffer.buffer);
    wl_display_flush(display);
    out.pending = std::move(k);
    return true;
}

std::unique_ptr<PendingCapture> WaylandConnection::Impl::copied(Output& out) {
    std::unique_ptr<PendingCapture> k = std::move(out.pending);
    if (!k) return nullptr;
    while (!k->ready && !k->failed && !ending())
        if (wl_display_dispatch(display) < 0) wayland_connection_lost();
    if (!k->ready) {
        if (!ending())
            std::fputs(
                "vorlip: the compositor did not capture the screen; the show plays over a "
                "plain colour\n",
                stderr);
        return nullptr;
    }
    return k;
}

bool WaylandConnection::Impl::finish_capture(Output& out) {
    const std::unique_ptr<PendingCapture> k = copied(out);
    out.captured = false;
    if (k) {
        out.picture.resize(k->width, k->height);
        out.captured = copy_captured_picture(k->buffer.data, k->width, k->height, k->stride,
                                             k->format, k->y_invert, out.picture);
        out.picture_transform = out.transform;
    }
    if (!out.captured) out.picture = Surface();
    return out.captured;
}

bool WaylandConnection::Impl::finish_capture_into(Output& out, Surface& into) {
    if (out.pending && out.transform == OutputTransform::normal &&
        into.width() == out.pending->width && into.height() == out.pending->height) {
        const std::unique_ptr<PendingCapture> k = copied(out);
        out.picture = Surface();
        out.captured = false;
        return k && copy_captured_picture(k->buffer.data, k->width, k->height, k->stride, k->format,
                                          k->y_invert, into);
    }
    if (out.pending) finish_capture(out);
    return false;
}

}  // namespace vorlip
