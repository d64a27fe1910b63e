// Trim: solid-geometry truths about the cut surfaces, the command's bookkeeping, files.
#include <gtest/gtest.h>

#include <cmath>

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
    m.Multiply(node.ComposeMatrix());
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
        const Matrix4 parent = trim->ComposeMatrix();
        return Volume(*trimmed, parent, origin) + Volume(*cutter, parent, origin);
    }
};

// `trimmed` is inserted first, `cutter` second (the newer one cuts).
void Make(TrimmedPair& pair, ObjectType trimmed, Vec3 at, ObjectType cutter, Vec3 cutter_at,
          Vec3 cutter_scale = {1, 1, 1}) {
    pair.trimmed = pair.doc.Node(pair.doc.InsertObject(trimmed, at, false));
    const NodeId cutter_id = pair.doc.InsertObject(cutter, cutter_at, true);
    pair.doc.DragScaleNode(cutter_id, cutter_scale, {});
    pair.doc.EndDrag();
    pair.cutter = pair.doc.Node(cutter_id);
    pair.before = Volume(*pair.trimmed, Matrix4{});
    const Result<NodeId> trim = pair.doc.Trim();
    pair.status = trim.status();
    pair.trim = trim.ok() ? pair.doc.Node(*trim) : nullptr;
}

TEST(TrimVolumes, CubeByCubeIsExact) {
    TrimmedPair p;
    // Cube A spans [-1,1] x [0,2] x [-1,1]; cube B overlaps it in [0,1] x [1,2] x [0,1].
    Make(p, ObjectType::Cube, {0, 0, 0}, ObjectType::Cube, {1, 1, 1});
    ASSERT_TRUE(p.status.ok()) << p.status.text;
    ASSERT_NE(p.trim, nullptr);
    EXPECT_NEAR(p.before, 8.0, 1e-9);
    EXPECT_NEAR(p.After(), 7.0, 1e-5);
    EXPECT_NEAR(p.After({5, -3, 2}), 7.0, 1e-5);  // closed: independent of the origin
}

TEST(TrimVolumes, SphereByCubeAndCubeBySphere) {
    {
        // A cube covering the sphere from x = 0.2 on: a cap of height 0.8 goes.
        TrimmedPair p;
        Make(p, ObjectType::Sphere, {0, 0, 0}, ObjectType::Cube, {1.2, 0, 0}, {1, 1.5, 1.5});
        ASSERT_TRUE(p.status.ok());
        const double cap = M_PI * 0.8 * 0.8 * (3 - 0.8) / 3;
        const double expected = p.before * (1 - cap / (4 * M_PI / 3));
        EXPECT_NEAR(p.After(), expected, 0.03 * p.before);
        EXPECT_NEAR(p.After({5, -3, 2}), expected, 0.03 * p.before);
    }
    {
        // A sphere centred on an edge of the cube takes a quarter of itself out of it.
        TrimmedPair p;
        Make(p, ObjectType::Cube, {0, 0, 0}, ObjectType::Sphere, {1, 0, 1});
        ASSERT_TRUE(p.status.ok());
        const double quarter = 4 * M_PI / 3 / 4;
        EXPECT_NEAR(p.After(), 8.0 - quarter, 0.03 * 8.0);
        EXPECT_NEAR(p.After({-4, 7, 1}), 8.0 - quarter, 0.03 * 8.0);
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
        Matrix4 m = p.trim->ComposeMatrix();
        m.Multiply(p.trimmed->ComposeMatrix());
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

TEST(TrimCommand, DisjointInsideAndCavityCases) {
    {
        TrimmedPair p;
        Make(p, ObjectType::Sphere, {0, 0, 0}, ObjectType::Cube, {6, 0, 0});
        const Status again = p.doc.Trim().status();
        const MessageIcon icon = again.icon;
        EXPECT_EQ(p.status.number, kMsgTrimNoIntersection);
        EXPECT_EQ(again.text,
                  "Unable to complete the requested boolean operation because the selected objects "
                  "do not intersect.");
        EXPECT_EQ(icon, MessageIcon::Information);
        // Nothing changed: both still at the top, their meshes whole.
        EXPECT_EQ(ChildCount(p.doc.GetScene().Root()), 2u);
        EXPECT_EQ(p.trimmed->display_mesh.TriangleCount(), 612u);
        EXPECT_EQ(p.doc.GetScene().FindNode("Trim1"), nullptr);
    }
    {
        // The trimmed solid wholly inside the cutter: nothing of it is outside.
        TrimmedPair p;
        Make(p, ObjectType::Sphere, {0, 0, 0}, ObjectType::Cube, {0, 0, 0}, {3, 3, 3});
        EXPECT_EQ(p.status.number, kMsgTrimNoIntersection);
    }
    {
        // A small cutter wholly inside: an inner cavity, the cutter turned inside out.
        TrimmedPair p;
        Make(p, ObjectType::Cube, {0, 0, 0}, ObjectType::Cube, {0, 0, 0}, {0.25, 0.25, 0.25});
        ASSERT_TRUE(p.status.ok());
        EXPECT_NEAR(p.After(), 8.0 - 0.125, 1e-5);
        EXPECT_EQ(p.cutter->display_mesh.TriangleCount(), 12u);
        for (const DisplayVertex& v : p.cutter->display_mesh.vertices) {
            // Normals point into the cavity: towards the cube's centre.
            EXPECT_LT(v.nx * v.x + v.ny * v.y + v.nz * v.z, 0.0f);
        }
    }
}

TEST(TrimCommand, CoplanarFacesVanishFromBothResults) {
    // Cube B is cube A moved by 1 along x: they share the planes y = 0, y = 2, z = +-1.
    TrimmedPair p;
    Make(p, ObjectType::Cube, {0, 0, 0}, ObjectType::Cube, {1, 0, 0});
    ASSERT_TRUE(p.status.ok());
    EXPECT_NEAR(p.After(), 4.0, 1e-5);
    EXPECT_NEAR(p.After({3, 1, -2}), 4.0, 1e-5);  // the slab that is left is closed
    const Matrix4 parent = p.trim->ComposeMatrix();
    for (const SceneNode* n : {p.trimmed, p.cutter}) {
        Matrix4 m = parent;
        m.Multiply(n->ComposeMatrix());
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
    const Matrix4 a_before = a->ComposeMatrix();
    const Matrix4 b_before = b->ComposeMatrix();
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
        Matrix4 world = trim->ComposeMatrix();
        world.Multiply(node->ComposeMatrix());
        for (int i = 0; i < 16; ++i) {
            EXPECT_NEAR(world[i], before[i], 1e-9);
        }
    }
    EXPECT_NEAR(trim->box.min.x + trim->box.max.x, 0.0f, 1e-5f);
    const CommandState state = TrimCommandState(doc);
    EXPECT_TRUE(state.enabled && state.checked);
    // With the one Trim object selected the command does nothing.
    EXPECT_TRUE(doc.Trim().ok());
    EXPECT_EQ(ChildCount(doc.GetScene().Root()), 1u);

    // It saves and loads back with the same cut meshes.
    DocumentCore reopened;
    const Status opened = reopened.OpenFromBytes(doc.SaveToBytes(), "trim.kel");
    ASSERT_TRUE(opened.ok()) << opened.text;
    for (const SceneNode* original : {a, b}) {
        const SceneNode* loaded = reopened.GetScene().FindNode(original->name);
        ASSERT_NE(loaded, nullptr);
        ASSERT_EQ(loaded->display_mesh.vertices.size(), original->display_mesh.vertices.size());
        EXPECT_EQ(loaded->display_mesh.indices, original->display_mesh.indices);
        EXPECT_EQ(loaded->display_mesh.vertices.front().Position(),
                  original->display_mesh.vertices.front().Position());
    }
    EXPECT_EQ(reopened.SaveToBytes(), doc.SaveToBytes());
}

TEST(TrimCommand, NestedTrimSavesAndLoads) {
    DocumentCore doc;
    doc.InsertObject(ObjectType::Cube, {0, 0, 0}, false);
    doc.InsertObject(ObjectType::Sphere, {1, 0, 1}, true);
    const Result<NodeId> first = doc.Trim();
    ASSERT_TRUE(first.ok() && *first);
    doc.InsertObject(ObjectType::Torus, {5, 0, 0}, false);
    doc.SelectNode(*first, true);
    ASSERT_TRUE(doc.Group());  // a group holding a Trim object
    DocumentCore reopened;
    ASSERT_TRUE(reopened.OpenFromBytes(doc.SaveToBytes(), "nested.kel").ok());
    EXPECT_EQ(reopened.SaveToBytes(), doc.SaveToBytes());
    EXPECT_NE(reopened.GetScene().FindNode("Trim1"), nullptr);
}

}  // namespace
}  // namespace kelto
