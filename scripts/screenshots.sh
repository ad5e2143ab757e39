#!/usr/bin/env bash
# Pictures of every page of the desktop program with the demo season run and evaluated against the
# example measurements, and of its windows, for a look as a user would:
#   scripts/screenshots.sh OUTDIR
# The build is taken from $TULO_BUILD_DIR when set, else from build/. Needs xvfb-run (Debian xvfb).
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:?usage: scripts/screenshots.sh OUTDIR}
build=${TULO_BUILD_DIR:-build}
mkdir -p "$out"
out=$(cd "$out" && pwd)
xvfb-run -a -s "-screen 0 1400x900x24" "$build/tulo" --screenshot "$out" \
    --measured examples/measured-agb.xlsx --variable "AGB tot (tAGB/ha)" examples/demo.sim
ls "$out"
