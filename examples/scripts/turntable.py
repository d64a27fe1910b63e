"""A turntable: the scene seen from a camera going once round it, one picture per frame.

    kelto-cli script examples/scripts/turntable.py SCENE.kel [--frames 72] [--size WxH]
        [--out DIR] [--frame K]

Frames are written as DIR/frame_0000.png, ... Each frame is a render of its own, so a farm can
run one per job with --frame K (see the README's "Rendering on a farm"). Without SCENE.kel a
small still life is made.
"""
import argparse
import math
import os

import kelto


def still_life():
    doc = kelto.new()
    doc.add("torus", (-2, 0)).material = "gold"
    doc.add("cone", (2, -1)).material = "red-plastic"
    doc.add("sphere", (0, 2)).material = "chrome"
    floor = doc.add("cube", (0, -0.05, 0))
    floor.scale = (8, 0.05, 8)
    floor.material = "marble"
    doc.add_light("area", (3, 10, 6))
    return doc


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("scene", nargs="?", help="the scene file (default: a still life)")
    parser.add_argument("--frames", type=int, default=72)
    parser.add_argument("--frame", type=int, help="render this frame alone (from 0)")
    parser.add_argument("--size", default="640x480", help="picture size WxH")
    parser.add_argument("--quality", default="draft", choices=["draft", "production"])
    parser.add_argument("--distance", type=float, default=16.0, help="camera distance")
    parser.add_argument("--height", type=float, default=6.0, help="camera height")
    parser.add_argument("--out", default="turntable", help="folder for the frames")
    args = parser.parse_args()
    width, height = (int(v) for v in args.size.split("x"))
    os.makedirs(args.out, exist_ok=True)

    doc = kelto.open(args.scene) if args.scene else still_life()
    frames = [args.frame] if args.frame is not None else range(args.frames)
    for k in frames:
        angle = 2 * math.pi * k / args.frames
        eye = (args.distance * math.sin(angle), args.height, args.distance * math.cos(angle))
        doc.add_view(eye, (0, 1, 0), lens=35)
        path = os.path.join(args.out, f"frame_{k:04d}.png")
        doc.render(path, size=(width, height), quality=args.quality, seed=k,
                   view=len(doc.views))
        print(path)
    doc.close()


if __name__ == "__main__":
    main()
