#!/usr/bin/env bash
# Runs the main job on the bundled example (examples/). Builds first when needed.
set -eu
cd "$(dirname "$0")/.."
if [ ! -f build/build.ninja ]; then
    cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build build >/dev/null
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
exec ./build/cli/plinvar help
