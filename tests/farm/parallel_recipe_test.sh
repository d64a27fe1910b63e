#!/usr/bin/env bash
# The GNU parallel recipe end to end on this machine: a small scene cut into 7 uneven regions,
# rendered as parallel jobs, merged, and compared byte for byte with the whole render, in
# seeded Production and in Draft (as bands); a job that fails stops the recipe and nothing is
# written.
# usage: parallel_recipe_test.sh KELTO_CLI RECIPE
set -euo pipefail
cli=$1
recipe=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export KELTO_CLI=$cli

"$cli" build "$work/scene.kel" add:sphere@0,0 add:cube@2.5,0 add:cone@-2.5,0 \
  'material:Sphere1@reflect=0.5' 'material:Cone1@transparency=0.6;ior=1.5' \
  light:spot@1,6,2 light:point@-4,3,5 view:0,4,12@0,0.5,0@35 > /dev/null
size=(--size 61x45)

# Seven regions of unequal shapes: a band, a one-pixel strip, a column, tiles.
cat > "$work/regions" <<'REGIONS'
0,0,61,9
0,9,61,10
0,10,1,45
1,10,30,30
30,10,61,30
1,30,45,45
45,30,61,45
REGIONS
# This machine, two jobs at a time, named as a farm's machines are.
printf '2/:\n' > "$work/logins"

production=("${size[@]}" --quality production --seed 4)
"$cli" render "$work/scene.kel" "$work/whole.tif" "${production[@]}" > /dev/null
"$recipe" --sshloginfile "$work/logins" --regions "$work/regions" --keep-parts \
  "$work/scene.kel" "$work/merged.tif" "${production[@]}" --threads 1
cmp "$work/whole.tif" "$work/merged.tif"
[ "$(ls "$work/merged.tif.parts" | wc -l)" -eq 7 ]

"$cli" render "$work/scene.kel" "$work/whole.png" "${size[@]}" > /dev/null
"$recipe" -S : --tiles 7 "$work/scene.kel" "$work/merged.png" "${size[@]}"
cmp "$work/whole.png" "$work/merged.png"
[ ! -e "$work/merged.png.parts" ]

# A region outside the picture fails its job: the recipe fails and writes no picture.
printf '0,0,61,45\n0,45,61,46\n' > "$work/bad-regions"
if "$recipe" -S : --regions "$work/bad-regions" "$work/scene.kel" "$work/bad.png" \
  "${size[@]}" 2> "$work/bad.err"; then
  echo "the recipe succeeded with a region outside the picture" >&2
  exit 1
fi
grep -q 'lies outside the 61x45 picture' "$work/bad.err"
[ ! -e "$work/bad.png" ]
echo "parallel recipe: 7 production regions and 7 draft bands merged into the whole render"
