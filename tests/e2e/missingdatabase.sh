#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Without Verbrio.mdb beside the program, two message boxes come one after the
# other before the main window; Enter dismisses each, then the window shows
# and Alt+X ends the run. The program never creates the file.
source "$(dirname "$0")/common.sh"

start_x_server
make_program_folder

launch
step "the first message box appears, before the main window"
wait_for_message_box
first=$MSGBOX
find_main_window && fail "the main window is shown before the first message"

step "Enter dismisses the first message box"
answer_message_box_with_enter

step "a second message box appears, still before the main window"
wait_for_message_box "$first"
find_main_window && fail "the main window is shown before the second message"

step "Enter dismisses the second message box"
answer_message_box_with_enter

step "the main window appears, with no further message"
wait_for_main_window
settle
find_message_box && fail "a third message box is shown"
geometry=$(window_geometry "$MAIN")
[ "$geometry" = "108 128 444 178" ] || fail "inner area at x y width height = $geometry"

step "Alt+X ends the run"
keys_to "$MAIN" alt+x
expect_exit 5
[ -e "$DATABASE" ] && fail "the program created Verbrio.mdb"

echo "PASS"
