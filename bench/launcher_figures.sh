#!/usr/bin/env bash
# The launcher's figures under Xvfb (see bench/launcher_figures.cpp): start to
# the first full present, the Launch button to the game's start when nothing
# changed, and the CPU at the menu.
#
#   bench/launcher_figures.sh [BUILD_DIR] [RUNS] [IDLE_SECONDS]   (default: build 5 10)
#
# Builds nothing: run `cmake --build BUILD_DIR --target launcher_figures` first.
# Needs Xvfb, xdotool and nginx. Not a test: it never fails on timing.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-$here/build}" && pwd)"
program="$build/bench/launcher_figures"
[ -x "$program" ] || { echo "missing $program (build the launcher_figures target)" >&2; exit 1; }
for p in Xvfb xdotool nginx; do command -v $p >/dev/null || [ -x /usr/sbin/$p ] || { echo "$p is not installed" >&2; exit 1; }; done
exec "$program" "${2:-5}" "${3:-10}"
