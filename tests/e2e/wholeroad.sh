#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The whole road by keyboard: three entries typed and stored with Alt+O, the
# first typed at once after Alt+C, the second with Alt+C pressed again while
# typing it; a fourth dropped with Esc, after which
# Enter, Enter does nothing; a drill over them that shows matching terms and
# definitions on both sides, goes on with Enter after Restart answered No,
# and leaves the file as it was; Restart with Yes empties the file and keeps
# the three in Verbrio.mdb.bak; Next on the emptied table and Review on it
# both report and the program carries on; Alt+X ends the run.
source "$(dirname "$0")/common.sh"

# Points in the term box and the definition box of the main window, where
# the Create and Review panels put them alike: the middle, to click into a
# box, and an inner corner that text never reaches, to see whether the box is
# shown (its inside white) or hidden (the grey behind it).
TERM_BOX=(260 18)
DEFINITION_BOX=(250 90)
TERM_PROBE=(430 18)
DEFINITION_PROBE=(100 125)

TERMS=("Neon" "Osmosis" "Ohm's law")
DEFINITIONS=("A noble gas" "Water crossing a membrane" "Current is voltage over resistance")
RESTART_BUTTON=(38 122)
declare -A DEFINITION_OF TERM_OF
for i in 0 1 2; do
    DEFINITION_OF[${TERMS[i]}]=${DEFINITIONS[i]}
    TERM_OF[${DEFINITIONS[i]}]=${TERMS[i]}
done
EXPECTED_ROWS=$(printf '%s\n' "1|${TERMS[0]}|${DEFINITIONS[0]}" "2|${TERMS[1]}|${DEFINITIONS[1]}" "3|${TERMS[2]}|${DEFINITIONS[2]}")

entry_count_is() { [ "$(query 'SELECT count(*) FROM Questions')" = "$1" ]; }
rows() { query 'SELECT ID, Question, Description FROM Questions ORDER BY ID'; }
file_fingerprint() { { cat "$DATABASE"; cat "$DATABASE-wal" 2>/dev/null || true; } | md5sum; }
# Once idle after storing, the program leaves the deck alone in its folder.
file_alone() { [ ! -e "$DATABASE-wal" ] && [ ! -e "$DATABASE-shm" ]; }

box_state() { [ "$(pixel_at "$1" "$2")" = "#FFFFFF" ] && echo shown || echo hidden; }
boxes_are() {
    [ "$(box_state "${TERM_PROBE[@]}")" = "$1" ] && [ "$(box_state "${DEFINITION_PROBE[@]}")" = "$2" ]
}
# Waits until the term box and the definition box are shown or hidden as
# given; this also tells that the handler has run and the window is painted.
expect_boxes() {
    wait_until 5 "the term box to be $1 and the definition box $2" boxes_are "$1" "$2"
}

# Reads the term box (or the definition box) of the Review panel into TERM
# (DEFINITION) and checks that it is one of the stored entries.
read_term() {
    copy_box_at "${TERM_BOX[@]}"
    TERM=$COPIED
    [ -n "${DEFINITION_OF[$TERM]+set}" ] || fail "the term box shows \"$TERM\", which is no stored term"
}
read_definition() {
    copy_box_at "${DEFINITION_BOX[@]}"
    DEFINITION=$COPIED
    [ -n "${TERM_OF[$DEFINITION]+set}" ] || fail "the definition box shows \"$DEFINITION\", which is no stored definition"
}
expect_pair() {
    [ "${DEFINITION_OF[$TERM]}" = "$DEFINITION" ] \
        || fail "term \"$TERM\" is shown with definition \"$DEFINITION\""
}

start_x_server
make_program_folder
make_empty_database
launch
wait_for_main_window

step "Alt+C opens the Create screen, and the term typed at once lands in the term box"
expect_boxes hidden hidden
focus "$MAIN"
xdotool key alt+c type --delay 0 "${TERMS[0]}"
expect_boxes shown shown

for i in 0 1 2; do
    step "type entry $((i + 1)) and store it with Alt+O"
    if [ "$i" -eq 1 ]; then
        # Alt+C while Create shows: the typing goes on in the term box.
        type_to "$MAIN" "${TERMS[i]:0:3}"
        keys_to "$MAIN" alt+c
        type_to "$MAIN" "${TERMS[i]:3}"
    elif [ "$i" -eq 2 ]; then
        type_to "$MAIN" "${TERMS[i]}"
    fi
    keys_to "$MAIN" Tab
    type_to "$MAIN" "${DEFINITIONS[i]}"
    [ "$i" -eq 0 ] && screenshot create
    keys_to "$MAIN" alt+o
    wait_until 5 "entry $((i + 1)) to be in the file" entry_count_is $((i + 1))
    [ "$(query "SELECT Question FROM Questions WHERE ID = $((i + 1))")" = "${TERMS[i]}" ] \
        || fail "entry $((i + 1)) has the term \"$(query "SELECT Question FROM Questions WHERE ID = $((i + 1))")\""
done

step "type a fourth entry and drop it with Esc"
type_to "$MAIN" "Meiosis"
keys_to "$MAIN" Tab
type_to "$MAIN" "Never to be stored"
keys_to "$MAIN" Escape
expect_boxes hidden hidden

step "Enter, Enter after Esc asks nothing and deletes nothing"
keys_to "$MAIN" Return Return
settle
find_message_box && fail "a message box is shown after Esc, Enter, Enter"

step "the file holds exactly the three entries"
[ "$(rows)" = "$EXPECTED_ROWS" ] || fail "the file holds:
$(rows)"
wait_until 5 "no -wal or -shm file beside the deck once idle" file_alone
rows_before_review=$(rows)
fingerprint_before_review=$(file_fingerprint)

step "Alt+R opens the Review screen, showing terms"
keys_to "$MAIN" alt+r
expect_boxes shown hidden

step "Restart clicked and answered No; Enter, Enter go on with the drill"
click_at "${RESTART_BUTTON[@]}"
wait_for_message_box
keys_to "$MSGBOX" Escape
wait_until 5 "the message box to close after Esc" window_gone "$MSGBOX"
keys_to "$MAIN" Return
expect_boxes shown shown
keys_to "$MAIN" Return
expect_boxes shown hidden
entry_count_is 3 || fail "the file holds $(query 'SELECT count(*) FROM Questions') entries"

for round in 1 2 3; do
    step "drill round $round: the term box shows a stored term"
    read_term
    step "drill round $round: Enter in the term box shows that entry's definition"
    keys_to "$MAIN" Return
    expect_boxes shown shown
    read_definition
    expect_pair
    [ "$round" -eq 1 ] && screenshot review
    step "drill round $round: Enter in the term box moves to the next entry"
    click_at "${TERM_BOX[@]}"
    keys_to "$MAIN" Return
    expect_boxes shown hidden
done

step "Alt+D shows the definition box alone"
keys_to "$MAIN" alt+d
expect_boxes hidden shown

step "Enter reveals the term of that definition"
keys_to "$MAIN" Return
expect_boxes shown shown
read_definition
read_term
expect_pair

step "Enter in the term box moves on, showing the next definition alone"
keys_to "$MAIN" Return
expect_boxes hidden shown
read_definition

step "Alt+T shows the term of that same entry alone"
keys_to "$MAIN" alt+t
expect_boxes shown hidden
read_term
expect_pair

step "Enter in the term box shows the definition again"
keys_to "$MAIN" Return
expect_boxes shown shown
read_definition
expect_pair

step "the drill left the file as it was"
kill -0 "$APP_PID" 2>/dev/null || fail "the program is no longer running"
[ "$(rows)" = "$rows_before_review" ] || fail "the file now holds:
$(rows)"
[ "$(file_fingerprint)" = "$fingerprint_before_review" ] || fail "the file's bytes changed during the drill"

step "Alt+S asks before deleting anything"
keys_to "$MAIN" alt+s
wait_for_message_box
entry_count_is 3 || fail "entries were deleted before the question was answered"

step "Enter answers Yes and every entry is deleted"
answer_message_box_with_enter
wait_until 5 "the file to hold no entries" entry_count_is 0
settle
find_message_box && fail "a message box is shown after Restart"
[ "$(timeout 10 sqlite3 -readonly -batch -noheader -separator '|' "$DATABASE.bak" \
      'SELECT ID, Question, Description FROM Questions ORDER BY ID')" = "$EXPECTED_ROWS" ] \
    || fail "Verbrio.mdb.bak does not hold the three entries"

step "Next on the emptied table reports an error and the program carries on"
click_at "${TERM_BOX[@]}"
keys_to "$MAIN" Return
wait_for_message_box
answer_message_box_with_enter
kill -0 "$APP_PID" 2>/dev/null || fail "the program ended"

step "Alt+C, then Alt+R on the empty file shows the no-entries message"
keys_to "$MAIN" alt+c
expect_boxes shown shown
keys_to "$MAIN" alt+r
wait_for_message_box
answer_message_box_with_enter

step "Alt+X ends the run"
keys_to "$MAIN" alt+x
expect_exit 5
entry_count_is 0 || fail "the file holds entries after the run:
$(rows)"

echo "PASS"
