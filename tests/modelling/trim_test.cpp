// Trim: solid-geometry truths about the cut surfaces, the command's bookkeeping, files.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "document/command_rules.h"
#include "document/document_core.h"
#include "model/child_list.h"
#include "modelling/trim_kernel.h"

namespace kelto {
namespace {

// Signed volume enclosed by a node's display mesh in the world, by the divergence theorem,
// measured from `origin`. For a closed surface it does not depend on the origin.
double Volume(const SceneNode& node, const Matrix4& parent, const Vec3& origin = {}) {
    Matrix4 m = parent;
    m.Multiply(node.ComposeParentFromNode());
    double v = 0;
    const Mesh& mesh = node.display_mesh;
    for (std::size_t t = 0; t + 2 < mesh.indices.size(); t += 3) {
        Vec3 p[3];
        for (int k = 0; k < 3; ++k) {
            const Vec3f w = m.TransformPoint(mesh.vertices[mesh.indices[t + k]].Position());
            p[k] = Vec3{w.x, w.y, w.z} - origin;
        }
        v += Dot(p[0], Cross(p[1], p[2])) / 6.0;
    }
    return v;
}

struct TrimmedPair {
    DocumentCore doc;
    const SceneNode* trimmed = nullptr;
    const SceneNode* cutter = nullptr;
    const SceneNode* trim = nullptr;
    double before = 0;
    Status status;

    // The result's volume measured from an origin: trimmed part plus cutter part.
    double After(const Vec3& origin = {}) const {
        const Matrix4 parent = trim->ComposeParentFromNode();
        return Volume(*trimmed, parent, origin) + Volume(*cutter, parent, origin);
    }
};

// `trimmed` is inserted first, `cutter` second (the newer one cuts); `command` is Trim,
// Combine or Intersect.
void Make(TrimmedPair& pair, ObjectType trimmed, Vec3 at, ObjectType cutter, Vec3 cutter_at,
          Vec3 cutter_scale = {1, 1, 1},
          Result<NodeId> (DocumentCore::*command)() = &DocumentCore::Trim) {
    pair.trimmed = pair.doc.Node(pair.doc.InsertObject(trimmed, at, false));
    const NodeId cutter_id = pair.doc.InsertObject(cutter, cutter_at, true);
    pair.doc.DragScaleNode(cutter_id, cutter_scale, {});
    pair.doc.EndDrag();
    pair.cutter = pair.doc.Node(cutter_id);
    pair.before = Volume(*pair.trimmed, Matrix4{});
    const Result<NodeId> trim = (pair.doc.*command)();
    pair.status = trim.status();
    pair.trim = trim.ok() ? pair.doc.Node(*trim) : nullptr;
}

constexpr auto kTrim = &DocumentCore::Trim;
constexpr auto kCombine = &DocumentCore::Combine;
constexpr auto kIntersect = &DocumentCore::Intersect;

// Volumes of the results, measured from two origins (a closed surface gives the same from
// both). Cube A spans [-1,1] x [0,2] x [-1,1]; unit spheres and cubes placed against it.
TEST(BooleanVolumes, ResultsEncloseTheExpectedVolume) {
    const double ball = 4 * M_PI / 3;
    const double cap = M_PI * 0.8 * 0.8 * (3 - 0.8) / 3;  // of height 0.8
    const double lens = M_PI * 5.0 / 12.0;                // between unit spheres one radius apart
    struct Case {
        ObjectType trimmed;
        ObjectType cutter;
        Vec3 cutter_at;
        Vec3 cutter_scale;
        Result<NodeId> (DocumentCore::*command)();
        double volume;
        double tolerance;
    };
    const Case cases[] = {
        {ObjectType::Cube, ObjectType::Cube, {1, 1, 1}, {1, 1, 1}, kTrim, 7, 1e-5},
        // Cubes sharing four face planes: each shared face is kept once.
        {ObjectType::Cube, ObjectType::Cube, {1, 0, 0}, {1, 1, 1}, kTrim, 4, 1e-5},
        // A small cutter wholly inside leaves a cavity.
        {ObjectType::Cube, ObjectType::Cube, {0, 0, 0}, {0.25, 0.25, 0.25}, kTrim, 7.875, 1e-5},
        {ObjectType::Cube, ObjectType::Cube, {1, 1, 1}, {1, 1, 1}, kCombine, 15, 1e-5},
        {ObjectType::Cube, ObjectType::Cube, {1, 1, 1}, {1, 1, 1}, kIntersect, 1, 1e-5},
        {ObjectType::Cube, ObjectType::Cube, {1, 0, 0}, {1, 1, 1}, kCombine, 12, 1e-5},
        {ObjectType::Cube, ObjectType::Cube, {1, 0, 0}, {1, 1, 1}, kIntersect, 4, 1e-5},
        // A cube covering the sphere from x = 0.2 on; a sphere centred on an edge of the cube.
        {ObjectType::Sphere, ObjectType::Cube, {1.2, 0, 0}, {1, 1.5, 1.5}, kTrim, ball - cap, 0.13},
        {ObjectType::Cube, ObjectType::Sphere, {1, 0, 1}, {1, 1, 1}, kTrim, 8 - ball / 4, 0.24},
        {ObjectType::Sphere,
         ObjectType::Sphere,
         {1, 0, 0},
         {1, 1, 1},
         kCombine,
         2 * ball - lens,
         0.22},
        {ObjectType::Sphere, ObjectType::Sphere, {1, 0, 0}, {1, 1, 1}, kIntersect, lens, 0.04},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(NameBase(c.cutter)) + " at " + std::to_string(c.cutter_at.x) +
                     " volume " + std::to_string(c.volume));
        TrimmedPair p;
        Make(p, c.trimmed, {0, 0, 0}, c.cutter, c.cutter_at, c.cutter_scale, c.command);
        ASSERT_TRUE(p.status.ok()) << p.status.text;
        // A sphere's mesh holds a little less than the true sphere.
        const double share = c.trimmed == ObjectType::Sphere ? p.before / ball : 1.0;
        EXPECT_NEAR(p.After(), c.volume * share, c.tolerance);
        EXPECT_NEAR(p.After({5, -3, 2}), c.volume * share, c.tolerance);
    }
}

TEST(TrimSurface, CutVerticesLieOnTheSphereWithItsNormals) {
    TrimmedPair p;
    Make(p, ObjectType::Sphere, {0, 0, 0}, ObjectType::Cube, {1.2, 0, 0}, {1, 1.5, 1.5});
    ASSERT_TRUE(p.status.ok());
    // In the sphere's own coordinates every vertex is on the unit sphere, normals radial;
    // and nothing of it is left beyond the cutter's face at x = 0.2 (world), but for the
    // chord error of putting cut vertices back on the curved surface.
    const Matrix4 world = [&] {
        Matrix4 m = p.trim->ComposeParentFromNode();
        m.Multiply(p.trimmed->ComposeParentFromNode());
        return m;
    }();
    for (const DisplayVertex& v : p.trimmed->display_mesh.vertices) {
        EXPECT_NEAR(Vec3(v.x, v.y, v.z).Length(), 1.0, 1e-5);
        EXPECT_GT(v.nx * v.x + v.ny * v.y + v.nz * v.z, 0.9f);
        EXPECT_LE(world.TransformPoint(v.Position()).x, 0.2f + 0.02f);
    }
    // A corner at a pole, where the surface's derivatives are parallel, has no surface normal
    // of its own; the fragment gives it its face normal.
    const DisplayVertex pole = SurfaceCorner(*p.trimmed, {0, 0, 1}, 0.0, 0.3, {0, 0, 0});
    EXPECT_EQ(pole.normal_valid, 0.0f);
    EXPECT_NEAR(pole.z, 1.0f, 1e-6f);
}

// A small cutter wholly inside: an inner cavity, the cutter turned inside out.
TEST(TrimCommand, ACutterInsideMakesACavity) {
    TrimmedPair p;
    Make(p, ObjectType::Cube, {0, 0, 0}, ObjectType::Cube, {0, 0, 0}, {0.25, 0.25, 0.25});
    ASSERT_TRUE(p.status.ok());
    EXPECT_EQ(p.cutter->display_mesh.TriangleCount(), 12u);
    for (const DisplayVertex& v : p.cutter->display_mesh.vertices) {
        // Normals point into the cavity: towards the cube's centre.
        EXPECT_LT(v.nx * v.x + v.ny * v.y + v.nz * v.z, 0.0f);
    }
}

TEST(TrimCommand, CoplanarFacesVanishFromBothResults) {
    // Cube B is cube A moved by 1 along x: they share the planes y = 0, y = 2, z = +-1.
    TrimmedPair p;
    Make(p, ObjectType::Cube, {0, 0, 0}, ObjectType::Cube, {1, 0, 0});
    ASSERT_TRUE(p.status.ok());
    const Matrix4 parent = p.trim->ComposeParentFromNode();
    for (const SceneNode* n : {p.trimmed, p.cutter}) {
        Matrix4 m = parent;
        m.Multiply(n->ComposeParentFromNode());
        const Mesh& mesh = n->display_mesh;
        for (std::size_t t = 0; t < mesh.indices.size(); t += 3) {
            // No kept triangle lies on a shared plane over the overlap x in [0, 1].
            float max_x = -10;
            bool on_shared_plane = true;
            for (int k = 0; k < 3; ++k) {
                const Vec3f w = m.TransformPoint(mesh.vertices[mesh.indices[t + k]].Position());
                max_x = std::max(max_x, w.x);
                on_shared_plane = on_shared_plane && std::fabs(std::fabs(w.z) - 1) < 1e-5f;
            }
            EXPECT_FALSE(on_shared_plane && max_x > 1e-4f) << n->name;
        }
    }
}

TEST(TrimCommand, TrimNodeSitsAtTheCentreAndNothingMoves) {
    DocumentCore doc;
    const SceneNode* a = doc.Node(doc.InsertObject(ObjectType::Torus, {0, 0, 0}, false));
    const NodeId b_id = doc.InsertObject(ObjectType::Cylinder, {0.8, 0, 0}, true);
    doc.DragScaleNode(b_id, {0.4, 0.4, 1}, {});
    doc.EndDrag();
    const SceneNode* b = doc.Node(b_id);
    const Matrix4 a_before = a->ComposeParentFromNode();
    const Matrix4 b_before = b->ComposeParentFromNode();
    EXPECT_TRUE(TrimCommandState(doc).enabled);
    const Result<NodeId> trimmed = doc.Trim();
    ASSERT_TRUE(trimmed.ok());
    const SceneNode* trim = doc.Node(*trimmed);
    ASSERT_NE(trim, nullptr);
    EXPECT_EQ(trim->name, "Trim1");
    EXPECT_EQ(trim->type, ObjectType::Trim);
    EXPECT_EQ(trim->group_flag, 0);
    EXPECT_EQ(ChildCount(doc.GetScene().Root()), 1u);
    EXPECT_EQ(ChildCount(*trim), 2u);
    for (auto [node, before] : {std::pair{a, a_before}, {b, b_before}}) {
        Matrix4 world = trim->ComposeParentFromNode();
        world.Multiply(node->ComposeParentFromNode());
        for (int i = 0; i < 16; ++i)
            EXPECT_NEAR(world[i], before[i], 1e-9);
    }
    EXPECT_NEAR(trim->box.min.x + trim->box.max.x, 0.0f, 1e-5f);
    const CommandState state = TrimCommandState(doc);
    EXPECT_TRUE(state.enabled && state.checked);
    // With the one Trim object selected the command does nothing.
    EXPECT_TRUE(doc.Trim().ok());
    EXPECT_EQ(ChildCount(doc.GetScene().Root()), 1u);
}

TEST(TrimCommand, SameOperandsGiveTheSameMeshesEveryTime) {
    // Built three times, with other users of the C library's generator in between: the trees'
    // splitting planes come from the operands, so the files are byte for byte the same.
    std::vector<std::vector<std::uint8_t>> files;
    for (unsigned run = 0; run < 3; ++run) {
        std::srand(run * 7919 + 1);
        for (unsigned k = 0; k < run; ++k)
            (void)std::rand();
        DocumentCore doc;
        doc.InsertObject(ObjectType::Sphere, {0, 0, 0}, false);
        const NodeId cutter = doc.InsertObject(ObjectType::Cube, {0.8, 0, 0.3}, true);
        doc.DragScaleNode(cutter, {0.8, 1.5, 0.8}, {});
        doc.EndDrag();
        ASSERT_TRUE(doc.Trim().ok());
        files.push_back(doc.SaveToBytes());
    }
    EXPECT_EQ(files[0], files[1]);
    EXPECT_EQ(files[0], files[2]);

    // The seed follows the operands: moving the cutter changes it.
    Scene scene;
    SceneNode* trimmed = scene.CreateNode(ObjectType::Sphere, {0, 0, 0});
    SceneNode* cutter = scene.CreateNode(ObjectType::Cube, {0.8, 0, 0.3});
    const std::uint32_t seed = OperandSeed(*trimmed, *cutter);
    EXPECT_EQ(OperandSeed(*trimmed, *cutter), seed);
    cutter->position.x += 0.01;
    EXPECT_NE(OperandSeed(*trimmed, *cutter), seed);
}

// --- Combine and Intersect ---

// Every vertex normal of a node points away from its solid's centre `centre` (world): the
// surface was not turned inside out.
void ExpectOutward(const TrimmedPair& p, const SceneNode& node, const Vec3& centre) {
    Matrix4 m = p.trim->ComposeParentFromNode();
    m.Multiply(node.ComposeParentFromNode());
    const NormalTransform normals = NormalTransform::Of(m);
    for (const DisplayVertex& v : node.display_mesh.vertices) {
        const Vec3f w = m.TransformPoint(v.Position());
        const Vec3 n = normals.Apply(v.nx, v.ny, v.nz);
        EXPECT_GT(Dot(n, Vec3{w.x, w.y, w.z} - centre), 0.0) << node.name;
    }
}

TEST(BooleanSurfaces, SphereUnionAndLensFaceOutwardOnTheExactSpheres) {
    for (auto command : {kCombine, kIntersect}) {
        TrimmedPair p;
        Make(p, ObjectType::Sphere, {0, 0, 0}, ObjectType::Sphere, {1, 0, 0}, {1, 1, 1}, command);
        ASSERT_TRUE(p.status.ok()) << p.status.text;
        // The lens is bounded by the far side of each sphere's surface: its normals still
        // point away from that sphere's centre.
        ExpectOutward(p, *p.trimmed, {0, 1, 0});
        ExpectOutward(p, *p.cutter, {1, 1, 0});
        for (const SceneNode* n : {p.trimmed, p.cutter})
            for (const DisplayVertex& v : n->display_mesh.vertices)
                EXPECT_NEAR(Vec3(v.x, v.y, v.z).Length(), 1.0, 1e-5);
    }
}

TEST(BooleanCommands, RefusalsLeaveTheSceneAsItWas) {
    for (auto command : {kTrim, kCombine, kIntersect}) {
        {
            // Solids that do not meet: an information, not an error.
            DocumentCore doc;
            doc.InsertObject(ObjectType::Sphere, {}, false);
            doc.InsertObject(ObjectType::Cube, {6, 0, 0}, true);
            const std::vector<std::uint8_t> before = doc.SaveToBytes();
            const Result<NodeId> result = (doc.*command)();
            EXPECT_EQ(result.status().text,
                      "Unable to complete the requested boolean operation because the selected "
                      "objects do not intersect.");
            EXPECT_EQ(result.status().icon, MessageIcon::Information);
            EXPECT_EQ(doc.SaveToBytes(), before);
            EXPECT_EQ(doc.UndoCount(), 2u);
        }
        {
            // One inside the other: one of the two would keep no surface. Trim keeps a cutter
            // inside as a cavity, and refuses a trimmed solid inside the cutter.
            TrimmedPair p;
            const bool trim = command == kTrim;
            Make(p, trim ? ObjectType::Sphere : ObjectType::Cube, {0, 0, 0}, ObjectType::Cube,
                 {0, 0, 0}, trim ? Vec3{3, 3, 3} : Vec3{0.25, 0.25, 0.25}, command);
            EXPECT_EQ(p.status.number, kMsgTrimNoIntersection);
        }
        {
            // One object and a light (which commands are enabled is the command rules' test):
            // the command does nothing.
            DocumentCore doc;
            const NodeId one = doc.InsertObject(ObjectType::Sphere, {}, false);
            doc.SelectExactly(std::vector<NodeId>{one},
                              std::vector<LightId>{doc.GetScene().Lights().front().id});
            const std::vector<std::uint8_t> before = doc.SaveToBytes();
            const Result<NodeId> result = (doc.*command)();
            EXPECT_TRUE(result.ok() && !*result);
            EXPECT_EQ(doc.SaveToBytes(), before);
        }
    }
}

// Nested in a group, the results keep their operands' cut meshes through a save and an open
// (no other test nests them). Undoing them back to the first file is the history walk's check.
TEST(BooleanCommands, ResultsSaveAndLoadInsideAGroup) {
    DocumentCore doc;
    doc.InsertObject(ObjectType::Torus, {0, 0, 0}, false);
    doc.InsertObject(ObjectType::Sphere, {0.8, 0, 0}, true);
    const Result<NodeId> combined = doc.Combine();
    ASSERT_TRUE(combined.ok() && *combined) << combined.status().text;
    EXPECT_EQ(doc.UndoText(), "Undo Combine");
    doc.InsertObject(ObjectType::Cone, {5, 0, 0}, false);
    doc.InsertObject(ObjectType::Cylinder, {5.5, 0, 0}, true);
    const Result<NodeId> intersected = doc.Intersect();
    ASSERT_TRUE(intersected.ok() && *intersected) << intersected.status().text;
    EXPECT_EQ(doc.UndoText(), "Undo Intersect");
    EXPECT_EQ(ChildCount(*doc.Node(*intersected)), 2u);
    doc.InsertObject(ObjectType::Cube, {-5, 0, 0}, false);
    doc.InsertObject(ObjectType::Sphere, {-4, 0, 1}, true);
    const Result<NodeId> trimmed = doc.Trim();
    ASSERT_TRUE(trimmed.ok() && *trimmed);
    doc.SelectExactly(std::vector<NodeId>{*combined, *intersected, *trimmed}, {});
    ASSERT_TRUE(doc.Group());

    DocumentCore reopened;
    const Status opened = reopened.OpenFromBytes(doc.SaveToBytes(), "booleans.kel");
    ASSERT_TRUE(opened.ok()) << opened.text;
    EXPECT_EQ(reopened.SaveToBytes(), doc.SaveToBytes());
}

}  // namespace
}  // namespace kelto
