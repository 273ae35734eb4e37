#!/usr/bin/env bash
# The Debian package on this machine: lintian finds no error, warning or hardening tag in it,
# apt installs it with what it depends on, the program runs from both places the package puts
# it, its idle unit turns on and off as users do it, and it removes without a trace. Changes the
# system, so CI runs it (as root; elsewhere through sudo).
#   packaging/deb_check.sh build/vorlip_VERSION_ARCH.deb
set -euo pipefail
deb=$(realpath "$1")
sudo=$([ "$(id -u)" = 0 ] || echo sudo)

echo "== lintian"
said=$(lintian --fail-on error,warning --display-info "$deb")
[ -z "$said" ] || echo "$said"
# The build is hardened (fortify, stack protector, relro, bind-now): no hardening tag, not even
# as information.
if grep -q 'hardening-' <<<"$said"; then echo "the package is not hardened" >&2; exit 1; fi

echo "== install"
files=$(dpkg-deb --fsys-tarfile "$deb" | tar -t | sed 's|^\./|/|' | grep -v '/$')
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "$deb" >/dev/null
vorlip --help | grep -q -- '--root'
/usr/libexec/xscreensaver/vorlip --help | grep -q -- '--window-id'
# It finds its session-bus module where the package put it: without a bus, it says so.
said=$(DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent vorlip --allow-desktop-picture 2>&1 || true)
grep -q 'no session bus' <<<"$said" || { echo "the installed program: $said" >&2; exit 1; }
for f in $files; do
  [ -e "$f" ] || { echo "not installed: $f" >&2; exit 1; }
done

echo "== the idle unit"
if command -v Xvfb >/dev/null && [ -x /usr/lib/systemd/systemd ]; then
  $sudo "$(dirname "$0")/user_unit_check.sh"
else
  echo "skipped: needs Xvfb and systemd"
fi

echo "== remove"
DEBIAN_FRONTEND=noninteractive $sudo apt-get remove --purge -y -qq vorlip >/dev/null
if dpkg-query -W -f='${Status}\n' vorlip 2>/dev/null | grep -q installed; then
  echo "vorlip is still installed" >&2; exit 1
fi
for f in $files; do
  if [ -e "$f" ] || [ -L "$f" ]; then echo "left behind: $f" >&2; exit 1; fi
done
echo "the package installs, runs and removes cleanly:"
echo "$files" | sed 's/^/  /'
