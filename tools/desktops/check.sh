#!/usr/bin/env bash
# shellcheck disable=SC2317 # the functions that check() runs
# Runs both harnesses end to end, as the tests use them, and checks that they leave nothing
# behind. Prints one line per check and "N passed, N failed" at the end; fails if any failed.
#   tools/desktops/check.sh [kwin] [gnome]
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
passed=0 failed=0
tmp=$(mktemp -d /tmp/vorlip-desktops-check-XXXXXX)
trap 'rm -rf "$tmp"' EXIT

check() {
    local what=$1
    shift
    if "$@" >"$tmp/out" 2>&1; then
        passed=$((passed + 1))
        echo "ok: $what"
    else
        failed=$((failed + 1))
        echo "FAILED: $what"
        sed 's/^/    /' "$tmp/out" | tail -n 20
    fi
}

x_locks() {
    local lock
    for lock in /tmp/.X*-lock; do [ ! -e "$lock" ] || printf '%s ' "$lock"; done
}

# PNG width and height from its header.
png_size() { od -An -tu1 -j16 -N8 "$1" | awk '{ printf "%dx%d", $1*16777216+$2*65536+$3*256+$4, $5*16777216+$6*65536+$7*256+$8 }'; }

globals() { wayland-info | sed -n "s/^interface: '\([^']*\)'.*/\1/p"; }

has_global() { globals | grep -qx "$1"; }

left_behind() {
    ! grep -qlzF "VORLIP_DESKTOP_MARK=$1" /proc/[0-9]*/environ 2>/dev/null && [ ! -e "$1" ]
}

session() {  # session KIND START-OPTIONS...: starts one, exports its client environment
    local kind=$1
    shift
    "$here/$kind-session.sh" start "$@" >"$tmp/env" || return 1
    set -a
    # shellcheck source=/dev/null
    . "$tmp/env"
    set +a
}

kwin_checks() {
    local locks
    locks=$(x_locks)
    check "kwin: starts" session kwin --size 1280x720 --xwayland
    [ -n "${VORLIP_DESKTOP_DIR:-}" ] || return
    local dir=$VORLIP_DESKTOP_DIR
    check "kwin: Wayland socket" test -S "$XDG_RUNTIME_DIR/$WAYLAND_DISPLAY"
    check "kwin: layer shell offered" has_global zwlr_layer_shell_v1
    check "kwin: fake input offered" has_global org_kde_kwin_fake_input
    check "kwin: ext idle notifier offered" has_global ext_idle_notifier_v1
    check "kwin: Xwayland answers" xset q
    check "kwin: screenshot" "$here/kwin-session.sh" screenshot "$dir" "$tmp/kwin.png"
    check "kwin: screenshot is 1280x720" test "$(png_size "$tmp/kwin.png")" = 1280x720
    cp /usr/bin/gdbus "$tmp/other-program"
    capture() {
        "$tmp/other-program" call --session --dest org.kde.KWin.ScreenShot2 \
            --object-path /org/kde/KWin/ScreenShot2 \
            --method org.kde.KWin.ScreenShot2.CaptureActiveScreen '{}' 3 3>/dev/null
    }
    check "kwin: an unauthorised program may not take a screenshot" eval '! capture'
    check "kwin: authorize" "$here/kwin-session.sh" authorize "$dir" "$tmp/other-program"
    check "kwin: the authorised program may" capture
    check "kwin: stops" "$here/kwin-session.sh" stop "$dir"
    check "kwin: nothing left" left_behind "$dir"
    check "kwin: no X lock left" test "$(x_locks)" = "$locks"
    unset VORLIP_DESKTOP_DIR DISPLAY
}

gnome_checks() {
    local locks
    locks=$(x_locks)
    check "gnome: starts" session gnome --size 1280x720
    [ -n "${VORLIP_DESKTOP_DIR:-}" ] || return
    local dir=$VORLIP_DESKTOP_DIR
    check "gnome: Wayland socket" test -S "$XDG_RUNTIME_DIR/$WAYLAND_DISPLAY"
    check "gnome: overview closed" test "$(busctl --user get-property org.gnome.Shell \
        /org/gnome/Shell org.gnome.Shell OverviewActive)" = "b false"
    check "gnome: screenshot" "$here/gnome-session.sh" screenshot "$dir" "$tmp/gnome.png"
    check "gnome: screenshot is 1280x720" test "$(png_size "$tmp/gnome.png")" = 1280x720
    check "gnome: idle time" gdbus call --session --dest org.gnome.Mutter.IdleMonitor \
        --object-path /org/gnome/Mutter/IdleMonitor/Core \
        --method org.gnome.Mutter.IdleMonitor.GetIdletime
    # Input through a remote desktop session resets the idle time.
    input() {
        (echo "move 10 0"; sleep 0.3) | "$here/helper.py" remote-input >"$tmp/input" || return 1
        grep -qx ok "$tmp/input" || return 1
        local idle
        idle=$(busctl --user call org.gnome.Mutter.IdleMonitor /org/gnome/Mutter/IdleMonitor/Core \
            org.gnome.Mutter.IdleMonitor GetIdletime | cut -d' ' -f2)
        [ "$idle" -lt 900 ]
    }
    check "gnome: remote input" input
    check "gnome: portal permission granted" "$here/gnome-session.sh" grant-screenshot "$dir"
    portal() {
        local uri
        uri=$("$here/helper.py" portal-screenshot) || return 1
        [ -s "${uri#file://}" ] && rm -f "${uri#file://}"
    }
    check "gnome: portal screenshot" portal
    check "gnome: stops" "$here/gnome-session.sh" stop "$dir"
    check "gnome: nothing left" left_behind "$dir"
    check "gnome: no X lock left" test "$(x_locks)" = "$locks"
    unset VORLIP_DESKTOP_DIR
}

kinds=("$@")
[ ${#kinds[@]} -gt 0 ] || kinds=(kwin gnome)
for kind in "${kinds[@]}"; do
    "${kind}_checks"
done
echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
