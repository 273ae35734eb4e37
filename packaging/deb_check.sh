#!/usr/bin/env bash
# The Debian package on this machine: lintian finds no error in it, apt installs it with what it
# depends on, the program runs from both places the package puts it, and it removes without a
# trace. Changes the system, so CI runs it (as root; elsewhere through sudo).
#   packaging/deb_check.sh build/vorlip_VERSION_ARCH.deb
set -euo pipefail
deb=$(realpath "$1")
sudo=$([ "$(id -u)" = 0 ] || echo sudo)

echo "== lintian"
lintian --fail-on error --display-info "$deb"

echo "== install"
files=$(dpkg-deb --fsys-tarfile "$deb" | tar -t | sed 's|^\./|/|' | grep -v '/$')
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "$deb" >/dev/null
vorlip --help | grep -q -- '--root'
/usr/libexec/xscreensaver/vorlip --help | grep -q -- '--window-id'
for f in $files; do
  [ -e "$f" ] || { echo "not installed: $f" >&2; exit 1; }
done

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
