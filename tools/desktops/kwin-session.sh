#!/usr/bin/env bash
# A private headless KWin (Plasma's compositor) on Wayland for the tests: its own runtime
# directory, HOME and session bus, so that several may run at once and none touches the
# machine's. Runs as the caller (root in CI): KWin authorises a screenshot by the executable
# of the calling process, which it cannot see for another user's process.
#
#   kwin-session.sh start [--size WxH] [--outputs N] [--authorize EXECUTABLE]... [--xwayland]
#                         [--no-fake-input]
#       Starts it, waits until the Wayland socket is up and KWin's D-Bus names are owned, and
#       prints what a client needs, KEY=VALUE per line (also in DIR/env): VORLIP_DESKTOP_DIR
#       (the session, for the commands below), WAYLAND_DISPLAY, XDG_RUNTIME_DIR,
#       DBUS_SESSION_BUS_ADDRESS, XDG_CURRENT_DESKTOP, XDG_SESSION_TYPE, DISPLAY with --xwayland.
#       N outputs (default 1) of WxH (default 1920x1080), side by side. Each EXECUTABLE may use
#       the screenshot interface org.kde.KWin.ScreenShot2 (gdbus, which the screenshot command
#       below uses, always may). KWin offers its fake input protocol to every client unless
#       --no-fake-input.
#   kwin-session.sh stop DIR
#       Ends everything the session started and removes DIR.
#   kwin-session.sh run [start options] -- COMMAND...
#       start, COMMAND with the client environment, stop; exits with COMMAND's status.
#   kwin-session.sh authorize DIR EXECUTABLE
#       Lets EXECUTABLE use org.kde.KWin.ScreenShot2 from when it returns (it takes 2.5 s:
#       KWin looks at its desktop entries again at most every 1.5 s). Cheaper at start.
#   kwin-session.sh screenshot DIR FILE.png|FILE.ppm [OUTPUT]
#       One output (default the first, Virtual-0) through org.kde.KWin.ScreenShot2.
set -euo pipefail
desk_kind=kwin
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=common.sh
. "$here/common.sh"

# Only an error of the compositor or a machine far busier than CI's runs into these.
start_limit=60

# kwin_authorize EXECUTABLE: a desktop entry whose Exec is EXECUTABLE (as KWin compares it:
# the canonical path of the process's executable), allowed the screenshot interface. KWin builds
# its cache of desktop entries when it first needs it, and later notices a change by itself
# within 2 s; kbuildsycoca5 (kwin_rebuild) makes that about 1 s.
kwin_authorize() {
    local exe
    exe=$(realpath -e "$1") || desk_die "no executable $1"
    [ -x "$exe" ] || desk_die "not executable: $exe"
    local apps=$desk_dir/home/.local/share/applications
    mkdir -p "$apps"
    local n=$(($(find "$apps" -name 'vorlip-authorized-*.desktop' | wc -l) + 1))
    cat >"$apps/vorlip-authorized-$n.desktop" <<EOF
[Desktop Entry]
Type=Application
Name=$(basename "$exe")
Exec=$exe
NoDisplay=true
X-KDE-DBUS-Restricted-Interfaces=org.kde.KWin.ScreenShot2
EOF
}

kwin_rebuild() {
    env -i "${desk_env[@]}" kbuildsycoca5 >"$desk_dir/log/kbuildsycoca5.log" 2>&1 ||
        desk_die "kbuildsycoca5 failed: $(tail -n 5 "$desk_dir/log/kbuildsycoca5.log")"
}

kwin_start() {
    local size=1920x1080 outputs=1 xwayland=0 fake_input=1 authorized=(/usr/bin/gdbus)
    while [ $# -gt 0 ]; do
        case $1 in
        --size) size=$2; shift 2 ;;
        --outputs) outputs=$2; shift 2 ;;
        --authorize) authorized+=("$2"); shift 2 ;;
        --xwayland) xwayland=1; shift ;;
        --no-fake-input) fake_input=0; shift ;;
        *) desk_die "unknown option $1" ;;
        esac
    done
    [[ $size =~ ^([0-9]+)x([0-9]+)$ ]] || desk_die "not a size: $size"
    local width=${BASH_REMATCH[1]} height=${BASH_REMATCH[2]}
    desk_require kwin_wayland:kwin-wayland dbus-daemon:dbus-daemon busctl:systemd \
        gdbus:libglib2.0-bin kbuildsycoca5:libkf5service-bin python3:python3
    [ $xwayland = 0 ] || desk_require Xwayland:xwayland
    local program
    program=$(command -v kwin_wayland)

    local t0
    t0=$(desk_now)
    desk_new kwin
    local run=$desk_dir/run session_bus=unix:path=$desk_dir/run/bus
    desk_env+=(WAYLAND_DISPLAY=wayland-0 XDG_CURRENT_DESKTOP=KDE)

    # Desktop entries first, so that KWin's first look at them finds them all.
    local exe
    for exe in "${authorized[@]}"; do kwin_authorize "$exe"; done

    # The session bus starts nothing on demand: KWin needs no service of it.
    desk_bus_config "$desk_dir/session.conf" "$run/bus"
    desk_spawn session-bus -- dbus-daemon --config-file="$desk_dir/session.conf" --nofork
    bus_up() { [ -S "$run/bus" ]; }
    desk_wait 10 bus_up || kwin_fail

    # Debian's kwin_wayland carries file capabilities (CAP_SYS_RESOURCE, for its real-time
    # scheduling) that a container may refuse to grant: exec fails with EPERM. A copy without
    # them runs the same.
    mkdir "$desk_dir/bin"
    cp "$program" "$desk_dir/bin/kwin_wayland"
    local extra=(QT_QPA_PLATFORM=offscreen)
    [ $fake_input = 0 ] || extra+=(KWIN_WAYLAND_NO_PERMISSION_CHECKS=1)
    local args=(--virtual --width "$width" --height "$height" --output-count "$outputs"
        --socket wayland-0 --no-lockscreen --no-global-shortcuts --no-kactivities)
    [ $xwayland = 0 ] || args+=(--xwayland)
    desk_spawn compositor "${extra[@]}" -- "$desk_dir/bin/kwin_wayland" "${args[@]}"

    ready() {
        [ -S "$run/wayland-0" ] && desk_has_name "$session_bus" org.kde.KWin &&
            desk_has_name "$session_bus" org.kde.KWin.ScreenShot2
    }
    desk_wait $start_limit ready || kwin_fail

    local vars=(VORLIP_DESKTOP_DIR="$desk_dir" WAYLAND_DISPLAY=wayland-0 XDG_RUNTIME_DIR="$run"
        DBUS_SESSION_BUS_ADDRESS="$session_bus" XDG_CURRENT_DESKTOP=KDE XDG_SESSION_TYPE=wayland)
    if [ $xwayland = 1 ]; then
        local display
        x_up() { display=$(desk_x_display); }
        desk_wait 20 x_up || kwin_fail
        vars+=(DISPLAY=":$display")
    fi
    echo "kwin-session: kwin_wayland up in $(desk_since "$t0")s" >&2
    desk_write_env "${vars[@]}"
}

kwin_fail() {
    echo "kwin-session: ${desk_failed:-failed}" >&2
    local log
    for log in "$desk_dir"/log/*.log; do
        [ -s "$log" ] || continue
        echo "--- $(basename "$log")" >&2
        tail -n 30 "$log" >&2
    done
    exit 1  # desk_abort stops the session
}

kwin_client() {
    desk_check_dir "$1"
    set -a
    # shellcheck source=/dev/null
    . "$desk_dir/env"
    set +a
}

# kwin_screenshot DIR FILE [OUTPUT]: KWin writes the pixels into the pipe after its answer, and
# closes it when done; the answer says how to read them.
kwin_screenshot() {
    kwin_client "$1"
    local out=$2 output=${3:-Virtual-0}
    local raw reply
    raw=$(mktemp "$desk_dir/screenshot-XXXXXX.raw")
    reply=$(mktemp "$desk_dir/screenshot-XXXXXX.reply")
    # fd 3: the pipe KWin writes into, read to its end by cat; the answer goes to a file.
    local status=0
    gdbus call --session --dest org.kde.KWin.ScreenShot2 --object-path /org/kde/KWin/ScreenShot2 \
        --method org.kde.KWin.ScreenShot2.CaptureScreen "$output" '{}' 3 \
        3>&1 >"$reply" 2>&1 | cat >"$raw" || status=1
    if [ $status = 0 ] && grep -q "'type': <'raw'>" "$reply"; then
        field() { sed -n "s/.*'$1': <uint32 \([0-9]*\)>.*/\1/p" "$reply"; }
        /usr/bin/python3 "$here/helper.py" kwin-image "$raw" "$(field width)" "$(field height)" \
            "$(field stride)" "$(field format)" "$out" || status=1
    else
        echo "kwin-session: no screenshot: $(cat "$reply")" >&2
        status=1
    fi
    rm -f "$raw" "$reply"
    return $status
}

case ${1:-} in
start)
    shift
    kwin_start "$@"
    ;;
stop)
    [ $# = 2 ] || desk_die "usage: kwin-session.sh stop DIR"
    desk_stop "$2"
    ;;
authorize)
    [ $# = 3 ] || desk_die "usage: kwin-session.sh authorize DIR EXECUTABLE"
    desk_check_dir "$2"
    # KWin's own environment, so that kbuildsycoca5 rebuilds the very cache KWin reads.
    desk_base_env
    kwin_authorize "$3"
    kwin_rebuild
    # KWin looks at its cache again at most every 1.5 s; it took up to 1.2 s after this here.
    sleep 2
    ;;
screenshot)
    if [ $# -lt 3 ] || [ $# -gt 4 ]; then
        desk_die "usage: kwin-session.sh screenshot DIR FILE [OUTPUT]"
    fi
    shift
    kwin_screenshot "$@"
    ;;
run)
    shift
    opts=()
    while [ $# -gt 0 ] && [ "$1" != "--" ]; do
        opts+=("$1")
        shift
    done
    [ $# -gt 1 ] || desk_die "usage: kwin-session.sh run [start options] -- COMMAND..."
    shift
    env_lines=$(kwin_start "${opts[@]}") || exit 1
    dir=$(sed -n 's/^VORLIP_DESKTOP_DIR=//p' <<<"$env_lines")
    trap 'desk_stop "$dir" || true; exit 130' INT TERM HUP
    status=0
    (kwin_client "$dir" && "$@") || status=$?
    desk_stop "$dir" || status=1
    exit $status
    ;;
*)
    sed -n '2,/^set -euo/p' "$0" | sed '$d; s/^# \{0,1\}//' >&2
    exit 2
    ;;
esac
