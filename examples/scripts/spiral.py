"""A spiral of spheres in rainbow colours, saved as a scene and rendered.

    kelto-cli script examples/scripts/spiral.py [--count N] [--size WxH] [--out DIR]
"""
import argparse
import colorsys
import math
import os

import kelto


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--count", type=int, default=36, help="spheres (default 36)")
    parser.add_argument("--size", default="640x480", help="picture size WxH")
    parser.add_argument("--quality", default="production", choices=["draft", "production"])
    parser.add_argument("--out", default=".", help="folder for spiral.kel and spiral.png")
    args = parser.parse_args()
    width, height = (int(v) for v in args.size.split("x"))
    os.makedirs(args.out, exist_ok=True)

    with kelto.new() as doc:
        for i in range(args.count):
            turn = i / args.count
            angle = turn * 4 * math.pi
            radius = 2 + 6 * turn
            ball = doc.add("sphere", (radius * math.cos(angle), 1 + 4 * turn, radius * math.sin(angle)))
            ball.scale = (0.6, 0.6, 0.6)
            ball.material.set(colour=colorsys.hsv_to_rgb(turn, 0.85, 1.0), shininess=0.9, reflect=0.2)
        floor = doc.add("cube", (0, -0.05, 0))
        floor.scale = (12, 0.05, 12)
        floor.material = "marble"
        doc.add_light("area", (4, 14, 8))
        doc.add_view((0, 14, 24), (0, 2, 0), lens=35)
        doc.set_lighting(soft_shadows=8, environment=((0.9, 0.9, 1.0), (0.3, 0.5, 0.9)))
        scene = os.path.join(args.out, "spiral.kel")
        doc.save(scene)
        picture = doc.render(os.path.join(args.out, "spiral.png"), size=(width, height),
                             quality=args.quality, seed=1)
        print(f"{scene} and spiral.png ({picture.width}x{picture.height}) written")


if __name__ == "__main__":
    main()
