#!/usr/bin/env bash
# Where no display can be reached the program says so in one line and ends
# with status 1, before Qt would abort with a core dump.
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

echo "PASS"
