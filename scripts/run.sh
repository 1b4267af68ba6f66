#!/usr/bin/env bash
# Builds the programs and starts one player against a simulation server on
# 127.0.0.1:3100.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/release -j"$(nproc)" --target agent matchagent
mkdir -p run/player1/log
echo "Starting agent 1 in run/player1 (a simulation server must listen on 127.0.0.1:3100)."
cd run/player1
exec ../../build/release/agent --unum 1 "$@"
