#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the demo need, when any is missing:
# apt-get update, then apt-get install -y of what is not there yet (as root, or through sudo).
# PLINVAR_SKIP_INSTALL=1 skips it.
set -u
[ "${PLINVAR_SKIP_INSTALL:-0}" = 1 ] && exit 0

packages=(cmake ninja-build g++ clang libclang-rt-14-dev qt6-base-dev libssl-dev libgtest-dev
    libgmock-dev libbenchmark-dev snmpd snmp python3 python3-pysnmp4 libsnmp-dev iproute2)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" = 0 ] || sudo="sudo"
echo "== installing: ${missing[*]}"
$sudo apt-get update || exit 1
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
