#!/usr/bin/env bash
# Starts the simulated modem on pseudo-terminals in a scratch tree. It prints
# the export lines that point a shell at it, then reads control commands from
# this terminal (type "help"; "quit" or Ctrl-D ends it). The main program joins
# the demo once it exists; for now the engine's tests and a second shell use it.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
sim="$root/build/bin/brivex-modemsim"
if [[ ! -x "$sim" ]]; then
  echo "demo: $sim is not built yet; run: bash scripts/install-deps.sh && bash scripts/build.sh" >&2
  exit 1
fi
dir="${BRIVEX_DEMO_DIR:-$(mktemp -d /tmp/brivex-demo-XXXXXX)}"
echo "demo: simulated modem in $dir"
echo "demo: paste the export lines below into another shell; send control commands here or with"
echo "demo:   echo 'signal 1x 20' | socat - UNIX-CONNECT:$dir/modemsim.sock"
exec "$sim" --dir "$dir" --hexlog "$dir/exchange.log"
