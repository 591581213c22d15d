#!/usr/bin/env bash
# Arguments: scripts/install-desktop, the build folder, the desktop id.
set -euo pipefail
INSTALL=$1 BUILD=$2 ID=$3
export HOME
HOME=$(mktemp -d)
trap 'rm -rf "$HOME"' EXIT
PROGRAM=$HOME/.local/opt/verbrio
SHARE=$HOME/.local/share
fail() { echo "FAILED: $*" >&2; exit 1; }

echo "-- the desktop entries and the metainfo validate"
desktop-file-validate "$BUILD"/desktop/*.desktop
appstreamcli validate --no-net "$BUILD/desktop/$ID.metainfo.xml"

echo "-- the install puts each file in its place"
"$INSTALL" --from "$BUILD" >"$HOME/install.log"
for file in opt/verbrio/Verbrio opt/verbrio/verbrio-deck opt/verbrio/Verbrio.mdb opt/verbrio/Readme.txt \
    share/applications/$ID.desktop share/metainfo/$ID.metainfo.xml share/icons/hicolor/scalable/apps/$ID.svg \
    share/man/man1/verbrio-deck.1 share/man/man1/Verbrio.1; do
    [ -s "$HOME/.local/$file" ] || fail "no ~/.local/$file"
done
for size in 16 24 32 48 64 128 256; do
    icon=$SHARE/icons/hicolor/${size}x$size/apps/$ID.png
    [ "$(identify -format '%wx%h' "$icon" 2>/dev/null)" = "${size}x$size" ] || fail "no ${size}x$size icon at $icon"
done
[ "$(readlink -f "$HOME/.local/bin/verbrio")" = "$PROGRAM/Verbrio" ] || fail "~/.local/bin/verbrio does not lead to the program"

echo "-- the installed entry starts the program by its absolute path and validates"
desktop-file-validate "$SHARE/applications/$ID.desktop"
exec_line=$(grep '^Exec=' "$SHARE/applications/$ID.desktop")
[ "$exec_line" = "Exec=\"$PROGRAM/Verbrio\"" ] || fail "the entry says $exec_line"
desktop-file-validate "$SHARE/applications/$ID.Deck.desktop"
exec_line=$(grep '^Exec=' "$SHARE/applications/$ID.Deck.desktop")
[ "$exec_line" = "Exec=\"$PROGRAM/verbrio-deck\" edit" ] || fail "the deck editor's entry says $exec_line"
# The classes the programs give their windows (checked beside the drill).
grep -qx 'StartupWMClass=Verbrio' "$SHARE/applications/$ID.desktop" || fail "the entry names another window class"
grep -qx 'StartupWMClass=Verbrio Deck' "$SHARE/applications/$ID.Deck.desktop" || fail "the deck editor's entry names another window class"

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
left=$(find "$SHARE" "$HOME/.local/bin" \( -type f -o -type l \))
[ -z "$left" ] || fail "left behind: $left"

echo "PASS"
