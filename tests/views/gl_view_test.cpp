// What a person sees in a modelling view: pixels read back from the view's framebuffer and
// compared with where the view's own camera puts the grid, the objects and the lights.
#include <GL/gl.h>

#include <QImage>
#include <QtTest>
#include <algorithm>
#include <cmath>
#include <memory>

#include "document/document_core.h"
#include "interaction/decorations.h"
#include "interaction/tool_state.h"
#include "pixels.h"
#include "views/talvor_view.h"

using namespace kelto;
using namespace kelto::test;

namespace {

constexpr int kWidth = 320;
constexpr int kHeight = 240;
struct ViewRig {
    DocumentCore document;
    ToolState tools;
    std::unique_ptr<CTalvorView> view;

    ViewRig() {
        view = std::make_unique<CTalvorView>(document, tools, std::nullopt);
        view->resize(kWidth, kHeight);
        view->show();
    }
    bool Ready() { return QTest::qWaitForWindowExposed(view.get()); }
    QImage Grab() { return view->grabFramebuffer().convertToFormat(QImage::Format_RGB32); }
    WindowPoint Project(const Vec3& world) {
        WindowPoint p;
        if (!view->Renderer().ProjectToWindow(world, p)) {
            qWarning("point behind the eye");
        }
        return p;
    }
};

Vec3 WorldCentre(const SceneNode& node) {
    const Vec3f c{(node.box.min.x + node.box.max.x) / 2, (node.box.min.y + node.box.max.y) / 2,
                  (node.box.min.z + node.box.max.z) / 2};
    const Vec3f w = node.parent_from_node.TransformPoint(c);
    return {w.x, w.y, w.z};
}

Material Coloured(float r, float g, float b) {
    Material m;
    m.colour = {r, g, b};
    return m;
}

}  // namespace

class GlViewTest : public QObject {
    Q_OBJECT

  private slots:
    void GridLinesLieWhereTheCameraPutsThemAndStopShortOfTheOrigin() {
        ViewRig rig;
        rig.document.SetLight(rig.document.GetScene().Lights()[0].id, [&] {
            Light l = rig.document.GetScene().Lights()[0];
            l.position = {-7, 6, -7};  // its icon out of the way
            return l;
        }());
        QVERIFY(rig.Ready());
        QVERIFY(rig.view->HasOpenGL());
        const QImage image = rig.Grab();
        QCOMPARE(image.width(), kWidth);
        auto grid = [](const Rgb& c) {
            return std::abs(c.r - 179) <= 3 && std::abs(c.g - 179) <= 3 && std::abs(c.b - 179) <= 3;
        };
        // Points on grid lines, and the middle of cells, where no line is.
        for (const Vec3& on : {Vec3{4, 0, 2.25}, Vec3{-2.5, 0, 1.25}, Vec3{1.25, 0, -3}}) {
            QVERIFY2(Near(image, rig.Project(on), 1, grid), "no grid line where it should be");
        }
        for (const Vec3& off : {Vec3{3.25, 0, 2.25}, Vec3{-1.75, 0, 1.25}}) {
            QVERIFY(IsBackground(At(image, static_cast<int>(rig.Project(off).x),
                                    static_cast<int>(rig.Project(off).y))));
        }
        // The line x = 0 stops half a unit short of the origin on the -z side, where no axis
        // arrow is; the z axis arrow is blue on the +z side, the x arrow red.
        QVERIFY(!Near(image, rig.Project({0, 0, -0.25}), 1, grid));
        QVERIFY(Near(image, rig.Project({0, 0, -1.0}), 1, grid));
        QVERIFY(Near(image, rig.Project({0, 0, 0.25}), 1,
                     [](const Rgb& c) { return c.b > 150 && c.r < 60 && c.g < 60; }));
        QVERIFY(Near(image, rig.Project({0.25, 0, 0}), 1,
                     [](const Rgb& c) { return c.r > 150 && c.g < 60 && c.b < 60; }));
        QVERIFY(Near(image, rig.Project({0, 0.25, 0}), 1,
                     [](const Rgb& c) { return c.g > 150 && c.r < 60 && c.b < 60; }));
        // Beyond the grid's edge: background.
        QVERIFY(IsBackground(At(image, 2, 2)));
    }

    void RedSphereIsShadedAsLitAtItsCentreWithBackgroundBeyondItsSilhouette() {
        ViewRig rig;
        const NodeId id = rig.document.InsertObject(ObjectType::Sphere, {0, 0, 0}, false);
        QVERIFY(rig.document.SetMaterial(id, Coloured(1, 0, 0)).ok());
        rig.document.ClearSelection();
        QVERIFY(rig.Ready());
        const QImage image = rig.Grab();
        const SceneNode& node = *rig.document.Node(id);
        const Vec3 centre = WorldCentre(node);
        const WindowPoint c = rig.Project(centre);
        const Rgb seen = At(image, static_cast<int>(c.x), static_cast<int>(c.y));

        // The fixed-function lighting at the point facing the eye: the scene's ambient on the
        // material's ambient, and the point light's diffuse and highlight terms.
        const Material& m = node.material;
        const Light& light = rig.document.GetScene().Lights()[0];
        const Vec3 eye = rig.view->Renderer().Camera().eye;
        Vec3 n = eye - centre;
        n.Normalise();
        const double radius = (node.box.max.x - node.box.min.x) / 2.0;
        const Vec3 surface = centre + n * radius;
        Vec3 l = light.position - surface;
        l.Normalise();
        Vec3 v = eye - surface;
        v.Normalise();
        Vec3 h = l + v;
        h.Normalise();
        const double diffuse = std::max(0.0, Dot(n, l));
        const double highlight =
            diffuse > 0 ? std::pow(std::max(0.0, Dot(n, h)), m.shininess * 128) : 0;
        auto expect = [&](double colour, double ambient, double shine) {
            return std::min(1.0, 0.2 * ambient + diffuse * colour + highlight * shine) * 255.0;
        };
        const double r = expect(m.colour.r, m.ambient.r, m.highlight.r);
        const double g = expect(m.colour.g, m.ambient.g, m.highlight.g);
        const double b = expect(m.colour.b, m.ambient.b, m.highlight.b);
        QVERIFY2(
            std::abs(seen.r - r) < 20 && std::abs(seen.g - g) < 20 && std::abs(seen.b - b) < 20,
            qPrintable(QString("seen %1,%2,%3 expected %4,%5,%6")
                           .arg(seen.r)
                           .arg(seen.g)
                           .arg(seen.b)
                           .arg(r)
                           .arg(g)
                           .arg(b)));
        QVERIFY(seen.r > 3 * std::max(seen.g, seen.b));
        // Half a radius beyond the silhouette, to the side: the background.
        const Vec3 side = centre + rig.view->Renderer().Camera().right * (radius * 1.5);
        const WindowPoint s = rig.Project(side);
        QVERIFY(IsBackground(At(image, static_cast<int>(s.x), static_cast<int>(s.y))));
        QCOMPARE(rig.view->Renderer().LastFrame().meshes, 1);
        QCOMPARE(rig.view->Renderer().LastFrame().triangles,
                 static_cast<long long>(node.display_mesh.TriangleCount()));
    }

    void SelectedNodeShowsItsHandlesAndAnUnselectedOneDoesNot() {
        ViewRig rig;
        const NodeId id = rig.document.InsertObject(ObjectType::Cube, {0, 0, 0}, false);
        QVERIFY(rig.Ready());
        const SceneNode& node = *rig.document.Node(id);
        auto handle_at = [&](int code) {
            const Vec3f h = node.parent_from_node.TransformPoint(HandleCentre(node.box, code));
            return rig.Project({h.x, h.y, h.z});
        };
        auto yellow = [](const Rgb& c) { return c.r > c.b + 60 && c.g > c.b + 60; };
        QImage image = rig.Grab();
        int seen = 0;
        for (int code : {0, 3, 13, 27}) {
            seen += Near(image, handle_at(code), 1, yellow) ? 1 : 0;
        }
        QVERIFY2(seen >= 3, "the handles of the selected cube are not drawn");
        rig.document.ClearSelection();
        image = rig.Grab();
        for (int code : {0, 3, 13, 27}) {
            QVERIFY(!Near(image, handle_at(code), 1, yellow));
        }
    }

    void LightIconsAreDrawnInTheLightsColourWhereTheLightIs() {
        ViewRig rig;
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
        const Rgb star = At(image, static_cast<int>(rig.Project(green.position).x),
                            static_cast<int>(rig.Project(green.position).y));
        QVERIFY2(star.g > 200 && star.r < 60 && star.b < 60,
                 qPrintable(QString("%1,%2,%3").arg(star.r).arg(star.g).arg(star.b)));
        const Rgb ball = At(image, static_cast<int>(rig.Project(magenta.position).x),
                            static_cast<int>(rig.Project(magenta.position).y));
        QVERIFY(ball.r > 200 && ball.b > 200 && ball.g < 60);
        // Away from both icons, nothing of their colours.
        QVERIFY(!Near(image, rig.Project({0, 2, 2}), 3,
                      [](const Rgb& c) { return c.g > 200 && c.r < 60; }));
    }

    void NormaliseIsOnOnlyForScaledNodes() {
        ViewRig rig;
        const NodeId plain = rig.document.InsertObject(ObjectType::Sphere, {-3, 0, 0}, false);
        const NodeId wide = rig.document.InsertObject(ObjectType::Sphere, {3, 0, 0}, false);
        QVERIFY(rig.Ready());
        rig.Grab();
        QCOMPARE(rig.view->Renderer().LastFrame().meshes, 2);
        QCOMPARE(rig.view->Renderer().LastFrame().normalised_meshes, 0);
        rig.document.GrabNodeHandle(wide, 0, false);
        rig.document.DragScaleNode(wide, {2, 1, 1}, {});
        rig.document.EndDrag();
        QCOMPARE(rig.document.Node(wide)->scale.x, 2.0);
        rig.Grab();
        QCOMPARE(rig.view->Renderer().LastFrame().normalised_meshes, 1);
        // A group whose members are unscaled, scaled as a whole: its members are normalised.
        rig.document.SelectExactly(std::vector<NodeId>{plain, wide}, {});
        const NodeId group = rig.document.Group();
        QVERIFY(bool(group));
        rig.Grab();
        QCOMPARE(rig.view->Renderer().LastFrame().meshes, 2);
        QCOMPARE(rig.view->Renderer().LastFrame().normalised_meshes, 1);
        rig.document.GrabNodeHandle(group, 3, false);
        rig.document.DragScaleNode(group, {1.5, 1.5, 1.5}, {});
        rig.document.EndDrag();
        rig.Grab();
        QCOMPARE(rig.view->Renderer().LastFrame().normalised_meshes, 2);
    }

    void OnlyTheFirstLightsUpToTheMaximumAreUsedAndTheRestAreOff() {
        ViewRig rig;
        QVERIFY(rig.Ready());
        rig.Grab();
        const int max = rig.view->Renderer().MaxLights();
        QVERIFY(max >= 8);
        QCOMPARE(rig.view->Renderer().LastFrame().lights_enabled, 1);
        rig.view->makeCurrent();
        QVERIFY(glIsEnabled(GL_LIGHT0));
        for (int i = 1; i < max; ++i) {
            QVERIFY(!glIsEnabled(static_cast<GLenum>(GL_LIGHT0 + i)));
        }
        rig.view->doneCurrent();
        for (int i = 0; i < max + 3; ++i) {
            rig.document.InsertLight(LightKind::Point, {static_cast<double>(i), 3, 0});
        }
        // The second light is switched off: the ones after it move up.
        Light off = rig.document.GetScene().Lights()[1];
        off.on = 0;
        QVERIFY(rig.document.SetLight(off.id, off).ok());
        rig.Grab();
        QCOMPARE(rig.view->Renderer().LastFrame().lights_enabled, max);
        rig.view->makeCurrent();
        for (int i = 0; i < max; ++i) {
            QVERIFY(glIsEnabled(static_cast<GLenum>(GL_LIGHT0 + i)));
        }
        // GL_LIGHT1 holds the third light (x = 1), seen through the camera.
        GLfloat position[4];
        glGetLightfv(GL_LIGHT1, GL_POSITION, position);
        const Point4d expected = rig.view->Renderer().Camera().TransformPoint({1, 3, 0, 1});
        QVERIFY(std::abs(position[0] - expected.x) < 1e-3);
        QVERIFY(std::abs(position[2] - expected.z) < 1e-3);
        rig.view->doneCurrent();
    }

    void ImageMaterialShowsItsTextureOnWhite() {
        ViewRig rig;
        const NodeId id = rig.document.InsertObject(ObjectType::Cube, {0, 0, 0}, false);
        rig.document.ClearSelection();
        TextureImage picture = TextureImage::Blank(4, 4, 3);
        for (RgbRow& row : picture.rgb_rows) {
            std::fill(row.green.begin(), row.green.end(), std::uint8_t{255});
        }
        Material m = Coloured(1, 0, 0);  // the colour does not show through an image
        m.colour_source = 1;
        m.colour_image = SharedImage(picture);  // no 64 x 64 reduction yet: the view makes one
        QVERIFY(rig.document.SetMaterial(id, m).ok());
        QVERIFY(rig.Ready());
        const QImage image = rig.Grab();
        QCOMPARE(rig.view->Renderer().LastFrame().textured_meshes, 1);
        const WindowPoint c = rig.Project(WorldCentre(*rig.document.Node(id)));
        const Rgb seen = At(image, static_cast<int>(c.x), static_cast<int>(c.y));
        QVERIFY2(seen.g > 60 && seen.r < seen.g / 2 + 30,
                 qPrintable(QString("%1,%2,%3").arg(seen.r).arg(seen.g).arg(seen.b)));
        // A picture without pixels is drawn in the material's colour.
        Material empty = m;
        empty.colour_image = SharedImage(TextureImage{});
        QVERIFY(rig.document.SetMaterial(id, empty).ok());
        rig.Grab();
        QCOMPARE(rig.view->Renderer().LastFrame().textured_meshes, 0);
    }

    void TinyWindowDrawsNothingAndTheSameSizeKeepsTheProjection() {
        ViewRig rig;
        rig.document.InsertObject(ObjectType::Sphere, {0, 0, 0}, false);
        QVERIFY(rig.Ready());
        rig.Grab();
        const Matrix4 projection = rig.view->Renderer().Camera().clip_from_view;
        rig.view->OnSize(kWidth, kHeight);
        QCOMPARE(rig.view->Renderer().Camera().clip_from_view, projection);
        rig.view->OnSize(10, 200);
        QVERIFY(!rig.view->SizeValid());
        QCOMPARE(rig.view->Renderer().Camera().clip_from_view, projection);
        rig.view->makeCurrent();
        rig.view->OnDraw();
        rig.view->doneCurrent();
        QCOMPARE(rig.view->Renderer().LastFrame().meshes, 0);
        rig.view->OnSize(kWidth, kHeight);
        QVERIFY(rig.view->SizeValid());
    }

    void StoredCameraIsWhatTheViewLooksThrough() {
        DocumentCore document;
        ToolState tools;
        ViewEntry stored;
        stored.lens = 35;
        stored.eye = {10, 4, 10};
        stored.target = {1, 0, 1};
        stored.direction = stored.target - stored.eye;
        stored.direction.Normalise();
        CTalvorView view(document, tools, stored);
        const ViewEntry back = view.CurrentView();
        QCOMPARE(back.lens, 35);
        QCOMPARE(back.eye, stored.eye);
        QCOMPARE(back.target, stored.target);
        QVERIFY((back.direction - stored.direction).Length() < 1e-12);
        // A damaged entry (no lens, eye on the target) leaves a usable camera.
        ViewEntry broken;
        broken.lens = 0;
        view.SetStoredCamera(broken);
        QCOMPARE(view.CurrentView().lens, 50);
        QCOMPARE(view.CurrentView().eye, stored.eye);
    }
};

QTEST_MAIN(GlViewTest)
#include "gl_view_test.moc"
