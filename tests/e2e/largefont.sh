#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# At a 13 pt application font the window grows with the font, keeping its
# proportions, and works as at the default font: the term typed at once
# after Alt+C is stored by Alt+O, Alt with a letter no control carries types
# nothing while AltGr types, and the Review screen shows the start of a long
# term. Pictures of each screen go to VERBRIO_E2E_SCREENSHOTS.
source "$(dirname "$0")/common.sh"

LONG_TERM="Start of a term far longer than the box is wide, $(printf 'w%.0s' {1..150}) end"

start_x_server
make_program_folder
make_empty_database
sqlite3 "$DATABASE" "INSERT INTO Questions (Question, Description) VALUES ('$LONG_TERM', 'Its definition')"
launch
wait_for_main_window
settle

step "the window keeps its proportions, grown by the font"
read -r x y width height <<<"$(window_geometry "$MAIN")"
# 444 x 178 at the default font; 13 pt is some 1.4 times its line height.
if [ -z "${VERBRIO_E2E_FONT_POINTS:-}" ]; then
    [ "$width" -ge 580 ] && [ "$width" -le 680 ] || fail "inner area $width wide"
fi
[ $((height * 444 / width)) -ge 176 ] && [ $((height * 444 / width)) -le 180 ] || fail "inner area ${width}x$height"
screenshot largefont-start

step "the Review screen shows the start of a long term; Show and the definitions side"
keys_to "$MAIN" alt+r
settle
screenshot largefont-review
keys_to "$MAIN" Return alt+d
screenshot largefont-definitions

step "Alt+C and the term typed at once, then Alt+O, store the term; Alt+D types nothing, AltGr+E the euro sign"
focus "$MAIN"
xdotool key alt+c type --delay 0 'Neon'
keys_to "$MAIN" alt+d
TERM=Neon
# A layout with AltGr (ISO_Level3_Shift), where the server has one.
if setxkbmap -layout de 2>/dev/null; then
    keys_to "$MAIN" ISO_Level3_Shift+e
    setxkbmap -layout us
    TERM="Neon€"
fi
keys_to "$MAIN" Tab
type_to "$MAIN" "A noble gas"
screenshot largefont-create
keys_to "$MAIN" alt+o
wait_until 5 "the entry to be in the file" test -n "$(query "SELECT Question FROM Questions WHERE ID = 2")"
[ "$(query "SELECT Question FROM Questions WHERE ID = 2")" = "$TERM" ] \
    || fail "the term stored is \"$(query "SELECT Question FROM Questions WHERE ID = 2")\", not \"$TERM\""

step "Alt+X ends the run"
keys_to "$MAIN" alt+x
expect_exit 5
echo "PASS"
