#!/usr/bin/env bash
# The real run-at-time service on the two daylight-saving nights of 2027 in New York. A Wine
# prefix of this test's own, whose processes and wineserver alone see a clock moved (libfaketime,
# a fixed offset, so that all of them agree) to a few seconds before each change, in the zone
# that TZ names. Nothing outside them is touched.
#
#   dst_nights.sh RUNAT_TESTS.exe WINE_RUN
set -uo pipefail
tests=$1
wine_run=$2
export DAWNBELL_WINE_INSTANCE=clock
export DAWNBELL_WINEPREFIX=${DAWNBELL_WINEPREFIX:-${XDG_CACHE_HOME:-$HOME/.cache}/dawnbell/wine-test-clock}
faketime=/usr/lib/x86_64-linux-gnu/faketime/libfaketime.so.1
lead=8 # seconds from the start on the faked clock to the instant each night's test waits for

stop_server() { WINEPREFIX=$DAWNBELL_WINEPREFIX wineserver -k 2>/dev/null; WINEPREFIX=$DAWNBELL_WINEPREFIX wineserver -w 2>/dev/null; }

# The prefix is made on the real clock; a server that runs on it must go, so that the next one
# starts on the faked clock.
"$wine_run" cmd /c exit >/dev/null 2>&1
status=0
for night in "spring 2027-03-14 07:00:00" "autumn 2027-11-07 06:10:00"; do
  set -- $night
  stop_server
  offset=$(($(date -u -d "$2 $3" +%s) - lead - $(date -u +%s)))
  log=$(mktemp)
  env LD_PRELOAD=$faketime FAKETIME="+${offset}s" FAKETIME_DONT_FAKE_MONOTONIC=1 \
    TZ=America/New_York DAWNBELL_FAKED_NIGHT=$1 \
    "$wine_run" "$tests" --gtest_filter="DaylightSavingNight.*" >"$log" 2>&1 || status=1
  stop_server # its programs hold the output open until they end
  cat "$log"
  rm -f "$log"
done
exit $status
