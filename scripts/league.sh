#!/usr/bin/env bash
# Plays a league: N matches of team A against team B on fieldsim's physics
# model in lockstep, and prints and writes the figures (build/release/league;
# `scripts/league.sh --help` lists its options). Without --a / --b both teams
# are the competition build; without --out the files land in run/league.
#   scripts/league.sh                                  # ten 60 s matches, 3 v 3
#   scripts/league.sh --matches 4 --seconds 30
#   scripts/league.sh --b build/release/agent --b-params design
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh release league fieldsim matchagent agent >/dev/null
exec build/release/league "$@"
