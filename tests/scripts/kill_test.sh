#!/usr/bin/env bash
# SIGKILL at random moments while devmgr saves a data set of 200,000 records, 50 times:
# dev.out must every time be one complete state of the data set, never a mix or a
# truncation. Each session imports the records, deletes the first (which renumbers every
# line) and undoes back and forth, so consecutive saves differ in every line.
source "$(dirname "$0")/fault_lib.sh"
cd "$WORK"
kills="${DEVMGR_KILLS:-50}"
prepare_saving_session

now_ns() { date +%s%N; }

# An uninterrupted session first: its duration bounds the random kill moments.
start=$(now_ns)
printf '%s' "$input" | (cd run && devmgr >/dev/null)
span_us=$((($(now_ns) - start) / 1000))
cmp -s run/dev.out less.expected || fail "an uninterrupted session left the wrong dev.out"
rm run/dev.out
pass "uninterrupted session of 8 saves took $((span_us / 1000)) ms"

landed=0
torn_temporaries=0
for i in $(seq 1 "$kills"); do
  delay_us=$(((RANDOM * 32768 + RANDOM) % span_us))
  printf '%s' "$input" | (cd run && LD_PRELOAD="$NOPAUSE" exec "$DEVMGR" >/dev/null) &
  pid=$!
  sleep "$(printf '0.%06d' "$delay_us")"
  if kill -KILL "$pid" 2>/dev/null; then landed=$((landed + 1)); fi
  wait "$pid" 2>/dev/null || true
  if [ -e run/dev.out ]; then
    cmp -s run/dev.out full.expected || cmp -s run/dev.out less.expected ||
      fail "kill $i after ${delay_us} us left a dev.out of $(wc -c <run/dev.out) bytes" \
        "that is no complete state"
  fi
  # A temporary file cut short by the kill may stay; it is never dev.out itself.
  if ls -A run | grep '\.tmp-' >/dev/null; then torn_temporaries=$((torn_temporaries + 1)); fi
  rm -f run/.dev.out.tmp-*
done
[ "$landed" -gt $((kills / 2)) ] || fail "only $landed of $kills kills hit a running session"
pass "$kills kills ($landed while running, $torn_temporaries in the middle of a write):" \
  "dev.out always a complete state"
echo "cases: $CASES"
