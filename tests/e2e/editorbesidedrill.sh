#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The deck editor beside the drill, on the program's own deck: an entry
# edited in the editor is in the file at once; an entry the drill stores
# shows in the editor's table (the editor then deletes it by keyboard, which
# it could not do without showing it); neither program shows a message.
# SIGTERM while an edit is being typed in the editor's entry area stores it.
#
#   editorbesidedrill.sh VERBRIO CLOSE_HELPER VERBRIO_DECK
source "$(dirname "$0")/common.sh"
DECK_TOOL=$3

rows() { query 'SELECT ID, Question FROM Questions ORDER BY ID' | tr '\n' ' '; }
rows_are() { [ "$(rows)" = "$1" ]; }
editor_windows() { xdotool search --all --onlyvisible --pid "$EDITOR_PID" --name '.' 2>/dev/null || true; }
# The drill shows no box, the editor no window beside its own.
no_message_box() { ! find_message_box && [ "$(editor_windows | wc -l)" -eq 1 ]; }

start_x_server
make_program_folder
cp "$DECK_TOOL" "$PROGRAM_DIR/verbrio-deck"
make_empty_database
query_write() { timeout 10 sqlite3 -batch "$DATABASE" "$1"; }
query_write "INSERT INTO Questions VALUES (1, 'Photosinthesis', 'Plants turn light into sugar'), (2, 'Osmosis', 'Water crossing a membrane')"

step "without a display the editor says so in one line, and its help needs none"
output=$(env -u DISPLAY -u WAYLAND_DISPLAY "$PROGRAM_DIR/verbrio-deck" edit 2>&1) && fail "it started without a display: $output"
[ "$(wc -l <<<"$output")" -eq 1 ] && [[ $output == "verbrio-deck: no display"* ]] || fail "it said: $output"
env -u DISPLAY "$PROGRAM_DIR/verbrio-deck" edit --help | grep -q '^Usage: verbrio-deck edit \[FILE\]$' || fail "edit --help"

launch
wait_for_main_window
step "open the editor on the deck beside the tool"
(cd "$PROGRAM_DIR" && exec ./verbrio-deck edit) >"$E2E_DIR/editor.log" 2>&1 &
EDITOR_PID=$!
find_editor() { EDITOR=$(editor_windows | head -n1); [ -n "$EDITOR" ]; }
wait_until 15 "the editor's window" find_editor
settle
# The classes the desktop entries name, which tie each window to its entry.
[[ $(xprop -id "$EDITOR" WM_CLASS) == *'"Verbrio Deck"' ]] || fail "the editor's window class: $(xprop -id "$EDITOR" WM_CLASS)"
[[ $(xprop -id "$MAIN" WM_CLASS) == *'"Verbrio"' ]] || fail "the drill's window class: $(xprop -id "$MAIN" WM_CLASS)"
xprop -id "$EDITOR" _NET_WM_ICON | grep -q "Icon (16 x 16)" || fail "no 16x16 icon on the editor's window"

step "mend the typo in the first term: type to replace, Enter"
focus "$EDITOR"
xdotool type --delay 15 "Photosynthesis"
keys_to "$EDITOR" Return
wait_until 2 "the mended term in the file" rows_are "1|Photosynthesis 2|Osmosis "

step "store an entry in the drill"
keys_to "$MAIN" alt+c
settle
type_to "$MAIN" "Ohm's law"
keys_to "$MAIN" Tab
type_to "$MAIN" "Current is voltage over resistance"
keys_to "$MAIN" alt+o
wait_until 2 "the drill's entry in the file" rows_are "1|Photosynthesis 2|Osmosis 3|Ohm's law "

step "the editor shows it within a second: its last row, deleted by keyboard"
sleep 1
keys_to "$EDITOR" ctrl+l Down Down Delete
wait_until 2 "the drill's entry deleted through the editor" rows_are "1|Photosynthesis 2|Osmosis "

step "undo the delete"
keys_to "$EDITOR" ctrl+z
wait_until 2 "the entry back under its ID" rows_are "1|Photosynthesis 2|Osmosis 3|Ohm's law "

step "after Ctrl+N, Delete deletes the new entry alone, without a question"
keys_to "$EDITOR" ctrl+l Up ctrl+n
focus "$EDITOR"
xdotool type --delay 15 "four"
keys_to "$EDITOR" Return
wait_until 2 "the new entry in the file" rows_are "1|Photosynthesis 2|Osmosis 3|Ohm's law 4|four "
keys_to "$EDITOR" Delete
wait_until 2 "the new entry deleted" rows_are "1|Photosynthesis 2|Osmosis 3|Ohm's law "

step "neither program reported anything"
no_message_box || fail "a message box is shown"
screenshot editor-beside-drill

step "close both"
keys_to "$EDITOR" ctrl+q
wait_until 5 "the editor to end" bash -c "! kill -0 $EDITOR_PID 2>/dev/null"
wait "$EDITOR_PID" || fail "the editor ended with status $?"
keys_to "$MAIN" alt+x
expect_exit 5
[ "$(query 'PRAGMA integrity_check')" = ok ] || fail "the file is damaged"

step "SIGTERM while typing in the editor's entry area stores the edit and leaves the file alone"
(cd "$PROGRAM_DIR" && exec ./verbrio-deck edit) >"$E2E_DIR/editor.log" 2>&1 &
EDITOR_PID=$!
wait_until 15 "the editor's window again" find_editor
settle
keys_to "$EDITOR" ctrl+shift+e ctrl+a
focus "$EDITOR"
xdotool type --delay 15 "Photosynthesis, typed"
settle
rows_are "1|Photosynthesis 2|Osmosis 3|Ohm's law " || fail "the edit was stored before the end: $(rows)"
kill -TERM "$EDITOR_PID"
wait_until 10 "the editor to end on SIGTERM" bash -c "! kill -0 $EDITOR_PID 2>/dev/null"
wait "$EDITOR_PID" || fail "the editor ended with status $? on SIGTERM"
rows_are "1|Photosynthesis, typed 2|Osmosis 3|Ohm's law " || fail "the file holds: $(rows)"
leftovers=$(ls "$PROGRAM_DIR" | grep -E 'Verbrio\.mdb-(wal|shm|journal)$' || true)
[ -z "$leftovers" ] || fail "left beside the deck: $leftovers"
[ "$(query 'PRAGMA journal_mode')" = "delete" ] || fail "the deck was left in WAL mode"
echo "PASS"
