#!/usr/bin/env bash
# Configures (once) and builds everything into build/ with Ninja and ccache.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${ORVA_BUILD_DIR:-$root/build}"
if [[ ! -f "$build/build.ninja" ]]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
cmake --build "$build" -j "${ORVA_JOBS:-$(nproc)}"
# A form (.ui) changed since the last build can leave its window's object stale
# for one pass: its header is regenerated after Ninja judged the object. A
# second pass, a no-op otherwise, rebuilds it.
cmake --build "$build" -j "${ORVA_JOBS:-$(nproc)}"
