#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Where no display can be reached the program says so in one line and ends
# with status 1, before Qt would abort with a core dump. Where one can, the
# question does not get in Qt's way: a bare Xvfb, which resets when its last
# client leaves, shows the window every time.
source "$(dirname "$0")/common.sh"

# says_no_display WHAT VARIABLE=VALUE...: runs the program with only the
# display variables given.
says_no_display() {
    step "$1"
    shift
    local output status=0
    output=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$@" timeout 10 "$E2E_PROGRAM" 2>&1) || status=$?
    [ "$status" -eq 1 ] || fail "exit status $status, not 1; it said: $output"
    [ "$(wc -l <<<"$output")" -eq 1 ] && [[ $output == "Verbrio: "* ]] || fail "it said: $output"
}

mkdir -p "$E2E_DIR/runtime"
says_no_display "neither DISPLAY nor WAYLAND_DISPLAY set"
says_no_display "an X display no server answers" DISPLAY=:4711
says_no_display "a Wayland display with no socket" WAYLAND_DISPLAY=verbrio-none XDG_RUNTIME_DIR="$E2E_DIR/runtime"
says_no_display "the X platform named, only Wayland set" QT_QPA_PLATFORM=xcb WAYLAND_DISPLAY=verbrio-none

step "start a bare Xvfb (no -noreset)"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$E2E_DIR/display" >"$E2E_DIR/xvfb.log" 2>&1 &
XVFB_PID=$!
wait_until 10 "Xvfb to report its display" test -s "$E2E_DIR/display"
export DISPLAY=":$(head -n1 "$E2E_DIR/display")" XDG_RUNTIME_DIR="$E2E_DIR/runtime"
unset QT_QPA_PLATFORM
make_program_folder
make_empty_database
# A bare Xvfb resets each time its last client (xdotool's searches too)
# leaves; a start that meets a reset is told no display answers, which is
# right. So a start may be retried on that one line, never on an abort.
open_window() {
    local attempt status
    for attempt in 1 2 3 4 5; do
        launch
        local deadline=$((SECONDS + 15))
        until find_main_window; do
            if program_ended; then
                status=0
                wait "$APP_PID" 2>/dev/null || status=$?
                [ "$status" -eq 1 ] && grep -q '^Verbrio: ' "$E2E_DIR/program.log" ||
                    fail "exit status $status; it said: $(cat "$E2E_DIR/program.log")"
                continue 2
            fi
            [ "$SECONDS" -lt "$deadline" ] || fail "waited 15 s for the main window"
            sleep 0.05
        done
        return 0
    done
    fail "the window did not open in 5 starts"
}

for run in 1 2 3; do
    step "run $run: the window opens on the bare Xvfb"
    open_window
    kill -KILL "$APP_PID"
    wait "$APP_PID" 2>/dev/null || true
    APP_PID=""
done

echo "PASS"
