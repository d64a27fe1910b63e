// What a person sees in a modelling view: pixels read back from the view's framebuffer and
// compared with where the view's own camera puts the grid, the objects and the lights.
#include <GL/gl.h>

#include <QImage>
#include <QtTest>
#include <algorithm>
#include <cmath>

#include "interaction/decorations.h"
#include "view_rig.h"

using namespace kelto;
using namespace kelto::test;

namespace {

constexpr int kWidth = 320;
constexpr int kHeight = 240;

Material Coloured(float r, float g, float b) {
    Material m;
    m.colour = {r, g, b};
    return m;
}

QString Text(const Rgb& c) {
    return QString("%1,%2,%3").arg(c.r).arg(c.g).arg(c.b);
}

}  // namespace

class GlViewTest : public QObject {
    Q_OBJECT

  private slots:
    void GridLinesLieWhereTheCameraPutsThemAndStopShortOfTheOrigin() {
        ViewRig rig(kWidth, kHeight);
        Light light = rig.document.GetScene().Lights()[0];
        light.position = {-7, 6, -7};  // its icon off the grid lines looked at
        rig.document.SetLight(light.id, light);
        QVERIFY(rig.Ready());
        QVERIFY(rig.view->HasOpenGL());
        const QImage image = rig.Grab();
        auto grid = [](const Rgb& c) {
            return std::abs(c.r - 179) <= 3 && std::abs(c.g - 179) <= 3 && std::abs(c.b - 179) <= 3;
        };
        // Points on grid lines, and the middle of cells, where no line is.
        for (const Vec3& on : {Vec3{4, 0, 2.25}, Vec3{-2.5, 0, 1.25}, Vec3{1.25, 0, -3}})
            QVERIFY2(Near(image, rig.PixelOf(on), 1, grid), "no grid line where it should be");
        for (const Vec3& off : {Vec3{3.25, 0, 2.25}, Vec3{-1.75, 0, 1.25}})
            QVERIFY(IsBackground(At(image, rig.PixelOf(off))));
        // The line x = 0 stops half a unit short of the origin on the -z side, where no axis
        // arrow is; the z axis arrow is blue on the +z side, the x arrow red, the y arrow green.
        QVERIFY(!Near(image, rig.PixelOf({0, 0, -0.25}), 1, grid));
        QVERIFY(Near(image, rig.PixelOf({0, 0, -1.0}), 1, grid));
        QVERIFY(Near(image, rig.PixelOf({0, 0, 0.25}), 1,
                     [](const Rgb& c) { return c.b > 150 && c.r < 60 && c.g < 60; }));
        QVERIFY(Near(image, rig.PixelOf({0.25, 0, 0}), 1,
                     [](const Rgb& c) { return c.r > 150 && c.g < 60 && c.b < 60; }));
        QVERIFY(Near(image, rig.PixelOf({0, 0.25, 0}), 1,
                     [](const Rgb& c) { return c.g > 150 && c.r < 60 && c.b < 60; }));
        QVERIFY(IsBackground(At(image, {2, 2})));  // beyond the grid's edge
    }

    void ObjectsAreShadedInTheirColourAndSelectedOnesShowTheirHandles() {
        ViewRig rig(kWidth, kHeight);
        const NodeId sphere = rig.document.InsertObject(ObjectType::Sphere, {-2, 0, 0}, false);
        QVERIFY(rig.document.SetMaterial(sphere, Coloured(1, 0, 0)).ok());
        const NodeId cube = rig.document.InsertObject(ObjectType::Cube, {2, 0, 0}, false);
        QVERIFY(rig.Ready());
        QImage image = rig.Grab();
        // The sphere, lit, red where its centre is seen; background half a radius beyond it.
        const SceneNode& ball = *rig.document.Node(sphere);
        const Rgb seen = At(image, rig.PixelOf(WorldBoxCentre(ball)));
        QVERIFY2(seen.r > 100 && seen.r > 3 * std::max(seen.g, seen.b), qPrintable(Text(seen)));
        const Vec3 side = WorldBoxCentre(ball) - rig.view->Renderer().Camera().right * 1.5;
        QVERIFY(IsBackground(At(image, rig.PixelOf(side))));
        QCOMPARE(rig.view->Renderer().LastFrame().meshes, 2);
        // The selected cube's handles are drawn; once it is unselected they are gone.
        const SceneNode& box = *rig.document.Node(cube);
        auto yellow = [](const Rgb& c) { return c.r > c.b + 60 && c.g > c.b + 60; };
        auto handles_seen = [&](const QImage& picture) {
            int seen_handles = 0;
            for (int code : {0, 3, 13, 27})
                seen_handles += Near(
                    picture, rig.PixelOf(WorldPoint(box, HandleCentre(box.box, code))), 1, yellow);
            return seen_handles;
        };
        QVERIFY2(handles_seen(image) >= 3, "the handles of the selected cube are not drawn");
        rig.document.ClearSelection();
        QCOMPARE(handles_seen(rig.Grab()), 0);
        QCOMPARE(rig.view->Renderer().LastFrame().handle_sets, 0);
        // A group inside a group, selected on its own (as the Objects panel does), shows its
        // handles as a mesh inside one does.
        rig.document.SelectExactly(std::vector{sphere, cube}, {});
        const NodeId inner = rig.document.Group();
        const NodeId third = rig.document.InsertObject(ObjectType::Cone, {0, 0, 3}, false);
        rig.document.SelectExactly(std::vector{inner, third}, {});
        QVERIFY(rig.document.Group());
        rig.document.SelectExactly(std::vector{inner}, {});
        rig.Grab();
        QCOMPARE(rig.view->Renderer().LastFrame().handle_sets, 1);
    }

    void LightIconsAreDrawnInTheLightsColourWhereTheLightIs() {
        ViewRig rig(kWidth, kHeight);
        Light green = rig.document.GetScene().Lights()[0];
        green.diffuse = {0, 1, 0, 1};
        green.position = {-3, 2, 2};
        QVERIFY(rig.document.SetLight(green.id, green).ok());
        const LightId sphere_id = rig.document.InsertLight(LightKind::Sphere, {3, 2, 2});
        Light magenta = *rig.document.FindLight(sphere_id);
        magenta.diffuse = {1, 0, 1, 1};
        QVERIFY(rig.document.SetLight(sphere_id, magenta).ok());
        rig.document.ClearSelection();
        QVERIFY(rig.Ready());
        const QImage image = rig.Grab();
        const Rgb star = At(image, rig.PixelOf(green.position));
        QVERIFY2(star.g > 200 && star.r < 60 && star.b < 60, qPrintable(Text(star)));
        const Rgb ball = At(image, rig.PixelOf(magenta.position));
        QVERIFY(ball.r > 200 && ball.b > 200 && ball.g < 60);
        // Away from both icons, nothing of their colours.
        QVERIFY(!Near(image, rig.PixelOf({0, 2, 2}), 3,
                      [](const Rgb& c) { return c.g > 200 && c.r < 60; }));
    }

    // Scaled nodes need their normals renormalised, and only the first lights fit in GL's.
    void ScaledNodesAreNormalisedAndLightsBeyondTheMaximumAreOff() {
        ViewRig rig(kWidth, kHeight);
        const NodeId plain = rig.document.InsertObject(ObjectType::Sphere, {-3, 0, 0}, false);
        const NodeId wide = rig.document.InsertObject(ObjectType::Sphere, {3, 0, 0}, false);
        QVERIFY(rig.Ready());
        const CGLRenderer::FrameStats& frame = rig.view->Renderer().LastFrame();
        rig.Grab();
        QCOMPARE(frame.normalised_meshes, 0);
        rig.document.GrabNodeHandle(wide, 0, false);
        rig.document.DragScaleNode(wide, {2, 1, 1}, {});
        rig.document.EndDrag();
        rig.Grab();
        QCOMPARE(frame.normalised_meshes, 1);
        // A group of unscaled and scaled members, scaled as a whole: all are normalised.
        rig.document.SelectExactly(std::vector<NodeId>{plain, wide}, {});
        const NodeId group = rig.document.Group();
        QVERIFY(bool(group));
        rig.document.GrabNodeHandle(group, 3, false);
        rig.document.DragScaleNode(group, {1.5, 1.5, 1.5}, {});
        rig.document.EndDrag();
        rig.Grab();
        QCOMPARE(frame.normalised_meshes, 2);

        const int max = rig.view->Renderer().MaxLights();
        QVERIFY(max >= 8);
        for (int i = 0; i < max + 3; ++i)
            rig.document.InsertLight(LightKind::Point, {static_cast<double>(i), 3, 0});
        // The second light is switched off: the ones after it move up.
        Light off = rig.document.GetScene().Lights()[1];
        off.on = 0;
        QVERIFY(rig.document.SetLight(off.id, off).ok());
        rig.Grab();
        QCOMPARE(frame.lights_enabled, max);
        rig.view->makeCurrent();
        for (int i = 0; i < max; ++i)
            QVERIFY(glIsEnabled(static_cast<GLenum>(GL_LIGHT0 + i)));
        // GL_LIGHT1 holds the third light (x = 1), seen through the camera.
        GLfloat position[4];
        glGetLightfv(GL_LIGHT1, GL_POSITION, position);
        const Point4d expected = rig.view->Renderer().Camera().TransformPoint({1, 3, 0, 1});
        QVERIFY(std::hypot(position[0] - expected.x, position[2] - expected.z) < 1e-3);
        rig.view->doneCurrent();
    }

    void ADamagedStoredCameraLeavesAUsableOne() {
        DocumentCore document;
        ToolState tools;
        ViewEntry stored;
        stored.lens = 35;
        stored.eye = {10, 4, 10};
        stored.target = {1, 0, 1};
        stored.direction = stored.target - stored.eye;
        stored.direction.Normalise();
        CTalvorView view(document, tools, stored);
        QCOMPARE(view.CurrentView().lens, 35);
        QVERIFY((view.CurrentView().direction - stored.direction).Length() < 1e-12);
        ViewEntry broken;  // no lens, the eye on its target
        broken.lens = 0;
        view.SetStoredCamera(broken);
        QCOMPARE(view.CurrentView().lens, 50);
        QCOMPARE(view.CurrentView().eye, stored.eye);
    }
};

QTEST_MAIN(GlViewTest)
#include "gl_view_test.moc"
