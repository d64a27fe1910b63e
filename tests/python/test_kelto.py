"""The module kelto against kelto-cli: the same operations write the same files, the same
render gives the same picture, and failures carry the program's messages."""
import math
import os
import subprocess
import tempfile
import unittest
import warnings

import kelto

CLI = os.environ["KELTO_CLI"]


def cli(*args):
    subprocess.run([CLI, *args], check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def read(path):
    with open(path, "rb") as f:
        return f.read()


class Folder(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.TemporaryDirectory()
        self.addCleanup(self.dir.cleanup)

    def path(self, name):
        return os.path.join(self.dir.name, name)


class SameAsBuild(Folder):
    def make(self):
        doc = kelto.new()
        sphere = doc.add("sphere", (0, 0))
        cube = doc.add("cube", (3, -2))
        doc.add_light("spot", (0, 8, 0))
        sphere.material.set(colour=(1, 0.2, 0.2), reflect=0.5)
        cube.material = "gold"
        doc.add("torus", (-3, 1))
        doc.add_text("Kelto", (0, 0, 3), font="Liberation Sans", depth=0.3)
        doc.group([doc.find("Torus1"), doc.find("Text1")])
        doc.add("cone", (6, 0))
        doc.add("sphere", (6.5, 0))
        doc.trim(doc.find("Cone1"), doc.find("Sphere2"))
        doc.add("cylinder", (9, 9)).delete()
        doc.undo()
        doc.add_view((0, 5, 20), (0, 0, 0), lens=35)
        doc.set_lighting(soft_shadows=4, occlusion=(8, 1.5), environment=((0.9, 0.9, 1), (0.2, 0.3, 0.8)))
        return doc

    BUILD = ["add:sphere@0,0", "add:cube@3,-2", "light:spot@0,8,0",
             "material:Sphere1@colour=1/0.2/0.2;reflect=0.5", "material:Cube1@preset=gold",
             "add:torus@-3,1", "text:Kelto@0,0,3;font=Liberation Sans;depth=0.3;weight=400;italic=0",
             "select:Torus1,Text1", "group", "add:cone@6,0", "add:sphere@6.5,0",
             "select:Cone1,Sphere2", "trim", "add:cylinder@9,9", "delete", "undo",
             "view:0,5,20@0,0,0@35",
             "render:softshadows=4;ao=8,1.5;environment=0.9/0.9/1,0.2/0.3/0.8"]

    def test_scene_and_exports_are_the_build_commands_bytes(self):
        doc = self.make()
        doc.save(self.path("py.kel"))
        cli("build", self.path("cli.kel"), *self.BUILD)
        self.assertEqual(read(self.path("py.kel")), read(self.path("cli.kel")))
        os.mkdir(self.path("py"))
        os.mkdir(self.path("cli"))
        for name in ("a.glb", "a.stl", "a.obj", "a.mtl"):
            if not name.endswith(".mtl"):
                with warnings.catch_warnings(record=True):
                    doc.export(self.path("py/" + name))
                cli("export", self.path("cli.kel"), self.path("cli/" + name))
            self.assertEqual(read(self.path("py/" + name)), read(self.path("cli/" + name)), name)

    def test_render_is_kelto_cli_render_of_the_saved_scene(self):
        doc = self.make()
        doc.save(self.path("scene.kel"))
        for quality in ("draft", "production"):
            picture = doc.render(self.path("py.png"), size=(48, 36), quality=quality, seed=7,
                                 threads=2)
            cli("render", self.path("scene.kel"), self.path("cli.png"), "--size", "48x36",
                "--quality", quality, "--seed", "7", "--threads", "2")
            self.assertEqual(read(self.path("py.png")), read(self.path("cli.png")), quality)
            picture.save(self.path("again.bmp"))
            cli("render", self.path("scene.kel"), self.path("cli.bmp"), "--size", "48x36",
                "--quality", quality, "--seed", "7", "--view", "1")
            self.assertEqual(read(self.path("again.bmp")), read(self.path("cli.bmp")), quality)
        view = memoryview(picture)
        self.assertEqual((view.shape, view.format, view.readonly), ((36, 48, 3), "B", True))
        pixels = bytes(view)
        self.assertEqual(len(pixels), 48 * 36 * 3)
        for x, y in ((0, 0), (47, 0), (20, 30), (47, 35)):
            offset = (y * 48 + x) * 3
            self.assertEqual(tuple(pixels[offset:offset + 3]), tuple(picture.pixel(x, y)))
        self.assertTrue(any(pixels))
        # BMP rows are stored bottom-up after a 54-byte header, blue first.
        bmp = read(self.path("cli.bmp"))
        row = (48 * 3 + 3) // 4 * 4
        bottom = bmp[54:54 + 48 * 3]
        self.assertEqual(bottom[0:3][::-1], pixels[35 * 48 * 3:35 * 48 * 3 + 3])
        self.assertEqual(len(bmp), 54 + row * 36)


class Editing(Folder):
    def test_placement_fields_and_history(self):
        doc = kelto.new()
        ball = doc.add("sphere", (1, 2, 3))
        self.assertEqual(ball.position, (1, 2, 3))
        self.assertEqual(doc.undo_text, "Undo Insert Sphere1")
        ball.position = (4, 5, 6)
        ball.rotation = (10, 20, 30)
        ball.scale = (1, 2, 3)
        self.assertEqual(doc.undo_text, "Undo Scale Sphere1")
        for got, want in zip(ball.rotation, (10, 20, 30)):
            self.assertAlmostEqual(got, want, places=9)
        doc.undo()
        doc.undo()
        self.assertEqual((ball.position, ball.scale), ((4, 5, 6), (1, 1, 1)))
        doc.undo()
        self.assertEqual(ball.position, (1, 2, 3))
        doc.undo()
        self.assertFalse(ball.exists)
        doc.redo()
        self.assertEqual(ball.name, "Sphere1")  # the handle names it again

    def test_batches_are_one_step_and_names_are_reused(self):
        doc = kelto.new()
        with doc.batch("Row"):
            balls = [doc.add("sphere", (3 * i, 0)) for i in range(3)]
            self.assertRaises(kelto.Error, doc.undo)
        self.assertEqual((doc.undo_text, doc.selection), ("Undo Row", [balls[2]]))
        balls[1].delete()
        self.assertEqual(doc.add("sphere", (9, 9)).name, "Sphere2")
        with self.assertRaises(ZeroDivisionError):
            with doc.batch():
                doc.add("cube", (0, 5))
                1 / 0
        self.assertEqual(len(doc.objects), 3)
        doc.undo()
        doc.undo()
        doc.undo()
        self.assertEqual(doc.objects, [])

    def test_undoing_everything_and_redoing_it_gives_the_same_file(self):
        doc = kelto.new()
        kinds = ["sphere", "cube", "cone", "torus", "cylinder"]
        objects = [doc.add(kind, (2 * i, 0)) for i, kind in enumerate(kinds)]
        doc.group(objects[1:3])
        with doc.batch():
            extra = [doc.add("sphere", (0, 2 * i + 4)) for i in range(3)]
            doc.group([extra[0], objects[4]])
        doc.delete(objects[0], extra[2])
        doc.add("paraboloid", (9, 9))
        doc.save(self.path("a.kel"))
        steps = 0
        while doc.undo_text:
            doc.undo()
            steps += 1
        self.assertEqual((doc.objects, steps), ([], 9))
        for _ in range(steps):
            doc.redo()
        doc.save(self.path("b.kel"))
        self.assertEqual(read(self.path("a.kel")), read(self.path("b.kel")))

    def test_import_of_an_export_gives_the_objects_back(self):
        doc = kelto.new()
        doc.add("cube", (0, 0)).material.colour = (0.1, 0.6, 0.2)
        doc.add("sphere", (3, 0))
        doc.export(self.path("two.obj"))
        with kelto.new() as other:
            (top,) = other.import_file(self.path("two.obj"), scale=2)
            self.assertEqual(sorted(c.name for c in top.children), ["Cube1", "Sphere1"])
            cube = other.find("Cube1")
            self.assertEqual(cube.parent, top)
            self.assertAlmostEqual(cube.material.colour[1], 0.6, places=5)


class Failures(Folder):
    def test_messages_are_the_programs(self):
        doc = kelto.new()
        doc.add("sphere", (0, 0))
        cube = doc.add("cube", (5, 0))
        cases = [
            (lambda: setattr(cube, "name", "Sphere1"), 61504, "The name 'Sphere1' is taken"),
            (lambda: setattr(cube, "position", (math.nan, 0, 0)), 61600, "Position X takes a number"),
            (lambda: doc.add("sphere", (math.inf, 0)), 61600, "Position X takes a number"),
            (lambda: setattr(cube.material, "reflect", 2), -3, "'reflect' must be from 0 to 1"),
            (lambda: setattr(cube, "material", "velvet"), -3, "velvet"),
            (lambda: doc.add("pyramid", (0, 0)), -3, "unknown type 'pyramid'"),
            (lambda: doc.trim(doc.find("Sphere1"), cube), 61481, ""),
            (lambda: doc.set_lighting(soft_shadows=300), None, "Soft-shadow samples takes a number from 1 to 256"),
            (lambda: doc.render(self.path("a.gif")), 61465, "gif"),
            (lambda: kelto.new().redo(), -3, "nothing to redo"),
            (lambda: doc.render(size=(0, 5)), -3, "each 1 to 16384 pixels"),
            (lambda: doc.render(quality="best"), -3, "the quality is draft or production"),
            (kelto.active_document, -3, "File > Run Script..."),
        ]
        for action, number, text in cases:
            with self.assertRaises(kelto.Error) as caught:
                action()
            self.assertIn(text, caught.exception.message)
            if number is not None:
                self.assertEqual(caught.exception.number, number, text)
        with open(self.path("bad.kel"), "wb") as f:
            f.write(b"not a scene")
        with self.assertRaises(kelto.Error) as caught:
            kelto.open(self.path("bad.kel"))
        self.assertEqual(caught.exception.number, 61473)
        self.assertIn("bad.kel", str(caught.exception))

    def test_wrong_arguments_are_type_errors(self):
        doc = kelto.new()
        ball = doc.add("sphere", (0, 0))
        for action in (lambda: setattr(ball, "position", (1, 2)),
                       lambda: setattr(ball, "scale", "big"),
                       lambda: doc.add("sphere", (1, 2, 3, 4)),
                       lambda: doc.add("sphere"),
                       lambda: doc.group([ball, 3]),
                       lambda: doc.render(size=(10,))):
            self.assertRaises(TypeError, action)

    def test_objects_of_closed_documents_and_deleted_objects_raise(self):
        doc = kelto.new()
        ball = doc.add("sphere", (0, 0))
        light = doc.lights[0]
        material = ball.material
        del doc  # the object keeps its document alive
        self.assertEqual(ball.name, "Sphere1")
        other = kelto.new()
        self.assertRaises(kelto.Error, other.group, [ball, other.add("cube", (0, 0))])
        ball.delete()
        for action in (lambda: ball.position, lambda: material.colour, lambda: ball.delete()):
            with self.assertRaises(kelto.Error) as caught:
                action()
            self.assertEqual(caught.exception.number, 61505)
        with kelto.new() as doc:
            batch = doc.batch().__enter__()
            doc.add("cube", (0, 0))  # the document ends inside its open batch
        batch.__exit__(None, None, None)
        self.assertTrue(doc.closed)
        doc = kelto.open(self.save_scene())
        ball, light = doc.objects[0], doc.lights[0]
        doc.close()
        for action in (lambda: ball.position, lambda: light.position, lambda: doc.objects,
                       lambda: doc.render(size=(8, 8)), lambda: doc.save(self.path("x.kel"))):
            self.assertRaises(kelto.Error, action)
        self.assertEqual((repr(ball), ball.exists), ("<kelto.Object (gone)>", False))

    def save_scene(self):
        doc = kelto.new()
        doc.add("sphere", (0, 0))
        doc.save(self.path("one.kel"))
        return self.path("one.kel")

    def test_a_render_is_stopped_by_its_progress_callback(self):
        doc = kelto.open(self.save_scene())
        calls = []

        def stop(done, total):
            calls.append((done, total))
            return False

        def interrupt(done, total):
            raise KeyboardInterrupt

        big = dict(size=(1600, 1200), quality="production", seed=1, threads=1)
        with self.assertRaises(kelto.Error):
            doc.render(progress=stop, **big)
        self.assertEqual(len(calls), 1)
        self.assertLess(calls[0][0], calls[0][1])
        self.assertRaises(KeyboardInterrupt, doc.render, progress=interrupt, **big)
        done = []
        doc.render(size=(16, 12), progress=lambda d, t: done.append((d, t)))
        self.assertEqual(done[-1], (16 * 12, 16 * 12))


if __name__ == "__main__":
    unittest.main()
