#!/usr/bin/env bash
# SIGINT, SIGTERM and SIGHUP at random moments while devmgr saves a data set of 200,000
# records: the process ends as the signal says (or finishes first), dev.out is always a
# complete state, and no temporary file stays. Then a temporary file that a SIGKILL left
# is swept by the next save, while one of a live process is left alone.
source "$(dirname "$0")/fault_lib.sh"
cd "$WORK"
env --default-signal=INT true 2>/dev/null ||
  { echo "SKIPPED: env cannot reset signals to their defaults"; exit 77; }
rounds="${DEVMGR_SIGNALS:-30}"
prepare_saving_session

now_ns() { date +%s%N; }
# Starts the session in run with the signals at their defaults (a background job of a
# script ignores SIGINT otherwise); its pid is $!.
start_session() {
  printf '%s' "$input" |
    (cd run && exec env --default-signal=INT,TERM,HUP LD_PRELOAD="$NOPAUSE" "$DEVMGR" >/dev/null) &
}
# Sleeps a random part of the uninterrupted session's span.
sleep_random() { sleep "$(printf '0.%06d' $(((RANDOM * 32768 + RANDOM) % span_us)))"; }

start=$(now_ns)
printf '%s' "$input" | (cd run && devmgr >/dev/null)
span_us=$((($(now_ns) - start) / 1000))
[ "$span_us" -lt 1000000 ] || span_us=999999
rm run/dev.out run/dev.out~ 2>/dev/null || true

signals=(INT TERM HUP)
ended=0
for i in $(seq 1 "$rounds"); do
  signal=${signals[i % 3]}
  start_session
  pid=$!
  sleep_random
  kill -s "$signal" "$pid" 2>/dev/null || true
  status=0
  wait "$pid" 2>/dev/null || status=$?
  if [ "$status" -eq $((128 + $(kill -l "$signal"))) ]; then
    ended=$((ended + 1))
  elif [ "$status" -ne 0 ]; then
    fail "SIG$signal: devmgr ended with status $status"
  fi
  no_temporaries run || fail "SIG$signal in round $i left $(ls -A run | grep '\.tmp-')"
  if [ -e run/dev.out ]; then
    cmp -s run/dev.out full.expected || cmp -s run/dev.out less.expected ||
      fail "SIG$signal in round $i left a dev.out that is no complete state"
  fi
done
[ "$ended" -gt $((rounds / 2)) ] || fail "only $ended of $rounds signals ended a session"
pass "$rounds signals ($ended ended the session as the signal does): no temporary file left"

leftover=""
for _ in $(seq 1 30); do
  start_session
  pid=$!
  sleep_random
  kill -KILL "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  leftover="$(ls -A run | grep '\.tmp-' || true)"
  [ -n "$leftover" ] && break
done
[ -n "$leftover" ] || fail "no SIGKILL of 30 hit a save"
sleep 60 &
live=$!
: >"run/.dev.out.tmp-$live-0"
printf '1 2 T9 camera lin pr 2 2042.5.20 4399 0' | (cd run && devmgr >/dev/null)
kill "$live"
[ "$(ls -A run | grep '\.tmp-')" = ".dev.out.tmp-$live-0" ] ||
  fail "after the next save: $(ls -A run | grep '\.tmp-' | tr '\n' ' ')"
pass "a SIGKILL's temporary file is swept by the next save, a live session's is not"
echo "cases: $CASES"
