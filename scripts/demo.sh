#!/usr/bin/env bash
# Runs the main job on the bundled example (examples/): a kernel host publishes the example's
# tags, creates the driver's shared block, starts Plinvar.srv beside the example configuration,
# asks it to poll, prints the tag values as they arrive, and stops it. Builds first when needed.
# DEMO_SECONDS (default 10) sets how long it runs.
set -eu
cd "$(dirname "$0")/.."
if [ ! -f build/build.ninja ]; then
    cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build build --target plinvar_server example_host plinvar >/dev/null

run=build/demo
rm -rf "$run"
mkdir -p "$run"
cp build/bin/Plinvar.srv "$run/"
cp examples/Plinvar.cfg examples/tags.db "$run/"
for f in Plinvar.xml Plinvar.ini; do
    [ -f "examples/$f" ] && cp "examples/$f" "$run/"
done

export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
export VANTORELIX_INSTANCE=${VANTORELIX_INSTANCE:-demo}
exec ./build/bin/example-host --dir "$run" --seconds "${DEMO_SECONDS:-10}"
