#!/usr/bin/env bash
# Runs the main job on the bundled example (examples/): a private snmpd on 127.0.0.1 answers
# the example's requests; a kernel host publishes the example's tags, creates the driver's
# shared block, starts Plinvar.srv beside the example configuration, asks it to poll, prints the
# tag values as they arrive, and stops it. Installs the packages it needs and builds first when
# needed.
# DEMO_SECONDS (default 10) sets how long it polls.
set -eu
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
if [ ! -f build/build.ninja ]; then
    cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build build --target plinvar_server example_host plinvar >/dev/null

run=$(pwd)/build/demo
rm -rf "$run"
mkdir -p "$run/agent"
port=$(python3 -c 'import socket; s=socket.socket(socket.AF_INET, socket.SOCK_DGRAM); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
cp build/bin/Plinvar.srv examples/tags.db examples/Plinvar.xml "$run/"
sed "s/16161/$port/g" examples/Plinvar.cfg > "$run/Plinvar.cfg"
sed "s/16161/$port/g" examples/snmpd.conf > "$run/agent/snmpd.conf"
printf '[server]\ndelay_on_start=0\n' > "$run/Plinvar.ini"

SNMP_PERSISTENT_DIR="$run/agent" MIBS=: /usr/sbin/snmpd -f -C -I -smux \
    -c "$run/agent/snmpd.conf" -p "$run/agent/snmpd.pid" -Lf "$run/agent/snmpd.log" &
agent=$!
trap 'kill $agent 2>/dev/null || true; wait $agent 2>/dev/null || true' EXIT
for _ in $(seq 50); do
    grep -q "NET-SNMP version" "$run/agent/snmpd.log" 2>/dev/null && break
    sleep 0.1
done
echo "demo: snmpd (pid $agent) answers on 127.0.0.1:$port"

export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
export VANTORELIX_INSTANCE=${VANTORELIX_INSTANCE:-demo}
./build/bin/example-host --dir "$run" --seconds "${DEMO_SECONDS:-10}"
