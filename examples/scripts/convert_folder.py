"""Converts every model file of a folder (3DS, OBJ, STL, PLY, glTF) to glTF binary (.glb).

    kelto-cli script examples/scripts/convert_folder.py IN_DIR OUT_DIR [--scale F] [--ext glb]

A file that cannot be read is reported and the others go on; the exit status is 1 when any
failed.
"""
import argparse
import os
import sys
import warnings

import kelto

MODEL_EXTENSIONS = {".3ds", ".obj", ".stl", ".ply", ".gltf", ".glb"}


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("source")
    parser.add_argument("target")
    parser.add_argument("--scale", type=float, default=1.0, help="multiplies every coordinate")
    parser.add_argument("--ext", default="glb", choices=["glb", "gltf", "obj", "stl"])
    args = parser.parse_args()
    os.makedirs(args.target, exist_ok=True)

    failed = 0
    for name in sorted(os.listdir(args.source)):
        stem, extension = os.path.splitext(name)
        if extension.lower() not in MODEL_EXTENSIONS:
            continue
        out = os.path.join(args.target, f"{stem}.{args.ext}")
        try:
            with kelto.new() as doc, warnings.catch_warnings(record=True) as caught:
                warnings.simplefilter("always", kelto.Warning)
                doc.import_file(os.path.join(args.source, name), scale=args.scale)
                doc.export(out)
            for warning in caught:
                print(f"{name}: {warning.message}", file=sys.stderr)
            print(f"{name} -> {out}")
        except kelto.Error as error:
            print(f"{name}: {error.message}", file=sys.stderr)
            failed += 1
    sys.exit(1 if failed else 0)


if __name__ == "__main__":
    main()
