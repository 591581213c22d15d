#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The program shows its window at its fixed place and size; Enter, Enter
# right after start-up changes nothing; both Alt+X and closing the window end
# the run with status 0. A database that is only read stays byte-for-byte as
# it was.
source "$(dirname "$0")/common.sh"

start_x_server
make_program_folder
make_empty_database
sqlite3 "$DATABASE" "INSERT INTO Questions (Question, Description) VALUES ('Neon', 'A noble gas'), ('Argon', 'Another one')"
cp "$DATABASE" "$E2E_DIR/before.mdb"

launch
step "the main window appears, with no message box"
wait_for_main_window
settle
find_message_box && fail "a message box is shown on an empty database"

step "the window's inner area is 444x178 at 108,128"
geometry=$(window_geometry "$MAIN")
[ "$geometry" = "108 128 444 178" ] || fail "inner area at x y width height = $geometry"

step "the window has a fixed size and a 16x16 icon"
hints=$(xprop -id "$MAIN" WM_NORMAL_HINTS)
if ! grep -q "minimum size: 444 by 178" <<<"$hints" || ! grep -q "maximum size: 444 by 178" <<<"$hints"; then
    fail "size hints are not fixed at 444x178: $hints"
fi
xprop -id "$MAIN" _NET_WM_ICON | grep -q "Icon (16 x 16)" || fail "no 16x16 icon on the window"

step "Enter, Enter right after start-up asks nothing and deletes nothing"
keys_to "$MAIN" Return Return
settle
find_message_box && fail "a message box is shown after Enter, Enter"
[ "$(query 'SELECT count(*) FROM Questions')" = 2 ] || fail "the file holds $(query 'SELECT count(*) FROM Questions') entries"

step "Alt+X ends the run at once"
keys_to "$MAIN" alt+x
expect_exit 5
cmp -s "$DATABASE" "$E2E_DIR/before.mdb" || fail "the database changed though the program only read it"

launch
step "the main window appears again"
wait_for_main_window

step "closing the window ends the run"
# What a window manager's close button sends: WM_DELETE_WINDOW. (xdotool's
# windowclose destroys the window instead, which no window manager does.)
"$E2E_CLOSE_WINDOW" "$MAIN" || fail "could not send the close request"
expect_exit 5
cmp -s "$DATABASE" "$E2E_DIR/before.mdb" || fail "the database changed though the program only read it"

echo "PASS"
