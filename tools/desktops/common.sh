# shellcheck shell=bash disable=SC2034,SC2154
# Shared by kwin-session.sh and gnome-session.sh (sourced, not run; desk_kind set before).
#
# A session lives in a state directory /tmp/vorlip-KIND-XXXXXX (mode 0700):
#   run/   XDG_RUNTIME_DIR of the compositor and its clients: the Wayland socket, the buses
#   home/  HOME of everything the session starts (settings, caches, desktop entries)
#   log/   one log per process started
#   pids   "PID NAME" per process started, in order
#   env    what a client needs, KEY=VALUE per line (also printed by start)
# Every process started carries VORLIP_DESKTOP_MARK=<state directory> in its environment, and
# so does whatever it starts in turn (the session bus passes its environment on to the services
# it starts on demand): stop ends every process with that mark, by its id.

desk_die() {
    echo "$desk_kind-session: $*" >&2
    exit 1
}

desk_now() { date +%s.%N; }
desk_since() { awk -v a="$1" -v b="$(desk_now)" 'BEGIN { printf "%.2f", b - a }'; }

# desk_require COMMAND:PACKAGE...: dies naming the Debian packages of the commands missing.
desk_require() {
    local missing=() pair
    for pair in "$@"; do
        command -v "${pair%%:*}" >/dev/null || missing+=("${pair#*:}")
    done
    [ ${#missing[@]} = 0 ] || desk_die "missing; apt-get install ${missing[*]}"
}

# desk_new KIND: makes the state directory; sets desk_dir and the base environment. From then
# on until desk_write_env, a start that fails or is interrupted stops what it started.
desk_new() {
    desk_dir=$(mktemp -d "/tmp/vorlip-$1-XXXXXX") || desk_die "cannot make a state directory"
    trap 'desk_abort' EXIT
    trap 'desk_abort 130' INT TERM HUP
    chmod 700 "$desk_dir"
    mkdir -m 700 "$desk_dir/run" "$desk_dir/home" "$desk_dir/log"
    : >"$desk_dir/pids"
    desk_base_env
}

desk_abort() {
    local status=${1:-$?}
    trap - EXIT INT TERM HUP
    [ ! -f "$desk_dir/pids" ] || desk_stop "$desk_dir" || true
    exit "$status"
}

# desk_base_env: the environment of everything the session in desk_dir starts. Built from
# nothing, so that nothing of the caller's desktop (DISPLAY, WAYLAND_DISPLAY, WAYLAND_SOCKET,
# its buses, its XDG directories) leaks in.
desk_base_env() {
    desk_env=(
        PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin
        LANG=C.UTF-8
        HOME="$desk_dir/home"
        USER="$(id -un)"
        XDG_RUNTIME_DIR="$desk_dir/run"
        XDG_SESSION_TYPE=wayland
        DBUS_SESSION_BUS_ADDRESS="unix:path=$desk_dir/run/bus"
        VORLIP_DESKTOP_MARK="$desk_dir"
    )
}

# desk_spawn NAME [VAR=VALUE...] -- COMMAND...: starts COMMAND in its own session with the base
# environment (plus VAR=VALUE), its output in log/NAME.log.
desk_spawn() {
    local name=$1
    shift
    local extra=()
    while [ "$1" != "--" ]; do
        extra+=("$1")
        shift
    done
    shift
    (cd "$desk_dir" && exec setsid env -i "${desk_env[@]}" "${extra[@]}" "$@" \
        >"$desk_dir/log/$name.log" 2>&1 </dev/null) &
    echo "$! $name" >>"$desk_dir/pids"
}

# desk_alive PID: whether PID runs (a zombie does not: the processes of a session that start
# left behind are reaped by init, which may take its time).
desk_alive() {
    local stat
    stat=$(cat "/proc/$1/stat" 2>/dev/null) || return 1
    stat=${stat##*) }
    [ "${stat%% *}" != Z ]
}

# desk_pid NAME: the id of the process started as NAME.
desk_pid() { awk -v n="$1" '$2 == n { print $1 }' "$desk_dir/pids"; }

# desk_wait SECONDS COMMAND...: runs COMMAND every 50 ms until it succeeds (0) or the time is
# up (1) or a process that start started has died (2).
desk_wait() {
    local limit=$1 start
    shift
    start=$(desk_now)
    while ! "$@"; do
        local pid name
        while read -r pid name; do
            desk_alive "$pid" || {
                desk_failed="$name exited"
                return 2
            }
        done <"$desk_dir/pids"
        if awk -v a="$start" -v b="$(desk_now)" -v l="$limit" 'BEGIN { exit !(b - a > l) }'; then
            desk_failed="timed out after ${limit}s waiting for: $*"
            return 1
        fi
        sleep 0.05
    done
}

# desk_bus_config FILE SOCKET [SERVICEDIR]: a bus that anyone may reach and use, which starts on
# demand only the services in SERVICEDIR (none without it).
desk_bus_config() {
    {
        echo '<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"'
        echo ' "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">'
        echo '<busconfig>'
        echo "  <listen>unix:path=$2</listen>"
        echo '  <auth>EXTERNAL</auth>'
        [ -z "${3:-}" ] || echo "  <servicedir>$3</servicedir>"
        echo '  <policy context="default">'
        echo '    <allow user="*"/>'
        echo '    <allow own="*"/>'
        echo '    <allow send_destination="*" eavesdrop="true"/>'
        echo '    <allow eavesdrop="true"/>'
        echo '  </policy>'
        echo '</busconfig>'
    } >"$1"
}

# desk_service DIR NAME: makes Debian's service file for bus name NAME startable on demand by
# a bus with service directory DIR (without the systemd unit, which no bus here can use).
desk_service() {
    local file=/usr/share/dbus-1/services/$2.service
    [ -f "$file" ] || return 1
    mkdir -p "$1"
    grep -v '^SystemdService=' "$file" >"$1/$2.service"
}

# desk_has_name ADDRESS NAME: whether NAME is owned on the bus at ADDRESS.
desk_has_name() {
    busctl --address="$1" status "$2" >/dev/null 2>&1
}

# desk_write_env KEY=VALUE...: the client environment, to DIR/env and stdout; the end of a
# start that succeeded.
desk_write_env() {
    printf '%s\n' "$@" >"$desk_dir/env"
    trap - EXIT INT TERM HUP
    cat "$desk_dir/env"
}

# desk_marked DIR: the ids of the live processes marked with DIR, never this shell's.
desk_marked() {
    local file pid
    # grep fails on the files of processes that ended meanwhile, or that it may not read.
    # shellcheck disable=SC2013 # a path a word
    for file in $(grep -lzxF "VORLIP_DESKTOP_MARK=$1" /proc/[0-9]*/environ 2>/dev/null); do
        pid=${file#/proc/}
        pid=${pid%/environ}
        [ "$pid" = "$$" ] || [ "$pid" = "$BASHPID" ] || echo "$pid"
    done
    return 0
}

# desk_check_dir DIR: dies unless DIR is a state directory of this kind.
desk_check_dir() {
    case $1 in
    /tmp/vorlip-"$desk_kind"-??????) ;;
    *) desk_die "not a $desk_kind session directory: $1" ;;
    esac
    [ -f "$1/pids" ] || desk_die "not a $desk_kind session directory: $1"
    desk_dir=$1
}

# desk_x_display: the display of the session's Xwayland (from its command line), once it and
# its socket are up; records in DIR/xdisplays every X display lock the compositor holds (it
# writes its own id in them; Mutter holds a second one for itself), for stop to remove them
# should the compositor not.
desk_x_display() {
    local pid n
    for pid in $(desk_marked "$desk_dir"); do
        [ "$(cat "/proc/$pid/comm" 2>/dev/null)" = Xwayland ] || continue
        n=$(tr '\0' '\n' <"/proc/$pid/cmdline" | sed -n 's/^:\([0-9][0-9]*\)$/\1/p' | head -n 1)
        [ -n "$n" ] && [ -S "/tmp/.X11-unix/X$n" ] || return 1
        desk_x_locks
        echo "$n"
        return 0
    done
    return 1
}

# desk_x_locks: adds to DIR/xdisplays the X displays whose lock names a process of the session.
desk_x_locks() {
    local ours lock pid
    ours=" $(desk_marked "$desk_dir" | tr '\n' ' ') "
    for lock in /tmp/.X*-lock; do
        [ -f "$lock" ] || continue
        pid=$(tr -dc 0-9 <"$lock")
        if [ -z "$pid" ] || [[ $ours != *" $pid "* ]]; then continue; fi
        lock=${lock#/tmp/.X}
        grep -qx "${lock%-lock}" "$desk_dir/xdisplays" 2>/dev/null ||
            echo "${lock%-lock}" >>"$desk_dir/xdisplays"
    done
}

# desk_wait_gone SECONDS: waits until no process of the session is left; prints those left.
desk_wait_gone() {
    local left
    for _ in $(seq 0 "$(($1 * 20))"); do
        left=$(desk_marked "$desk_dir")
        [ -n "$left" ] || return 0
        sleep 0.05
    done
    echo "$left"
}

# desk_stop DIR: ends every process of the session, removes the X display locks its Xwayland
# left, and the state directory. The compositor first (SIGTERM, 3 s), then whatever is left of
# the session (SIGTERM, 3 s; SIGKILL). Fails if a process survives that.
desk_stop() {
    desk_check_dir "$1"
    local start pid name left
    start=$(desk_now)
    desk_x_locks
    pid=$(desk_pid compositor)
    if [ -n "$pid" ] && grep -qzxF "VORLIP_DESKTOP_MARK=$desk_dir" "/proc/$pid/environ" 2>/dev/null; then
        kill -TERM "$pid" 2>/dev/null || true
        for _ in $(seq 60); do desk_alive "$pid" || break; sleep 0.05; done
    fi
    left=$(desk_wait_gone 0)
    if [ -n "$left" ]; then
        # shellcheck disable=SC2086 # one id a word
        kill -TERM $left 2>/dev/null || true
        left=$(desk_wait_gone 3)
    fi
    if [ -n "$left" ]; then
        echo "$desk_kind-session: SIGKILL to $left" >&2
        # shellcheck disable=SC2086
        kill -KILL $left 2>/dev/null || true
        left=$(desk_wait_gone 2)
    fi
    # An Xwayland that did not end cleanly leaves its lock and socket behind.
    if [ -f "$desk_dir/xdisplays" ]; then
        local n
        while read -r n; do
            [ -f "/tmp/.X$n-lock" ] || continue
            pid=$(tr -dc 0-9 <"/tmp/.X$n-lock")
            if [ -n "$pid" ] && ! desk_alive "$pid"; then
                rm -f "/tmp/.X$n-lock" "/tmp/.X11-unix/X$n"
            fi
        done <"$desk_dir/xdisplays"
    fi
    if [ -n "$left" ]; then
        echo "$desk_kind-session: still running after SIGKILL: $left" >&2
        return 1
    fi
    rm -rf "$desk_dir"
    echo "$desk_kind-session: stopped in $(desk_since "$start")s" >&2
}
