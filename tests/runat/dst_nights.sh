#!/usr/bin/env bash
# The real run-at-time service on the two daylight-saving nights of 2027 in New York. A Wine
# prefix of this test's own, whose processes and wineserver alone see a faked clock and the zone
# that TZ names; nothing outside them is touched. All of them read the clock's offset from one
# file, so that they agree, and the faked clock fakes the clock only: file times stay real, so
# that Wine does not take its own files for new and update the prefix.
#
# The clock first stands an hour before the night. Once the test says that its prefix, server
# and service are ready, the offset moves the clock to a few seconds before the instant the test
# waits for: however slowly the machine started them, the night begins after.
#
#   dst_nights.sh RUNAT_TESTS.exe WINE_RUN
set -uo pipefail
tests=$1
wine_run=$2
source "$(dirname "$wine_run")/lib/common.sh"
export DAWNBELL_WINE_INSTANCE=clock
export DAWNBELL_WINEPREFIX=${DAWNBELL_WINEPREFIX:-$prefixes/wine-test-clock}
faketime=/usr/lib/x86_64-linux-gnu/faketime/libfaketime.so.1
lead=5 # seconds on the faked clock from the move to the instant each night's test waits for

stop_server() { WINEPREFIX=$DAWNBELL_WINEPREFIX wineserver -k 2>/dev/null; WINEPREFIX=$DAWNBELL_WINEPREFIX wineserver -w 2>/dev/null; }
# Writes the offset that puts the faked clock `seconds` before the UTC instant `when` into the
# clock file, in the form libfaketime reads (a sign, always: a night in the past moves the clock
# back). Replaced whole, so that no process ever reads a half-written file.
set_clock() {
  printf '%+ds\n' $(($(date -u -d "$1" +%s) - $2 - $(date -u +%s))) >"$clock.new"
  mv "$clock.new" "$clock"
}

# The prefix is made on the real clock; a server that runs on it must go, so that the next one
# starts on the faked clock.
"$wine_run" cmd /c exit >/dev/null 2>&1
work=$(mktemp -d)
trap 'stop_server; rm -rf "$work"' EXIT
status=0
for night in "spring 2027-03-14 07:00:00" "autumn 2027-11-07 06:10:00"; do
  set -- $night
  instant="$2 $3"
  stop_server
  clock=$work/$1.clock
  ready=$work/$1.ready
  set_clock "$instant" 3600
  env LD_PRELOAD=$faketime FAKETIME_TIMESTAMP_FILE="$clock" FAKETIME_NO_CACHE=1 NO_FAKE_STAT=1 \
    FAKETIME_DONT_FAKE_MONOTONIC=1 TZ=America/New_York DAWNBELL_FAKED_NIGHT=$1 \
    DAWNBELL_FAKED_READY="Z:${ready//\//\\}" \
    "$wine_run" "$tests" --gtest_filter="DaylightSavingNight.*" >"$work/$1.log" 2>&1 &
  run=$!
  # Polling a file: the test runs on the faked clock and cannot wait on anything of ours.
  for _ in $(seq 1 2400); do
    [ -e "$ready" ] && break
    kill -0 "$run" 2>/dev/null || break
    sleep 0.05
  done
  [ -e "$ready" ] && set_clock "$instant" "$lead"
  wait "$run" || status=1
  stop_server # its programs hold the output open until they end
  cat "$work/$1.log"
done
exit $status
