"""The Python module's speed: making 10 000 objects (one history step each, and in one batch),
reading every object's position in a scene of 10 000, and a render from Python against the
same render by `kelto-cli render`. Prints figures; asserts nothing about time.

    python3 bench/python_module_bench.py KELTO_CLI    (PYTHONPATH: the module's folder)
"""
import os
import statistics
import subprocess
import sys
import tempfile
import time

import kelto

COUNT = 10_000


def grid(doc, count):
    for i in range(count):
        doc.add("sphere", (i % 100 * 3.0, i // 100 * 3.0))


def timed(action, runs=3):
    times = []
    for _ in range(runs):
        start = time.perf_counter()
        action()
        times.append(time.perf_counter() - start)
    return statistics.median(times)


def main():
    cli = sys.argv[1]
    folder = tempfile.mkdtemp(prefix="kelto-python-bench-")

    def make_in_batch():
        with kelto.new() as doc, doc.batch("Grid"):
            grid(doc, COUNT)

    def make_step_by_step():
        with kelto.new() as doc:
            grid(doc, COUNT)

    print(f"create {COUNT} spheres in one batch: {timed(make_in_batch):.3f} s")
    print(f"create {COUNT} spheres, a step each: {timed(make_step_by_step, 1):.3f} s")

    doc = kelto.new()
    with doc.batch():
        grid(doc, COUNT)
    objects = doc.objects
    print(f"doc.objects of {COUNT}: {timed(lambda: doc.objects) * 1000:.1f} ms")
    print(f"every position of {COUNT}: "
          f"{timed(lambda: [o.position for o in objects]) * 1000:.1f} ms")

    scene = os.path.join(folder, "demo.kel")
    subprocess.run([os.path.join(os.path.dirname(__file__), "..", "examples", "build-demo-scene"),
                    cli, scene], check=True, stdout=subprocess.DEVNULL)
    options = ["--size", "640x480", "--quality", "production", "--seed", "1"]
    python_times, cli_times = [], []
    for _ in range(3):
        python_times.append(timed(lambda: kelto.open(scene).render(
            os.path.join(folder, "py.png"), size=(640, 480), quality="production", seed=1), 1))
        cli_times.append(timed(lambda: subprocess.run(
            [cli, "render", scene, os.path.join(folder, "cli.png"), *options], check=True,
            stdout=subprocess.DEVNULL), 1))
    print(f"640x480 production render of the demo: kelto.open + render "
          f"{statistics.median(python_times):.2f} s, kelto-cli render (the whole process) "
          f"{statistics.median(cli_times):.2f} s")


if __name__ == "__main__":
    main()
