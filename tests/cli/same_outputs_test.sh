#!/usr/bin/env bash
# What kelto-cli makes of the demo scene, byte for byte: the scene file built from the example
# operations as earlier builds made it (--plain), its OBJ export, and a Draft and a seeded
# Production picture; and the demo as it is today (area light and sky), its file and a seeded
# Production picture. Restructuring the code must not change any of them; a change of output
# on purpose comes with new sums (run with --update).
# usage: same_outputs_test.sh KELTO_CLI EXAMPLES_DIR SUMS_FILE [--update]
set -euo pipefail
cli=$(realpath "$1")
examples=$2
sums=$(realpath -m "$3")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$examples/build-demo-scene" "$cli" "$work/demo.kel" --plain > /dev/null
"$cli" export "$work/demo.kel" "$work/demo.obj" > /dev/null
"$cli" render "$work/demo.kel" "$work/draft.bmp" --size 160x120 --threads 2 > /dev/null
"$cli" render "$work/demo.kel" "$work/production.bmp" --size 160x120 --quality production \
  --seed 7 --threads 2 > /dev/null
"$examples/build-demo-scene" "$cli" "$work/lit.kel" > /dev/null
"$cli" render "$work/lit.kel" "$work/lit.bmp" --size 160x120 --quality production \
  --seed 7 --threads 3 > /dev/null

cd "$work"
if [[ ${4:-} == --update ]]; then
  sha256sum demo.kel demo.obj demo.mtl draft.bmp production.bmp lit.kel lit.bmp > "$sums"
  exit 0
fi
sha256sum --check --strict "$sums"
