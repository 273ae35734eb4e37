#!/usr/bin/python3
"""What kwin-session.sh and gnome-session.sh need done over D-Bus beyond busctl and gdbus.

Runs in the environment of a client of the session (its DBUS_SESSION_BUS_ADDRESS):
  helper.py kwin-image RAW WIDTH HEIGHT STRIDE FORMAT OUT
      Writes KWin's raw screenshot (a QImage's bytes: FORMAT 4 RGB32, 5 ARGB32,
      6 ARGB32_Premultiplied; each pixel 0xAARRGGBB in the machine's byte order) to OUT,
      a PNG or, if OUT ends in .ppm, a binary PPM.
  helper.py shell-screenshot OUT.png
      The whole screen through GNOME Shell's screenshot service, which answers only callers
      that own one of a few names; this one owns a screenshot tool's.
  helper.py portal-screenshot
      A non-interactive screenshot through the desktop portal; prints the URI it answers.
  helper.py remote-input
      A Mutter remote desktop session that lives as long as this process: reads commands from
      its standard input, one a line, and says "ready" on its standard output once the session
      has started and "ok" after each command done:
        move DX DY            relative pointer motion, in pixels
        button CODE 1|0       press or release (evdev code: 272 left, 273 right, 274 middle)
        click [CODE]          press and release (default 272)
        key CODE 1|0          press or release (evdev key code, e.g. 30 for A, 1 for Escape)
        tap CODE              press and release
        keysym SYM 1|0        press or release by X keysym (e.g. 0x61 for a)
        scroll STEPS          discrete vertical scroll (positive: down)
      A session belongs to the connection that made it: every call must come from this one
      process, and Mutter ends the session when it goes.
"""
import struct
import sys
import zlib


def die(message):
    print(f"helper.py: {message}", file=sys.stderr)
    sys.exit(1)


def kwin_image(raw_path, width, height, stride, fmt, out):
    width, height, stride, fmt = int(width), int(height), int(stride), int(fmt)
    if fmt not in (4, 5, 6):
        die(f"unexpected QImage format {fmt}")
    data = open(raw_path, "rb").read()
    if len(data) < stride * (height - 1) + width * 4:
        die(f"{raw_path}: {len(data)} bytes, not {width}x{height} at stride {stride}")
    if stride != width * 4:
        data = b"".join(data[y * stride:y * stride + width * 4] for y in range(height))
    # Little-endian 0xAARRGGBB: the bytes are B, G, R, A. Premultiplied pixels of an opaque
    # screen are the same as straight ones.
    rgb = bytearray(width * height * 3)
    rgb[0::3] = data[2::4]
    rgb[1::3] = data[1::4]
    rgb[2::3] = data[0::4]
    write_rgb(out, width, height, bytes(rgb))


def write_rgb(out, width, height, rgb):
    with open(out, "wb") as f:
        if out.endswith(".ppm"):
            f.write(b"P6\n%d %d\n255\n" % (width, height))
            f.write(rgb)
            return
        row = width * 3
        raw = b"".join(b"\0" + rgb[y * row:(y + 1) * row] for y in range(height))

        def chunk(kind, body):
            return (struct.pack(">I", len(body)) + kind + body +
                    struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF))

        f.write(b"\x89PNG\r\n\x1a\n")
        f.write(chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)))
        f.write(chunk(b"IDAT", zlib.compress(raw, 1)))
        f.write(chunk(b"IEND", b""))


def session_bus():
    try:
        from gi.repository import Gio
    except ImportError:
        die("python3-gi is not installed")
    return Gio.bus_get_sync(Gio.BusType.SESSION, None)


def call(bus, name, path, interface, method, args=None, timeout_ms=10000):
    from gi.repository import Gio
    return bus.call_sync(name, path, interface, method, args, None, Gio.DBusCallFlags.NONE,
                         timeout_ms, None).unpack()


def shell_screenshot(out):
    from gi.repository import GLib
    import os
    bus = session_bus()
    # 4: DBUS_NAME_FLAG_DO_NOT_QUEUE; 1 (primary owner) or 4 (already owner) will do.
    got = call(bus, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
               "RequestName", GLib.Variant("(su)", ("org.gnome.Screenshot", 4)))[0]
    if got not in (1, 4):
        die("org.gnome.Screenshot is owned by another process")
    ok, used = call(bus, "org.gnome.Shell.Screenshot", "/org/gnome/Shell/Screenshot",
                    "org.gnome.Shell.Screenshot", "Screenshot",
                    GLib.Variant("(bbs)", (False, False, os.path.abspath(out))))
    if not ok:
        die("the shell took no screenshot")


def portal_screenshot():
    from gi.repository import Gio, GLib
    bus = session_bus()
    loop = GLib.MainLoop()
    token = "vorlip%d" % __import__("os").getpid()
    sender = bus.get_unique_name()[1:].replace(".", "_")
    handle = f"/org/freedesktop/portal/desktop/request/{sender}/{token}"
    answer = {}

    def on_response(_bus, _sender, _path, _iface, _signal, params):
        answer["code"], answer["results"] = params.unpack()
        loop.quit()

    # Subscribed before the call, so that an answer that comes at once is not missed.
    bus.signal_subscribe("org.freedesktop.portal.Desktop", "org.freedesktop.portal.Request",
                         "Response", handle, None, Gio.DBusSignalFlags.NO_MATCH_RULE, on_response)
    bus.call_sync("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                  "AddMatch", GLib.Variant("(s)", (
                      "type='signal',interface='org.freedesktop.portal.Request',"
                      f"member='Response',path='{handle}'",)), None, 0, -1, None)
    options = {"handle_token": GLib.Variant("s", token), "interactive": GLib.Variant("b", False)}
    call(bus, "org.freedesktop.portal.Desktop", "/org/freedesktop/portal/desktop",
         "org.freedesktop.portal.Screenshot", "Screenshot", GLib.Variant("(sa{sv})", ("", options)),
         timeout_ms=30000)
    GLib.timeout_add_seconds(20, loop.quit)
    loop.run()
    if "code" not in answer:
        die("the portal did not answer within 20 s (a dialog waits for a person?)")
    if answer["code"] != 0:
        die(f"the portal answered {answer['code']} (1: cancelled, 2: failed)")
    print(answer["results"]["uri"])


def remote_input():
    from gi.repository import GLib
    bus = session_bus()
    rd = "org.gnome.Mutter.RemoteDesktop"
    path = call(bus, rd, "/org/gnome/Mutter/RemoteDesktop", rd, "CreateSession")[0]
    iface = rd + ".Session"

    def notify(method, fmt, *args):
        call(bus, rd, path, iface, method, GLib.Variant(fmt, args))

    call(bus, rd, path, iface, "Start")
    # Mutter makes the session's pointer and keyboard on their first event, which is lost to the
    # clients (the seat has no such device when it comes): one harmless event each first, then
    # a wait until the seat has both.
    notify("NotifyPointerMotionRelative", "(dd)", 0.0, 0.0)
    notify("NotifyKeyboardKeycode", "(ub)", 42, True)  # left Shift
    notify("NotifyKeyboardKeycode", "(ub)", 42, False)
    wait_for_seat(("pointer", "keyboard"))
    print("ready", flush=True)
    try:
        for line in sys.stdin:
            words = line.split()
            if not words:
                continue
            what, args = words[0], words[1:]
            try:
                remote_command(notify, what, args)
            except Exception as e:  # Mutter's refusal, or a malformed command
                print(f"error {e}", flush=True)
                continue
            print("ok", flush=True)
    finally:
        try:
            call(bus, rd, path, iface, "Stop")
        except Exception:
            pass


def wait_for_seat(capabilities, limit=10.0):
    """Waits until wayland-info shows the seat with these capabilities (a fixed short wait
    where wayland-info is not installed)."""
    import shutil
    import subprocess
    import time
    if not shutil.which("wayland-info"):
        time.sleep(0.5)
        return
    end = time.monotonic() + limit
    while time.monotonic() < end:
        info = subprocess.run(["wayland-info"], capture_output=True, text=True).stdout
        for line in info.splitlines():
            if "capabilities:" in line and all(c in line.split() for c in capabilities):
                return
        time.sleep(0.05)
    die(f"the seat has no {' and '.join(capabilities)} after {limit} s")


def remote_command(notify, what, args):
    if what == "move":
        notify("NotifyPointerMotionRelative", "(dd)", float(args[0]), float(args[1]))
    elif what == "button":
        notify("NotifyPointerButton", "(ib)", int(args[0], 0), args[1] == "1")
    elif what == "click":
        code = int(args[0], 0) if args else 272
        notify("NotifyPointerButton", "(ib)", code, True)
        notify("NotifyPointerButton", "(ib)", code, False)
    elif what == "key":
        notify("NotifyKeyboardKeycode", "(ub)", int(args[0], 0), args[1] == "1")
    elif what == "tap":
        notify("NotifyKeyboardKeycode", "(ub)", int(args[0], 0), True)
        notify("NotifyKeyboardKeycode", "(ub)", int(args[0], 0), False)
    elif what == "keysym":
        notify("NotifyKeyboardKeysym", "(ub)", int(args[0], 0), args[1] == "1")
    elif what == "scroll":
        notify("NotifyPointerAxisDiscrete", "(ui)", 0, int(args[0]))
    else:
        raise ValueError(f"unknown command {what}")


def main(argv):
    commands = {
        "kwin-image": (kwin_image, 6),
        "shell-screenshot": (shell_screenshot, 1),
        "portal-screenshot": (portal_screenshot, 0),
        "remote-input": (remote_input, 0),
    }
    if len(argv) < 2 or argv[1] not in commands or len(argv) - 2 != commands[argv[1]][1]:
        print(__doc__, file=sys.stderr)
        sys.exit(2)
    try:
        commands[argv[1]][0](*argv[2:])
    except Exception as e:  # a D-Bus error: its message is the news
        die(str(e))


if __name__ == "__main__":
    main(sys.argv)
