#!/usr/bin/env bash
# Installs what is missing, builds the game, writes the stand-in data set beside it (once) and
# starts it from its own folder.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/install-deps.sh"
build="$top/build/release"
cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVLX_TESTS=OFF -DVLX_BENCH=OFF
cmake --build "$build" -j "$(nproc)"
game="$top/build/game"
mkdir -p "$game"
cp "$build/velmarondix" "$game/"
if [ -x "$build/make-data" ] && [ ! -f "$game/.data-written" ]; then
  "$build/make-data" "$game" && touch "$game/.data-written"
fi
cd "$game"
exec ./velmarondix "$@"
