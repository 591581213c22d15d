# SPDX-License-Identifier: MIT
# Shared by the end-to-end scripts: a private X server without a window
# manager, a program folder of its own in a temporary directory, and waits
# that give up after a bounded time with a message that names the step.
#
# A script sources this file with two arguments: the Verbrio executable and
# the helper that asks a window to close (e2e-closewindow).

set -euo pipefail

E2E_PROGRAM=$1
E2E_CLOSE_WINDOW=$2
E2E_STEP="setting up"
E2E_DIR=$(mktemp -d)
PROGRAM_DIR=$E2E_DIR/program
DATABASE=$PROGRAM_DIR/Verbrio.mdb
APP_PID=""
XVFB_PID=""
MAIN=""    # the main window, once found
MSGBOX=""  # the message box last found
COPIED=""  # the text last copied out of a box
CLIP_NONE="<nothing copied>"

step() {
    E2E_STEP=$*
    echo "-- $E2E_STEP"
}

fail() {
    echo "FAILED at step \"$E2E_STEP\": $*" >&2
    if [ -s "$E2E_DIR/program.log" ]; then
        sed 's/^/    program: /' "$E2E_DIR/program.log" >&2
    fi
    exit 1
}

cleanup() {
    local status=$?
    if [ -n "$APP_PID" ] && kill -0 "$APP_PID" 2>/dev/null; then
        kill -KILL "$APP_PID" 2>/dev/null || true
        wait "$APP_PID" 2>/dev/null || true
    fi
    if [ -n "$XVFB_PID" ]; then
        kill "$XVFB_PID" 2>/dev/null || true
        wait "$XVFB_PID" 2>/dev/null || true
    fi
    rm -rf "$E2E_DIR"
    exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

for tool in Xvfb xdotool xwininfo xprop xclip import sqlite3 timeout; do
    command -v "$tool" >/dev/null || fail "$tool is not installed (scripts/install-deps installs it)"
done
[ -x "$E2E_PROGRAM" ] || fail "no program at $E2E_PROGRAM"
[ -x "$E2E_CLOSE_WINDOW" ] || fail "no close helper at $E2E_CLOSE_WINDOW"

# wait_until SECONDS WHAT COMMAND...: polls COMMAND until it succeeds.
wait_until() {
    local seconds=$1 what=$2
    shift 2
    local deadline=$((SECONDS + seconds))
    until "$@"; do
        [ "$SECONDS" -lt "$deadline" ] || fail "waited ${seconds} s for $what"
        sleep 0.05
    done
}

# Gives events time to travel through the X server and the program's queue.
settle() { sleep "${1:-0.3}"; }

# Starts Xvfb on the first free display number; it reports the number once it
# accepts connections.
start_x_server() {
    step "start Xvfb"
    Xvfb -displayfd 3 -screen 0 1024x768x24 -dpi 96 -nolisten tcp -noreset \
        3>"$E2E_DIR/display" >"$E2E_DIR/xvfb.log" 2>&1 &
    XVFB_PID=$!
    wait_until 10 "Xvfb to report its display" test -s "$E2E_DIR/display"
    DISPLAY=":$(head -n1 "$E2E_DIR/display")"
    export DISPLAY
    export QT_QPA_PLATFORM=xcb
    unset QT_SCALE_FACTOR QT_SCREEN_SCALE_FACTORS QT_QPA_PLATFORMTHEME
    export XDG_RUNTIME_DIR=$E2E_DIR/runtime
    mkdir -m 700 "$XDG_RUNTIME_DIR"
}

# A program folder: a copy of the executable (the program looks for its
# database beside its own file, which a symbolic link would not move).
make_program_folder() {
    mkdir -p "$PROGRAM_DIR"
    cp "$E2E_PROGRAM" "$PROGRAM_DIR/Verbrio"
}

make_empty_database() {
    sqlite3 "$DATABASE" "CREATE TABLE Questions (ID INTEGER PRIMARY KEY, Question TEXT, Description TEXT)"
}

# Reads the database as another program would; committed changes in the
# write-ahead log are seen. Read-only, so that it never checkpoints; waiting
# up to 2 seconds, as Verbrio does, while the program switches the file
# between its journal modes.
query() {
    timeout 10 sqlite3 -readonly -batch -noheader -separator '|' -cmd '.timeout 2000' "$DATABASE" "$1"
}

launch() {
    step "launch the program"
    (cd "$PROGRAM_DIR" && exec ./Verbrio) >"$E2E_DIR/program.log" 2>&1 &
    APP_PID=$!
}

# The program's visible windows titled "Verbrio": the main window and any
# message box.
program_windows() {
    xdotool search --all --onlyvisible --pid "$APP_PID" --name '^Verbrio$' 2>/dev/null || true
}

is_message_box() {
    xprop -id "$1" _NET_WM_WINDOW_TYPE 2>/dev/null | grep -q _NET_WM_WINDOW_TYPE_DIALOG
}

# Sets MAIN or MSGBOX when the window of that kind is shown.
find_main_window() {
    local w
    for w in $(program_windows); do
        is_message_box "$w" || { MAIN=$w; return 0; }
    done
    return 1
}
find_message_box() {
    local w
    for w in $(program_windows); do
        is_message_box "$w" && [ "$w" != "${1:-}" ] && { MSGBOX=$w; return 0; }
    done
    return 1
}
window_gone() { ! program_windows | grep -qx "$1"; }

wait_for_main_window() {
    wait_until 15 "the main window titled Verbrio" find_main_window
}

# A message box other than the one given (a new box is a new window).
wait_for_message_box() {
    wait_until 10 "a message box titled Verbrio" find_message_box "${1:-}"
}

# Without a window manager nobody moves the keyboard focus: put it on the
# window before sending keys, as a window manager would on a click.
focus() {
    [ "$(xdotool getwindowfocus 2>/dev/null)" = "$1" ] && return 0
    timeout 5 xdotool windowfocus --sync "$1" || fail "could not focus window $1"
}

keys_to() {
    local window=$1
    shift
    focus "$window"
    xdotool key --delay 30 "$@"
}

type_to() {
    focus "$1"
    xdotool type --delay 15 "$2"
}

# Answers the message box shown with Enter and waits for it to close.
answer_message_box_with_enter() {
    keys_to "$MSGBOX" Return
    wait_until 5 "the message box to close after Enter" window_gone "$MSGBOX"
}

program_ended() { ! kill -0 "$APP_PID" 2>/dev/null; }

# Waits for the program to end by itself and checks its exit status.
expect_exit() {
    local seconds=$1 status=0
    wait_until "$seconds" "the program to end" program_ended
    wait "$APP_PID" || status=$?
    APP_PID=""
    [ "$status" -eq 0 ] || fail "the program ended with status $status"
}

# Prints "X Y WIDTH HEIGHT" of a window's inner area on the screen.
window_geometry() {
    xwininfo -id "$1" | awk '
        /Absolute upper-left X/ { x = $NF } /Absolute upper-left Y/ { y = $NF }
        /^ *Width:/ { w = $NF } /^ *Height:/ { h = $NF }
        END { print x, y, w, h }'
}

# Clicks at X,Y inside the main window (the box there takes the focus). Keys
# sent afterwards reach the program after the click, in order.
click_at() {
    focus "$MAIN"
    xdotool mousemove --window "$MAIN" "$1" "$2" click 1
}

clipboard() { timeout 5 xclip -o -selection clipboard 2>/dev/null || true; }
clipboard_is() { [ "$(clipboard)" = "$1" ]; }
clipboard_is_not() { [ "$(clipboard)" != "$1" ]; }

# Copies the text of the box at X,Y of the main window into COPIED, through
# the clipboard: click into it, select all, copy.
copy_box_at() {
    printf '%s' "$CLIP_NONE" | xclip -selection clipboard -i >/dev/null 2>&1
    wait_until 5 "the clipboard to be cleared" clipboard_is "$CLIP_NONE"
    click_at "$1" "$2"
    keys_to "$MAIN" ctrl+a ctrl+c
    wait_until 5 "the text of the box at $1,$2 in the clipboard" clipboard_is_not "$CLIP_NONE"
    COPIED=$(clipboard)
}

# Colour of the pixel at X,Y of the main window, as #RRGGBB.
pixel_at() {
    timeout 5 import -window "$MAIN" -crop "1x1+$1+$2" -depth 8 txt:- 2>/dev/null \
        | grep -o '#[0-9A-Fa-f]\{6\}' | head -n1 || true
}

# Saves a picture of the screen when VERBRIO_E2E_SCREENSHOTS names a folder.
screenshot() {
    [ -n "${VERBRIO_E2E_SCREENSHOTS:-}" ] || return 0
    settle
    import -window root "$VERBRIO_E2E_SCREENSHOTS/$1.png"
}
