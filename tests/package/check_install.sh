#!/usr/bin/env bash
# The Windows installer under Wine: a silent install into a fresh prefix, the installed program
# opened and armed, then a silent uninstall that must end the running program and service and
# leave nothing but the settings. An install over the running one in between keeps the armed
# alarm; a last uninstall asked to remove the settings does so.
#
#   check_install.sh INSTALL_PROBE.exe
set -euo pipefail
probe=$1
source "$(dirname "$0")/../../tools/lib/common.sh"
made=$("$top/tools/package")
setup=$(sed -n 1p <<<"$made")
zip=$(sed -n 2p <<<"$made")
listing=$(cmake -E tar tf "$zip")
for program in Dawnbell/dawnbell.exe Dawnbell/dawnbell_runat.exe; do
  grep -qx "$program" <<<"$listing" || { echo "FAILED: $program not in $zip" >&2; exit 1; }
done

template=$prefixes/wine-package-template
export DAWNBELL_WINEPREFIX=$prefixes/wine-package-check
export DAWNBELL_WINE_MODE=test
# The prefix's wineserver ends with its last process, so waiting for it waits for them all.
export DAWNBELL_WINESERVER_LINGER=0
wine_run() { "$top/tools/wine-run" "$@"; }
server() { WINEPREFIX=$DAWNBELL_WINEPREFIX wineserver "$@"; }

# A new prefix takes several seconds to make: make one once and copy it for every run.
if [ ! -f "$template/.dawnbell-ready" ]; then
  DAWNBELL_WINEPREFIX=$template wine_run cmd /c exit >/dev/null 2>&1 || true
  WINEPREFIX=$template wineserver -k 2>/dev/null || true
  WINEPREFIX=$template wineserver -w 2>/dev/null || true
fi
server -k 2>/dev/null || true
server -w 2>/dev/null || true
rm -rf "$DAWNBELL_WINEPREFIX"
cp -a "$template" "$DAWNBELL_WINEPREFIX"
trap 'server -k 2>/dev/null || true; rm -rf "$DAWNBELL_WINEPREFIX"' EXIT

echo "Installing $(basename "$setup") silently"
wine_run "$setup" /S
wine_run "$probe" installed

echo "Installing over it, with Dawnbell and its service running"
wine_run "$setup" /S
wine_run "$probe" reinstalled

echo "Uninstalling silently, with Dawnbell and its service running"
uninstaller=$(echo "$DAWNBELL_WINEPREFIX"/drive_c/users/*/AppData/Local/Programs/Dawnbell/uninstall.exe)
# The uninstaller runs on as a copy of itself: wait for the prefix to be empty of programs.
uninstall() {
  wine_run "$uninstaller" /S "$@"
  if ! timeout 60 env WINEPREFIX="$DAWNBELL_WINEPREFIX" wineserver -w; then
    echo "FAILED: programs still run a minute after the uninstaller started" >&2
    exit 1
  fi
}
uninstall
wine_run "$probe" uninstalled

echo "Installing again and uninstalling with /REMOVESETTINGS"
wine_run "$setup" /S
uninstall /REMOVESETTINGS
wine_run "$probe" purged
