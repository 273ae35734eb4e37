#!/usr/bin/env bash
# A private headless GNOME Shell (or plain Mutter) on Wayland for the tests: its own runtime
# directory, HOME, session bus and system bus, so that several may run at once and none touches
# the machine's. Runs as the caller (root in CI): as another user than its clients, the portal
# refuses them (it cannot open /proc/PID/root of their processes) and the shell's screenshots
# are written as that user.
#
#   gnome-session.sh start [--size WxH]... [--mutter] [--xwayland] [--keep-overview]
#                          [--no-animations]
#       Starts it, waits until the Wayland socket is up and the shell's D-Bus names are owned
#       (and the overview the shell opens at start-up is closed again), and prints what a client
#       needs, KEY=VALUE per line (also in DIR/env): VORLIP_DESKTOP_DIR (the session, for the
#       commands below), WAYLAND_DISPLAY, XDG_RUNTIME_DIR, DBUS_SESSION_BUS_ADDRESS,
#       DBUS_SYSTEM_BUS_ADDRESS, XDG_CURRENT_DESKTOP, XDG_SESSION_TYPE; with --xwayland also
#       DISPLAY and XAUTHORITY.
#       One --size per virtual monitor (default one of 1920x1080). Notification banners are
#       off (the shell would greet root with one that stays until the first input);
#       --no-animations turns the shell's animations off too.
#   gnome-session.sh stop DIR
#       Ends everything the session started (also the services its bus started on demand) and
#       removes DIR.
#   gnome-session.sh run [start options] -- COMMAND...
#       start, COMMAND with the client environment, stop; exits with COMMAND's status.
#   gnome-session.sh screenshot DIR FILE.png
#       The whole screen as the shell's own screenshot service writes it (a PNG), in 0.5 s.
#   gnome-session.sh grant-screenshot DIR
#       Stores the permission the screenshot portal asks for, so that a non-interactive portal
#       screenshot is answered at once instead of with a dialog.
# Input: helper.py remote-input (see there) in the client environment.
set -euo pipefail
desk_kind=gnome
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=common.sh
. "$here/common.sh"

# Only an error of the compositor or a machine far busier than CI's runs into these.
start_limit=60

gnome_start() {
    local sizes=() mutter=0 xwayland=0 keep_overview=0 animations=1
    while [ $# -gt 0 ]; do
        case $1 in
        --size) sizes+=("$2"); shift 2 ;;
        --mutter) mutter=1; shift ;;
        --xwayland) xwayland=1; shift ;;
        --keep-overview) keep_overview=1; shift ;;
        --no-animations) animations=0; shift ;;
        *) desk_die "unknown option $1" ;;
        esac
    done
    [ ${#sizes[@]} -gt 0 ] || sizes=(1920x1080)
    local program=gnome-shell
    [ $mutter = 0 ] || program=mutter
    desk_require "$program:$program" dbus-daemon:dbus-daemon busctl:systemd \
        gsettings:libglib2.0-bin gdbus:libglib2.0-bin python3:python3
    [ $xwayland = 0 ] || desk_require Xwayland:xwayland

    local t0
    t0=$(desk_now)
    desk_new gnome
    local run=$desk_dir/run
    local session_bus=unix:path=$run/bus system_bus=unix:path=$run/system_bus
    desk_env+=(
        DBUS_SYSTEM_BUS_ADDRESS="$system_bus"
        WAYLAND_DISPLAY=wayland-0
        XDG_CURRENT_DESKTOP=GNOME
        # Nothing here provides GVfs or the accessibility bus: not looked for.
        GIO_USE_VFS=local
        NO_AT_BRIDGE=1
    )

    # The session bus starts on demand only what a test may call for: the portal with GNOME's
    # back end and the permission store, and the settings service.
    local name
    for name in org.freedesktop.portal.Desktop org.freedesktop.impl.portal.desktop.gnome \
        org.freedesktop.impl.portal.PermissionStore ca.desrt.dconf; do
        desk_service "$desk_dir/services" "$name" || true
    done
    desk_bus_config "$desk_dir/session.conf" "$run/bus" "$desk_dir/services"
    # The system bus has no service at all: the shell asks it for logind and others, and copes
    # with their absence, but not with no system bus.
    desk_bus_config "$desk_dir/system.conf" "$run/system_bus"
    desk_spawn system-bus -- dbus-daemon --config-file="$desk_dir/system.conf" --nofork
    desk_spawn session-bus -- dbus-daemon --config-file="$desk_dir/session.conf" --nofork
    up() { [ -S "$run/bus" ] && [ -S "$run/system_bus" ]; }
    desk_wait 10 up || gnome_fail

    local args=(--headless --wayland --wayland-display wayland-0)
    local size
    for size in "${sizes[@]}"; do args+=(--virtual-monitor "$size"); done
    if [ $xwayland = 0 ]; then
        args+=(--no-x11)
    elif [ ! -d /tmp/.X11-unix ]; then
        # Mutter makes it with the umask's mode and then refuses it as not writable by all.
        mkdir -m 1777 /tmp/.X11-unix
    fi
    # The shell greets root with a banner that stays until the first input (a user who is away
    # when it comes is meant to see it later); banners are off, so that the desktop is the same
    # with or without input.
    env -i "${desk_env[@]}" gsettings set org.gnome.desktop.notifications show-banners false ||
        desk_die "cannot turn the notification banners off"
    if [ $animations = 0 ]; then
        env -i "${desk_env[@]}" gsettings set org.gnome.desktop.interface enable-animations false ||
            desk_die "cannot turn the animations off"
    fi
    desk_spawn compositor -- "$program" "${args[@]}"

    local names=(org.gnome.Mutter.RemoteDesktop org.gnome.Mutter.ScreenCast
        org.gnome.Mutter.IdleMonitor org.gnome.Mutter.DisplayConfig)
    [ $mutter = 1 ] || names+=(org.gnome.Shell org.gnome.Shell.Screenshot)
    ready() {
        [ -S "$run/wayland-0" ] || return 1
        local n
        for n in "${names[@]}"; do desk_has_name "$session_bus" "$n" || return 1; done
    }
    desk_wait $start_limit ready || gnome_fail

    if [ $mutter = 0 ] && [ $keep_overview = 0 ]; then
        # The shell opens the overview at the end of its start-up animation, as after a log-in;
        # a test wants the desktop as a user has it a while later.
        overview() {
            busctl --address="$session_bus" get-property org.gnome.Shell /org/gnome/Shell \
                org.gnome.Shell OverviewActive 2>/dev/null
        }
        shown() { [ "$(overview)" = "b true" ]; }
        hidden() { [ "$(overview)" = "b false" ]; }
        # Now and then (one start in a few dozen here) the shell skips that overview: once it
        # has not come in a while, the desktop is already as the test wants it.
        local status=0
        desk_wait 15 shown || status=$?
        if [ $status = 0 ]; then
            busctl --address="$session_bus" set-property org.gnome.Shell /org/gnome/Shell \
                org.gnome.Shell OverviewActive b false
            desk_wait 10 hidden || gnome_fail
        elif [ $status = 2 ] || ! hidden; then
            gnome_fail
        fi
    fi

    local vars=(VORLIP_DESKTOP_DIR="$desk_dir" WAYLAND_DISPLAY=wayland-0 XDG_RUNTIME_DIR="$run"
        DBUS_SESSION_BUS_ADDRESS="$session_bus" DBUS_SYSTEM_BUS_ADDRESS="$system_bus"
        XDG_CURRENT_DESKTOP=GNOME XDG_SESSION_TYPE=wayland)
    if [ $xwayland = 1 ]; then
        local display
        x_up() { display=$(desk_x_display); }
        desk_wait 20 x_up || gnome_fail
        # Mutter's Xwayland admits only clients with the key in its authority file.
        local auth
        auth=$(find "$run" -maxdepth 1 -name '.mutter-Xwaylandauth.*' | head -n 1)
        vars+=(DISPLAY=":$display" XAUTHORITY="$auth")
    fi
    echo "gnome-session: $program up in $(desk_since "$t0")s" >&2
    desk_write_env "${vars[@]}"
}

gnome_fail() {
    echo "gnome-session: ${desk_failed:-failed}" >&2
    local log
    for log in "$desk_dir"/log/*.log; do
        [ -s "$log" ] || continue
        echo "--- $(basename "$log")" >&2
        tail -n 30 "$log" >&2
    done
    exit 1  # desk_abort stops the session
}

gnome_client() {
    desk_check_dir "$1"
    set -a
    # shellcheck source=/dev/null
    . "$desk_dir/env"
    set +a
}

gnome_screenshot() {
    gnome_client "$1"
    desk_has_name "$DBUS_SESSION_BUS_ADDRESS" org.gnome.Shell.Screenshot ||
        desk_die "no org.gnome.Shell.Screenshot here (plain Mutter has none)"
    /usr/bin/python3 "$here/helper.py" shell-screenshot "$2"
}

# The screenshot portal asks the person at the screen, unless the permission store has the
# answer: table "screenshot", entry "screenshot", application "" (any program not in a
# sandbox), "yes".
gnome_grant_screenshot() {
    gnome_client "$1"
    gdbus call --session --dest org.freedesktop.impl.portal.PermissionStore \
        --object-path /org/freedesktop/impl/portal/PermissionStore \
        --method org.freedesktop.impl.portal.PermissionStore.SetPermission \
        screenshot true screenshot '' "['yes']" >/dev/null
}

case ${1:-} in
start)
    shift
    gnome_start "$@"
    ;;
stop)
    [ $# = 2 ] || desk_die "usage: gnome-session.sh stop DIR"
    desk_stop "$2"
    ;;
screenshot)
    [ $# = 3 ] || desk_die "usage: gnome-session.sh screenshot DIR FILE.png"
    gnome_screenshot "$2" "$3"
    ;;
grant-screenshot)
    [ $# = 2 ] || desk_die "usage: gnome-session.sh grant-screenshot DIR"
    gnome_grant_screenshot "$2"
    ;;
run)
    shift
    opts=()
    while [ $# -gt 0 ] && [ "$1" != "--" ]; do
        opts+=("$1")
        shift
    done
    [ $# -gt 1 ] || desk_die "usage: gnome-session.sh run [start options] -- COMMAND..."
    shift
    env_lines=$(gnome_start "${opts[@]}") || exit 1
    dir=$(sed -n 's/^VORLIP_DESKTOP_DIR=//p' <<<"$env_lines")
    trap 'desk_stop "$dir" || true; exit 130' INT TERM HUP
    status=0
    (gnome_client "$dir" && "$@") || status=$?
    desk_stop "$dir" || status=1
    exit $status
    ;;
*)
    sed -n '2,/^set -euo/p' "$0" | sed '$d; s/^# \{0,1\}//' >&2
    exit 2
    ;;
esac
