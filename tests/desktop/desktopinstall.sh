#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Arguments: scripts/install-desktop, the build folder, the desktop id.
set -euo pipefail
INSTALL=$1 BUILD=$2 ID=$3
export HOME
HOME=$(mktemp -d)
trap 'rm -rf "$HOME"' EXIT
PROGRAM=$HOME/.local/opt/verbrio
SHARE=$HOME/.local/share
fail() { echo "FAILED: $*" >&2; exit 1; }

for tool in desktop-file-validate appstreamcli identify man update-mime-database gio; do
    command -v "$tool" >/dev/null || { echo "SKIPPED: no $tool (scripts/install-deps desktop test installs it)"; exit 77; }
done
# A folder of the user's that was there before the install: it stays, empty.
mkdir -p "$SHARE/applications"

echo "-- the desktop entries and the metainfo validate"
desktop-file-validate "$BUILD"/desktop/*.desktop
appstreamcli validate --no-net "$BUILD/desktop/$ID.metainfo.xml"

echo "-- the install puts each file in its place"
"$INSTALL" --from "$BUILD" >"$HOME/install.log"
for file in opt/verbrio/Verbrio opt/verbrio/verbrio-deck opt/verbrio/Verbrio.mdb opt/verbrio/Readme.txt opt/verbrio/LICENSE \
    share/applications/$ID.desktop share/metainfo/$ID.metainfo.xml share/icons/hicolor/scalable/apps/$ID.svg \
    share/man/man1/verbrio-deck.1 share/man/man1/Verbrio.1; do
    [ -s "$HOME/.local/$file" ] || fail "no ~/.local/$file"
done
for size in 16 24 32 48 64 128 256; do
    icon=$SHARE/icons/hicolor/${size}x$size/apps/$ID.png
    [ "$(identify -format '%wx%h' "$icon" 2>/dev/null)" = "${size}x$size" ] || fail "no ${size}x$size icon at $icon"
done
for command in "verbrio Verbrio" "verbrio-deck verbrio-deck"; do
    [ "$(readlink -f "$HOME/.local/bin/${command%% *}")" = "$PROGRAM/${command#* }" ] \
        || fail "~/.local/bin/${command%% *} does not lead to $PROGRAM/${command#* }"
done
[ "$(PATH="$HOME/.local/bin:$PATH" verbrio-deck export "$PROGRAM/Verbrio.mdb")" = "" ] || fail "verbrio-deck on the PATH does not export the empty deck"

echo "-- the installed entry starts the program by its absolute path and validates"
desktop-file-validate "$SHARE/applications/$ID.desktop"
exec_line=$(grep '^Exec=' "$SHARE/applications/$ID.desktop")
[ "$exec_line" = "Exec=\"$PROGRAM/Verbrio\"" ] || fail "the entry says $exec_line"
desktop-file-validate "$SHARE/applications/$ID.Deck.desktop"
exec_line=$(grep '^Exec=' "$SHARE/applications/$ID.Deck.desktop")
[ "$exec_line" = "Exec=\"$PROGRAM/verbrio-deck\" edit %f" ] || fail "the deck editor's entry says $exec_line"
# The types each entry opens; each one a type or an alias shared-mime-info knows.
for row in "$ID|" "$ID.Deck|application/vnd.sqlite3;application/x-sqlite3;"; do
    types=$(sed -n 's/^MimeType=//p' "$SHARE/applications/${row%%|*}.desktop")
    [ "$types" = "${row#*|}" ] || fail "${row%%|*}.desktop opens '$types'"
    for type in ${types//;/ }; do
        grep -qE "(mime-type|alias) type=\"$type\"" /usr/share/mime/packages/*.xml || fail "shared-mime-info knows no $type"
    done
done
# The classes the programs give their windows (checked beside the drill).
grep -qx 'StartupWMClass=Verbrio' "$SHARE/applications/$ID.desktop" || fail "the entry names another window class"
grep -qx 'StartupWMClass=Verbrio Deck' "$SHARE/applications/$ID.Deck.desktop" || fail "the deck editor's entry names another window class"

echo "-- the desktop takes the deck for an SQLite file, which the editor's entry opens"
type=$(env -u XDG_DATA_HOME gio info -a standard::content-type "$PROGRAM/Verbrio.mdb" | sed -n 's/.*content-type: //p')
[ "$type" = application/vnd.sqlite3 ] || fail "the deck's type is '$type'"

echo "-- man finds the pages through ~/.local/bin on the PATH"
page=$(cd / && env -u MANPATH PATH="$HOME/.local/bin:$PATH" man -w verbrio-deck)
[ "$page" = "$SHARE/man/man1/verbrio-deck.1" ] || fail "man -w verbrio-deck gives '$page'"

echo "-- installing again keeps the deck"
printf 'kept\tover a reinstall\n' | "$PROGRAM/verbrio-deck" import "$PROGRAM/Verbrio.mdb" - --format tsv >/dev/null
cp "$PROGRAM/Verbrio.mdb" "$HOME/deck-before"
"$INSTALL" --from "$BUILD" >/dev/null
cmp -s "$PROGRAM/Verbrio.mdb" "$HOME/deck-before" || fail "the second install changed the deck"

echo "-- uninstalling removes all but the deck and says where it is"
"$INSTALL" --uninstall >"$HOME/uninstall.log"
grep -qF "$PROGRAM/Verbrio.mdb" "$HOME/uninstall.log" || fail "the uninstall does not say where the deck is: $(cat "$HOME/uninstall.log")"
left=$(cd "$PROGRAM" && find . -type f)
[ "$left" = "./Verbrio.mdb" ] || fail "the program folder still holds: $left"
cmp -s "$PROGRAM/Verbrio.mdb" "$HOME/deck-before" || fail "the uninstall changed the deck"
left=$(find "$SHARE" "$HOME/.local/bin" \( -type f -o -type l \) 2>/dev/null || true)
[ -z "$left" ] || fail "left behind: $left"
# Of the folders outside the program folder, only those that were there before.
left=$(cd "$HOME/.local" && find . -type d | LC_ALL=C sort | tr '\n' ' ')
[ "$left" = ". ./opt ./opt/verbrio ./share ./share/applications " ] || fail "folders left: $left"

echo "-- uninstalling after two installs, without the deck, leaves no folder the installs made"
rm -r "$HOME/.local/opt"
"$INSTALL" --from "$BUILD" >/dev/null
"$INSTALL" --from "$BUILD" >/dev/null
rm "$PROGRAM/Verbrio.mdb"
"$INSTALL" --uninstall >/dev/null
left=$(cd "$HOME/.local" && find . -type d | LC_ALL=C sort | tr '\n' ' ')
[ "$left" = ". ./share ./share/applications " ] || fail "folders left: $left"

echo "-- a file of the user's own in ~/.local/bin stays"
printf '#!/bin/sh\n' >"$HOME/.local/bin-own"
mkdir -p "$HOME/.local/bin" && mv "$HOME/.local/bin-own" "$HOME/.local/bin/verbrio-deck"
"$INSTALL" --from "$BUILD" >"$HOME/install.log"
[ ! -L "$HOME/.local/bin/verbrio-deck" ] || fail "the install replaced the user's own verbrio-deck"
grep -q "verbrio-deck is a file of yours" "$HOME/install.log" || fail "the install does not say it left verbrio-deck alone"
"$INSTALL" --uninstall >/dev/null
[ -f "$HOME/.local/bin/verbrio-deck" ] || fail "the uninstall removed the user's own verbrio-deck"

echo "PASS"
