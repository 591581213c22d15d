#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs a test program on a private X server (Xvfb) without a window manager:
# keys and focus as a real display gives them, which the offscreen platform
# does not (it hid an ambiguous shortcut). Usage: onxvfb.sh PROGRAM [ARGS...]
set -euo pipefail
dir=$(mktemp -d)
Xvfb -displayfd 3 -screen 0 1024x768x24 -dpi 96 -nolisten tcp -noreset 3>"$dir/display" >"$dir/xvfb.log" 2>&1 &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null || true; wait "$xvfb" 2>/dev/null || true; rm -rf "$dir"' EXIT
for _ in $(seq 200); do
    [ -s "$dir/display" ] && break
    sleep 0.05
done
[ -s "$dir/display" ] || { cat "$dir/xvfb.log" >&2; echo "Xvfb did not report a display" >&2; exit 1; }
DISPLAY=":$(head -n1 "$dir/display")"
XDG_RUNTIME_DIR=$dir/runtime
mkdir -m 700 "$XDG_RUNTIME_DIR"
export DISPLAY XDG_RUNTIME_DIR QT_QPA_PLATFORM=xcb
unset QT_SCALE_FACTOR QT_SCREEN_SCALE_FACTORS QT_QPA_PLATFORMTHEME
"$@"
