#!/usr/bin/env bash
# Counts the wine server calls of tidehaul.exe in a server trace that
#   TIDEHAUL_WINESERVER_TRACE=FILE bash tools/wine-tests.sh build-win --run ...
# wrote: the tool's main thread (the one that makes the TfTidehaul window) and
# the threads it started (the serial event thread), in all and per second
# from the main thread's first call, and the kinds of call of the main thread
# in a span of those seconds. Under Wine nearly every call into the system's
# window or file services is such a round trip, and the tool's CPU follows
# their count far more steadily than a CPU figure of a single run.
#   bash tools/wine-server-calls.sh FILE [FROM_SECOND TO_SECOND]
set -euo pipefail
trace=${1:?usage: wine-server-calls.sh TRACE [FROM_SECOND TO_SECOND]}
from=${2:-}
to=${3:-}

awk -v from="$from" -v to="$to" '
  # Lines: TIME TID: request( ... ), or TIME TID: request() = REPLY, or TIME TID: *wakeup* ...
  function request(line) { sub(/\(.*/, "", line); return line }
  $2 !~ /^[0-9a-f]+:$/ { next }
  {
    tid = substr($2, 1, length($2) - 1)
    reply = ($0 ~ /\(\) = /)
  }
  # The main thread names itself by making the window.
  !reply && main == "" && $0 ~ /create_window\(.*class=L"TfTidehaul"/ { main = tid }
  # Threads it starts: the reply to its new_thread request names them.
  reply && tid == main && $3 ~ /^new_thread\(\)/ {
    if (match($0, /tid=[0-9a-f]+/)) { started[substr($0, RSTART + 4, RLENGTH - 4)] = 1 }
  }
  reply || $3 ~ /^\*/ { next }
  { seen[NR] = tid; at[NR] = $1; kind[NR] = request($3) }
  END {
    if (main == "") { print "no TfTidehaul window in the trace" > "/dev/stderr"; exit 1 }
    for (i in seen) {
      if (seen[i] == main && (start == "" || at[i] < start)) { start = at[i] }
    }
    for (i in seen) {
      t = seen[i]
      if (t != main && !(t in started)) { continue }
      second = int(at[i] - start)
      who = (t == main) ? "main" : "started"
      total[who]++
      per[second, who]++
      if (second > last) { last = second }
      if (t == main && from != "" && second >= from + 0 && second < to + 0) { kinds[kind[i]]++ }
    }
    printf "main thread %s: %d calls; threads it started: %d calls\n", main, total["main"], total["started"]
    print "second  main  started"
    for (s = 0; s <= last; s++) { printf "%6d %5d %8d\n", s, per[s, "main"], per[s, "started"] }
    if (from != "") {
      printf "main thread, seconds %s to %s, per second:\n", from, to
      for (k in kinds) { printf "%8.1f %s\n", kinds[k] / (to - from), k | "sort -rn" }
      close("sort -rn")
    }
  }
' "$trace"
