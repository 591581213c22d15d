#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Orderly ends: an entry typed on the Create screen and not yet stored is
# stored when the program is told to end by SIGTERM (logout, shutdown, kill),
# SIGINT (Ctrl+C) or SIGHUP, as "E&xit" stores it; and the file is left alone
# in its folder, no -wal or -shm file beside it. A signal while a start-up
# message box is up ends the run too.
source "$(dirname "$0")/common.sh"

entry_count_is() { [ "$(query 'SELECT count(*) FROM Questions')" = "$1" ]; }

start_x_server
make_program_folder
make_empty_database

count=0
for signal in TERM INT HUP; do
    launch
    wait_for_main_window
    step "SIG$signal: type an entry on the Create screen, without OK"
    keys_to "$MAIN" alt+c
    settle
    type_to "$MAIN" "term $signal"
    keys_to "$MAIN" Tab
    type_to "$MAIN" "definition $signal"
    settle
    entry_count_is "$count" || fail "the entry was stored before the end"

    step "SIG$signal ends the run and stores the typed entry"
    kill -"$signal" "$APP_PID"
    expect_exit 10
    count=$((count + 1))
    [ "$(query "SELECT Question, Description FROM Questions WHERE ID = $count")" = "term $signal|definition $signal" ] \
        || fail "the file holds: $(query 'SELECT * FROM Questions')"
    leftovers=$(ls "$PROGRAM_DIR" | grep -E 'Verbrio\.mdb-(wal|shm|journal)$' || true)
    [ -z "$leftovers" ] || fail "left beside the deck: $leftovers"
    [ "$(query 'PRAGMA journal_mode')" = "delete" ] || fail "the deck was left in WAL mode"
done

# Without the deck, start-up shows two boxes before the window: a signal
# while the first is up ends the run there, with no second box and no window.
mv "$DATABASE" "$E2E_DIR/aside.mdb"
for signal in TERM INT HUP; do
    launch
    step "SIG$signal while a start-up box is up ends the run"
    wait_for_message_box
    kill -"$signal" "$APP_PID"
    expect_exit 5
done

echo "PASS"
