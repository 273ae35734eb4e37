#!/usr/bin/env bash
# The installed idle unit, turned on as the README tells users of GNOME and KDE Plasma:
# `systemctl --user enable --now vorlip-idle.service` against a user manager of its own on a
# private Xvfb. Its watcher runs as the unit says and stays up, and `disable --now` takes it
# away. The user manager wants a machine booted with systemd, which a container is not: a
# private mount namespace shows it a /run of its own that says so. Run as root, after the
# package is installed (packaging/deb_check.sh).
set -euo pipefail
if [ "${1:-}" != inside ]; then exec unshare --mount --propagation private "$0" inside; fi

dir=$(mktemp -d)
cleanup() {
    systemctl --user exit 2>/dev/null || true
    kill $(jobs -p) 2>/dev/null || true
    wait 2>/dev/null || true
    rm -rf "$dir"
}
trap cleanup EXIT
mount -t tmpfs none /run
mkdir -p /run/systemd/system "$dir/run" "$dir/home"
chmod 700 "$dir/run"
export XDG_RUNTIME_DIR=$dir/run HOME=$dir/home XDG_CONFIG_HOME=$dir/home/.config
unset DBUS_SESSION_BUS_ADDRESS

# within SECONDS COMMAND...: whether COMMAND succeeds within SECONDS.
within() {
    local until=$((SECONDS + $1))
    shift
    until "$@" >/dev/null 2>&1; do
        ((SECONDS < until)) || return 1
        sleep 0.1
    done
}

Xvfb -displayfd 3 -nolisten tcp -noreset -screen 0 320x240x24 3>"$dir/display" 2>/dev/null &
within 10 test -s "$dir/display" || { echo "Xvfb did not start" >&2; exit 1; }
/usr/lib/systemd/systemd --user >"$dir/manager.log" 2>&1 &
within 10 systemctl --user is-system-running ||
    { echo "no user manager:" >&2; cat "$dir/manager.log" >&2; exit 1; }
# What a desktop session hands its user manager.
systemctl --user set-environment DISPLAY=":$(cat "$dir/display")"

systemctl --user enable --now vorlip-idle.service
within 10 systemctl --user is-active vorlip-idle.service ||
    { echo "the unit did not start" >&2; systemctl --user status vorlip-idle.service >&2; exit 1; }
pid=$(systemctl --user show -p MainPID --value vorlip-idle.service)
runs=$(tr '\0' ' ' <"/proc/$pid/cmdline")
[ "$runs" = "/usr/bin/vorlip --idle 300 " ] || { echo "the unit runs: $runs" >&2; exit 1; }
# Up and watching a second later, the same process.
sleep 1
[ "$(systemctl --user show -p MainPID --value vorlip-idle.service)" = "$pid" ] ||
    { echo "the watcher did not stay" >&2; systemctl --user status vorlip-idle.service >&2; exit 1; }

systemctl --user disable --now vorlip-idle.service
! systemctl --user is-active --quiet vorlip-idle.service
! kill -0 "$pid" 2>/dev/null
echo "systemctl --user enable --now vorlip-idle.service starts the watcher; disable --now ends it"
