#!/usr/bin/env bash
# Installs what is missing, builds the game, writes the stand-in data set beside it (again
# whenever make-data was rebuilt: its attract demo is recorded by the gameplay code it links) and
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
# The folder also holds the game itself, so make-data is told to write there regardless; the
# player's settings file and replays are kept.
# make-data writes its marker ".make-data" afresh with every data set.
if [ -x "$build/make-data" ] && { [ ! -f "$game/.make-data" ] || [ "$build/make-data" -nt "$game/.make-data" ]; }; then
  "$build/make-data" --force "$game"
fi
cd "$game"
exec ./velmarondix "$@"
