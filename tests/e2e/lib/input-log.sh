# Sourced by the end-to-end scripts: starts and stops input_recorder, and reads its
# log (see tests/e2e/tools/input_recorder.cpp for the format).
#
#   start_input_recorder RECORDER LOG   recording, or status 1
#   stop_input_recorder                 safe to call at any time
#   wait_for_presses LOG COUNT SECONDS  until COUNT button presses are logged
#   presses_in LOG [LEFT TOP WIDTH HEIGHT]     presses (inside the rectangle)
#   presses_after_key LOG KEY [UNTIL_KEY]      presses after KEY went down (until
#                                              UNTIL_KEY went down after it)
#   input_pacing LOG    "RECORDS FIRST_MS LAST_MS": button records and their span
#   records_between_keys LOG FROM_KEY UNTIL_KEY   presses and releases after FROM_KEY
#                                                 went down until UNTIL_KEY did (-1
#                                                 when either never came)
#   ms_to_press_after_key_up LOG KEY    from KEY's first release to the next press
#   repair_input LOG DRAWN [TIME_FIELD TO_MS]   "RECORDS ROUNDS MS": the button
#                        records after the drawing's DRAWN, the rounds they came in
#                        (each after a pause of 150 ms or more, the board being
#                        read back) and the time from the drawing's last record to
#                        their last; any log of press/release or down/up lines
#                        with a time in field TIME_FIELD (5) times TO_MS (1)

recorder_pid=

start_input_recorder() {
  local recorder=$1 log=$2
  rm -f "$log"
  "$recorder" "$log" 2>>"$log.err" &
  recorder_pid=$!
  local i
  for i in $(seq 1 100); do
    grep -q '^recording$' "$log" 2>/dev/null && return 0
    kill -0 "$recorder_pid" 2>/dev/null || break
    sleep 0.05
  done
  echo "input_recorder did not start (see $log.err)" >&2
  stop_input_recorder
  return 1
}

stop_input_recorder() {
  if [ -n "$recorder_pid" ]; then
    kill -TERM "$recorder_pid" 2>/dev/null || true
    wait "$recorder_pid" 2>/dev/null || true
    recorder_pid=
  fi
}

wait_for_presses() {
  local log=$1 count=$2 seconds=$3 i
  for i in $(seq 1 $((seconds * 20))); do
    [ "$(grep -c '^press ' "$log" || true)" -ge "$count" ] && return 0
    sleep 0.05
  done
  return 1
}

presses_in() {
  local log=$1
  if [ $# -ge 5 ]; then
    awk -v l="$2" -v t="$3" -v w="$4" -v h="$5" \
      '$1 == "press" && $3 >= l && $3 < l + w && $4 >= t && $4 < t + h { n++ } END { print n + 0 }' "$log"
  else
    awk '$1 == "press" { n++ } END { print n + 0 }' "$log"
  fi
}

presses_after_key() {
  awk -v key="$2" -v until="${3:-}" '
    $1 == "key-down" && $2 == key && state == 0 { state = 1; next }
    $1 == "key-down" && $2 == until && state == 1 { state = 2 }
    $1 == "press" && state == 1 { n++ }
    END { print (state == 0 ? -1 : n + 0) }' "$1"
}

input_pacing() {
  awk '$1 == "press" || $1 == "release" { if (n == 0) first = $5; last = $5; n++ }
       END { print n + 0, first + 0, last + 0 }' "$1"
}

records_between_keys() {
  awk -v from="$2" -v until="$3" '
    $1 == "key-down" && $2 == from && state == 0 { state = 1; next }
    $1 == "key-down" && $2 == until && state == 1 { state = 2 }
    ($1 == "press" || $1 == "release") && state == 1 { n++ }
    END { print (state == 2 ? n + 0 : -1) }' "$1"
}

ms_to_press_after_key_up() {
  awk -v key="$2" '
    $1 == "key-up" && $2 == key && up == "" { up = $3; next }
    $1 == "press" && up != "" { print $5 - up; found = 1; exit }
    END { if (!found) print -1 }' "$1"
}

repair_input() {
  awk -v drawn="$2" -v field="${3:-5}" -v to_ms="${4:-1}" '
    $1 == "press" || $1 == "release" || $1 == "down" || $1 == "up" {
      t = $field * to_ms; n++
      if (n == drawn) drawn_at = t
      if (n > drawn) { r++; if (r == 1 || t - prev >= 150) rounds++; last = t }
      prev = t }
    END { printf "%d %d %d\n", r, rounds, r ? last - drawn_at : 0 }' "$1"
}
