"""Every ready material of the library on a sphere, side by side, in one picture.

    kelto-cli script examples/scripts/material_sheet.py [--size WxH] [--out FILE] [--labels]
"""
import argparse
import math

import kelto


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--size", default="1280x960", help="picture size WxH")
    parser.add_argument("--quality", default="production", choices=["draft", "production"])
    parser.add_argument("--out", default="materials.png", help="the picture to write")
    parser.add_argument("--labels", action="store_true", help="the names in 3D text")
    args = parser.parse_args()
    width, height = (int(v) for v in args.size.split("x"))

    names = kelto.materials()
    columns = math.ceil(math.sqrt(len(names) * width / height))
    rows = math.ceil(len(names) / columns)
    spacing = 3.0
    with kelto.new() as doc:
        for i, name in enumerate(names):
            x = (i % columns - (columns - 1) / 2) * spacing
            z = (i // columns - (rows - 1) / 2) * spacing
            ball = doc.add("sphere", (x, z))
            ball.name = name[:24]
            ball.material = name
            if args.labels:
                label = doc.add_text(name, (x - 1.2, 0, z + 1.3), font="DejaVu Sans", depth=0.05)
                label.scale = (0.2, 0.2, 0.2)
        floor = doc.add("cube", (0, -0.05, 0))
        floor.scale = (columns * spacing, 0.05, rows * spacing)
        floor.material.set(colour=(0.8, 0.8, 0.8), shininess=0.1)
        doc.add_light("area", (-6, 16, 12))
        doc.add_light("point", (8, 10, -6)).intensity = 0.5
        doc.add_view((0, rows * spacing * 1.6, rows * spacing * 1.4), (0, 0, 0), lens=35)
        doc.set_lighting(environment=((0.8, 0.85, 0.9), (0.4, 0.55, 0.85)))
        doc.render(args.out, size=(width, height), quality=args.quality, seed=1)
    print(f"{len(names)} materials in {columns}x{rows} written to {args.out}")


if __name__ == "__main__":
    main()
