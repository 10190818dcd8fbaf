# shellcheck shell=bash
# How every runner runs its steps, waits and ends. What INT (Ctrl-C), TERM (a cancelled job) and
# HUP (a closed terminal) do once it has armed on_exit, sent to its process alone or to its group,
# and the rehearse_* in tests/harness/run that proves it (each signals the runner's group):
#   state            INT, TERM or HUP                                    rehearsed by
#   no step running  the runner exits at once (or once a short command   the rows below, since the
#                    in the foreground, cp or sed, ends); its cleanup    trap is the same
#                    runs to its end; it dies of the signal (128 + n)
#   a step running   the same, at once, however long the step (timed)    interrupted: TERM, INT, HUP;
#                    or the wait (wait_for_line) would run: it ends      refusal_in_cleanup: TERM;
#                    first; a refusal in the cleanup changes nothing     harness_interrupted: INT
#   cleanup running  only noted: the cleanup runs to its end, then the   interrupted: a TERM after
#                    runner dies of the first signal it caught           INT or HUP; interrupted_cleanup
# Where bash makes that hard:
# - Nothing forks between a signal and the cleanup's child: a second signal kills a $(...), read empty.
# - Steps run in the background and are waited for, and so does wait_for_line's grep: timeout(1)
#   puts a step in a process group of its own, out of a terminal's reach, and bash runs a trap
#   once the command in the foreground has ended, but in a `wait` at once. A $(...) is waited
#   for as a foreground command is: keep steps out of one.
# - wait_for waits again while the child lives: a `wait` that a trap cut short returns 128 + n.
# - TIMED_PID=starting: a signal between a step's start and TIMED_PID=$! finds it; $! is the step.
# - FINISHING: timeout(1) passes each signal on twice, both maybe before the EXIT trap: one exits.
# - The cleanup runs in a child that ignores the signals (and PIPE: a closed output), since an
#   exit in a trap ends bash at once, in the middle of the EXIT trap too; the runner notes them.
# - fds 8 and 9 keep the runner's own output for the cleanup, not where the command cut short
#   wrote; no step holds them, so that nothing a step leaves running keeps scripts/test's tee open.
# - wait_for_line reads tail -F through a process substitution: a pipe's tail would be waited
#   for too, until the writer ends. The tail is killed instead.

# Runs a command within $1 seconds, killed if it outlives a signal by as long again.
timed() { timed_start "$@"; timed_wait; }
timed_start() { TIMED_PID=starting; timeout -k "$1" "$@" 8>&- 9>&- & TIMED_PID=$!; }
timed_wait() { local status=0; wait_for "$TIMED_PID" || status=$?; TIMED_PID=""; return $status; }
timed_stop() {
    [ "${TIMED_PID:-}" != starting ] || TIMED_PID=$!
    [ -z "${TAIL_PID:-}" ] || { kill "$TAIL_PID" 2>/dev/null; wait_for "$TAIL_PID"; } || true
    [ -z "${TIMED_PID:-}" ] || { kill "$TIMED_PID" 2>/dev/null; timed_wait; } || true
}
# Waits for child $1 to end and returns its status.
wait_for() {
    local status
    while wait "$1"; status=$?; [ "$status" -gt 128 ] && kill -0 "$1" 2>/dev/null; do :; done
    return "$status"
}

# Waits until file $2 holds a line that matches $3, as long as process $1 lives and at most
# WINE_TIMEOUT seconds. tail follows the file as it grows (it need not exist yet): nothing polls.
wait_for_line() {
    local status=0
    exec 5< <(exec timeout "$WINE_TIMEOUT" tail -n +1 -F --pid="$1" "$2" 2>/dev/null); TAIL_PID=$!
    grep -q -m 1 -e "$3" <&5 & wait_for $! || status=$?
    kill "$TAIL_PID" 2>/dev/null; TAIL_PID=""; exec 5<&-
    return $status
}

# Runs function $1 once on every exit of the runner, to its end, writing to the runner's own
# output; without a signal, a failed $1 (a refusal) ends the runner with 2.
on_exit() {
    ON_EXIT=$1
    exec 8>&1 9>&2
    trap 'FINISHING=$?; finish_run' EXIT  # the exit status, and a mark that the cleanup has begun
    trap_signals
}
# shellcheck disable=SC2064  # each trap names its signal
trap_signals() { local signal; for signal in INT TERM HUP; do trap "caught $signal" "$signal"; done; }
caught() { CAUGHT_SIGNAL=${CAUGHT_SIGNAL:-$1}; [ -n "${FINISHING:-}" ] || { FINISHING=yes; signal_status "$1"; exit "$SIGNAL_STATUS"; }; }
# The status of a death by signal $1, from a table: a $(kill -l) would fork.
signal_status() { case $1 in HUP) SIGNAL_STATUS=129 ;; INT) SIGNAL_STATUS=130 ;; TERM) SIGNAL_STATUS=143 ;; esac; }
finish_run() {
    local status=$FINISHING cleanup
    exec >&8 2>&9
    timed_stop
    trap '' INT TERM HUP PIPE  # for the cleanup's child, and so for its own children
    ("$ON_EXIT") &
    cleanup=$!
    trap_signals
    wait_for "$cleanup" || status=2
    [ -z "${CAUGHT_SIGNAL:-}" ] || { trap - "$CAUGHT_SIGNAL"; kill "-$CAUGHT_SIGNAL" $$; }
    exit "$status"
}
