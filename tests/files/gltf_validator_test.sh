#!/usr/bin/env bash
# Every glTF export passes the Khronos glTF Validator without an error or a warning: the demo
# scene, a made scene (every primitive, a group, a Trim, text, lights, cameras, picture and
# bump materials, a squashed and a turned object) and a random one, as .glb and as .gltf, whole
# and selected.
# Skipped (exit 77) where Node.js or the validator (scripts/install-deps) is missing.
# usage: gltf_validator_test.sh KELTO_CLI EXAMPLES_DIR VALIDATOR_MODULE_DIR VALIDATE_SCRIPT
set -euo pipefail
cli=$(realpath "$1")
examples=$(realpath "$2")
validator=$3
script=$4
if ! command -v node > /dev/null || [[ ! -d $validator ]]; then
  echo "skipped: Node.js or the glTF validator is missing (scripts/install-deps installs them)"
  exit 77
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$examples/build-demo-scene" "$cli" "$work/demo.kel" > /dev/null
"$cli" build "$work/made.kel" \
  add:sphere@0,0 add:torus@3,0 add:cube@6,0 add:cone@9,0 add:cylinder@0,3 add:paraboloid@3,3 \
  add:hyperboloid@6,3 add:superquadric@9,3 \
  select:Sphere1,Torus1 group \
  add:cube@0,8 add:sphere@0,8 move:Sphere2@0.8,0.8,0.8 select:Cube2,Sphere2 trim \
  "text:Kelto@-4,0,10;font=DejaVu Sans;depth=0.5" \
  "material:Cube1@image=$examples/floor-tiles.png;shininess=0.9;reflect=0.4" \
  "material:Cone1@bump=$examples/wall-bricks.png;bumpmag=0.5" \
  "material:Cylinder1@image=$examples/wall-bricks.png;bump=colour" \
  "material:Paraboloid1@transparency=0.8;ior=1.5;glow=1/0.5/0;glowstrength=3" \
  scale:Superquadric1@3,0.2,1 rotate:Hyperboloid1@30,45,0 \
  light:spot@0,10,0 "lightset:Light2@aim=0/-1/0;angle=40" light:point@5,5,5 light:area@0,6,6 \
  view:0,5,20@0,0,0@35 view:10,10,10@0,1,0 view:0,30,0@0,0,0 \
  select:Group1,Cone1 > /dev/null

# A scene of random objects, placements and materials, the same every run.
RANDOM=31
types=(sphere torus cube cone cylinder paraboloid hyperboloid superquadric)
random_ops=()
fraction() { printf '0.%02d' $((RANDOM % 100)); }
for i in $(seq 1 12); do
  type=${types[$((RANDOM % 8))]}
  random_ops+=("add:$type@$((RANDOM % 20 - 10)),$((RANDOM % 20 - 10))")
done
"$cli" build "$work/random.kel" "${random_ops[@]}" > /dev/null
names=$("$cli" info "$work/random.kel" | awk '$1 == "node" { sub(/^name=/, "", $4); print $4 }')
random_ops=()
for name in $names; do
  random_ops+=("scale:$name@1.$((RANDOM % 9)),0.$((RANDOM % 9 + 1)),$((RANDOM % 3 + 1))"
    "rotate:$name@$((RANDOM % 360)),$((RANDOM % 360)),$((RANDOM % 360))"
    "material:$name@colour=$(fraction)/$(fraction)/$(fraction);shininess=$(fraction);reflect=$(fraction);transparency=$(fraction);glow=$(fraction)/0/$(fraction);glowstrength=$((RANDOM % 4))")
done
"$cli" build "$work/random.kel" --from "$work/random.kel" "${random_ops[@]}" > /dev/null

files=()
for scene in demo made random; do
  for format in glb gltf; do
    "$cli" export "$work/$scene.kel" "$work/$scene.$format" > /dev/null
    "$cli" export "$work/$scene.kel" "$work/$scene-selected.$format" --selection > /dev/null
    files+=("$work/$scene.$format" "$work/$scene-selected.$format")
  done
done
node "$script" "$validator" "${files[@]}" | grep -v ': info \|: hint '
