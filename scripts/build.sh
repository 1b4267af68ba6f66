#!/usr/bin/env bash
# Configures and builds one of the project's two builds, the same way for every
# script, so that running one script after another never reconfigures a build
# with other options (which would recompile everything):
#   scripts/build.sh release  [TARGET...]   optimised, in build/release
#   scripts/build.sh sanitize [TARGET...]   ASan + UBSan, in build/sanitize
# Without targets everything is built; the build folder is where the
# programs are.
#   JOBS  parallel compile jobs (default: the number of cores)
set -euo pipefail
cd "$(dirname "$0")/.."

flavour=${1:-}
shift || true
case "$flavour" in
  release)
    dir=build/release
    options=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DPITCHBOT_WERROR=ON)
    ;;
  sanitize)
    dir=build/sanitize
    options=(-DCMAKE_BUILD_TYPE=Debug "-DCMAKE_CXX_FLAGS_DEBUG=-g -O1" -DPITCHBOT_SANITIZE=ON
             -DPITCHBOT_BENCH=OFF -DPITCHBOT_WERROR=ON)
    ;;
  *)
    echo "usage: scripts/build.sh release|sanitize [TARGET...]" >&2
    exit 2
    ;;
esac

targets=()
for t in "$@"; do targets+=(--target "$t"); done
cmake -S . -B "$dir" "${options[@]}" >/dev/null
cmake --build "$dir" -j"${JOBS:-$(nproc)}" "${targets[@]}"
