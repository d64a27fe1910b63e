#include "gl_renderer.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "interaction/decorations.h"
#include "model/placement_walk.h"

namespace kelto {
namespace {

void SetMaterial(GLenum what, float r, float g, float b, float a) {
    const GLfloat v[4] = {r, g, b, a};
    glMaterialfv(GL_FRONT, what, v);
}

bool Scaled(const SceneNode& node) {
    const Vec3 one{1, 1, 1};
    return node.scale != one || (node.scaling && node.pending_scale != one);
}

// The three edges of a box seen as twelve lines.
void BoxLines(const BoundingBox& box) {
    const auto c = BoxCorners(box);
    // Corners 0-3 lie on the maximum z face, 4-7 on the minimum one.
    static constexpr int kEdges[12][2] = {{0, 1}, {1, 2}, {2, 3}, {3, 0}, {4, 5}, {5, 1},
                                          {0, 6}, {6, 5}, {4, 7}, {7, 6}, {3, 7}, {2, 4}};
    glBegin(GL_LINES);
    for (const auto& e : kEdges) {
        const Vec3f& a = c[static_cast<std::size_t>(e[0])];
        const Vec3f& b = c[static_cast<std::size_t>(e[1])];
        glVertex3f(a.x, a.y, a.z);
        glVertex3f(b.x, b.y, b.z);
    }
    glEnd();
}

// A solid box with a normal on each face, wound counter-clockwise seen from outside.
void SolidBox(const BoundingBox& b) {
    const float x0 = b.min.x, y0 = b.min.y, z0 = b.min.z;
    const float x1 = b.max.x, y1 = b.max.y, z1 = b.max.z;
    glBegin(GL_QUADS);
    glNormal3f(1, 0, 0);
    glVertex3f(x1, y0, z1), glVertex3f(x1, y0, z0), glVertex3f(x1, y1, z0), glVertex3f(x1, y1, z1);
    glNormal3f(-1, 0, 0);
    glVertex3f(x0, y0, z0), glVertex3f(x0, y0, z1), glVertex3f(x0, y1, z1), glVertex3f(x0, y1, z0);
    glNormal3f(0, 1, 0);
    glVertex3f(x0, y1, z1), glVertex3f(x1, y1, z1), glVertex3f(x1, y1, z0), glVertex3f(x0, y1, z0);
    glNormal3f(0, -1, 0);
    glVertex3f(x0, y0, z0), glVertex3f(x1, y0, z0), glVertex3f(x1, y0, z1), glVertex3f(x0, y0, z1);
    glNormal3f(0, 0, 1);
    glVertex3f(x0, y0, z1), glVertex3f(x1, y0, z1), glVertex3f(x1, y1, z1), glVertex3f(x0, y1, z1);
    glNormal3f(0, 0, -1);
    glVertex3f(x1, y0, z0), glVertex3f(x0, y0, z0), glVertex3f(x0, y1, z0), glVertex3f(x1, y1, z0);
    glEnd();
}

// The rings' own materials: x reddish, y greenish, z bluish; a held ring turns yellow.
struct RingMaterial {
    float r, g, b;
};
constexpr RingMaterial kRingMaterials[3] = {
    {0.85f, 0.2f, 0.2f}, {0.2f, 0.75f, 0.2f}, {0.25f, 0.35f, 0.9f}};
constexpr RingMaterial kHeldRing{1.0f, 0.9f, 0.1f};

void ApplyRingMaterial(const RingMaterial& m) {
    SetMaterial(GL_AMBIENT, m.r * 0.4f, m.g * 0.4f, m.b * 0.4f, 1);
    SetMaterial(GL_DIFFUSE, m.r, m.g, m.b, 1);
    SetMaterial(GL_SPECULAR, 0.3f, 0.3f, 0.3f, 1);
    SetMaterial(GL_EMISSION, m.r * 0.25f, m.g * 0.25f, m.b * 0.25f, 1);
    glMaterialf(GL_FRONT, GL_SHININESS, 20.0f);
}

// The strip of one ring, in the ring's frame: positions and radial normals.
struct RingStrip {
    std::vector<Vec3f> points;
    std::vector<Vec3f> normals;
    std::vector<GLushort> order;
};

const RingStrip& RingStripAbout(int ring_code) {
    static const std::array<RingStrip, 3> strips = [] {
        std::array<RingStrip, 3> all;
        for (int k = 0; k < 3; ++k) {
            const int code = kRingCodeX + k;
            RingStrip& strip = all[static_cast<std::size_t>(k)];
            for (const Vec3f& p : UnitRing()) {
                strip.points.push_back(RingPointAbout(code, p));
                strip.normals.push_back(RingPointAbout(code, {p.x, p.y, 0.0f}));
            }
            for (int i = 0; i <= kRingStations; ++i) {
                const int station = i % kRingStations;
                strip.order.push_back(static_cast<GLushort>(2 * station));
                strip.order.push_back(static_cast<GLushort>(2 * station + 1));
            }
        }
        return all;
    }();
    return strips[static_cast<std::size_t>(std::clamp(ring_code - kRingCodeX, 0, 2))];
}

}  // namespace

CGLRenderer::CGLRenderer(int width, int height, const Vec3& eye, const Vec3& target, const Vec3& up,
                         double focal_length)
    : CViewRenderer(width, height, eye, target, up, focal_length) {}

CGLRenderer::CGLRenderer(int width, int height, ViewProjection projection)
    : CViewRenderer(width, height, projection) {}

CGLRenderer::~CGLRenderer() = default;

bool CGLRenderer::InitializeGL() {
    has_context_ = glGetString(GL_VERSION) != nullptr;
    if (!has_context_) {
        return false;
    }
    GLint max_lights = 8;
    glGetIntegerv(GL_MAX_LIGHTS, &max_lights);
    max_lights_ = std::max(1, static_cast<int>(max_lights));
    glClearDepth(1.0);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_CULL_FACE);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    return true;
}

void CGLRenderer::BeginFrame() {
    stats_ = {};
    if (!has_context_) {
        return;
    }
    // The widget's framebuffer is shared with nothing else, but its binding code may touch
    // state; the fixed state of the view is set again every frame.
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LESS);
    glEnable(GL_CULL_FACE);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
    glViewport(0, 0, Width(), Height());
    glClearColor(0.5f, 0.5f, 0.5f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_PROJECTION);
    glLoadMatrixd(Camera().clip_from_view.m.data());
    glMatrixMode(GL_MODELVIEW);
    glLoadMatrixd(Camera().view_from_world.m.data());
}

void CGLRenderer::SetLighting(const std::array<float, 4>& ambient, const std::vector<Light>& lights,
                              bool local_viewer) {
    if (!has_context_) {
        return;
    }
    const GLfloat model_ambient[4] = {ambient[0], ambient[1], ambient[2], 1.0f};
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, model_ambient);
    glLightModeli(GL_LIGHT_MODEL_LOCAL_VIEWER, local_viewer ? 1 : 0);
    glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, 0);
    glPushMatrix();
    glLoadMatrixd(Camera().view_from_world.m.data());
    glEnable(GL_LIGHTING);
    int used = 0;
    for (const Light& light : lights) {
        if (used >= max_lights_) {
            break;
        }
        if (!light.on) {
            continue;
        }
        const GLenum n = static_cast<GLenum>(GL_LIGHT0 + used);
        const Vec3 at = light.moving ? light.position + light.pending_offset : light.position;
        const GLfloat position[4] = {static_cast<float>(at.x), static_cast<float>(at.y),
                                     static_cast<float>(at.z), 1.0f};
        glLightfv(n, GL_POSITION, position);
        glLightf(n, GL_CONSTANT_ATTENUATION, light.falloff[0]);
        glLightf(n, GL_LINEAR_ATTENUATION, light.falloff[1]);
        glLightf(n, GL_QUADRATIC_ATTENUATION, light.falloff[2]);
        const float k = light.intensity;
        const GLfloat diffuse[4] = {light.diffuse.r * k, light.diffuse.g * k, light.diffuse.b * k,
                                    light.diffuse.a};
        const GLfloat light_ambient[4] = {light.ambient.r, light.ambient.g, light.ambient.b,
                                          light.ambient.a};
        const GLfloat specular[4] = {light.highlight.r * k, light.highlight.g * k,
                                     light.highlight.b * k, light.highlight.a};
        glLightfv(n, GL_DIFFUSE, diffuse);
        glLightfv(n, GL_AMBIENT, light_ambient);
        glLightfv(n, GL_SPECULAR, specular);
        if (light.kind == LightKind::Spot) {
            // The spot shines along the light's -z axis after its rotation.
            const Matrix4 turn = LightOrientedFrame(light);
            const GLfloat axis[3] = {static_cast<float>(-turn[8]), static_cast<float>(-turn[9]),
                                     static_cast<float>(-turn[10])};
            // OpenGL takes cut-offs of 0 to 90 degrees and exponents of 0 to 128 only.
            glLightf(n, GL_SPOT_CUTOFF, std::clamp(light.spot_angle, 0.0f, 90.0f));
            glLightfv(n, GL_SPOT_DIRECTION, axis);
            glLightf(n, GL_SPOT_EXPONENT, std::clamp(light.spot_exponent, 0.0f, 128.0f));
        } else {
            glLightf(n, GL_SPOT_CUTOFF, 180.0f);
        }
        glEnable(n);
        ++used;
    }
    for (int i = used; i < max_lights_; ++i) {
        glDisable(static_cast<GLenum>(GL_LIGHT0 + i));
    }
    stats_.lights_enabled = used;
    glPopMatrix();
}

void CGLRenderer::LightingOff() {
    if (!has_context_) {
        return;
    }
    glDisable(GL_COLOR_MATERIAL);
    glDisable(GL_LIGHTING);
}

void CGLRenderer::DrawLine(const Vec3& a, const Vec3& b, double r, double g, double bl) {
    if (!has_context_) {
        return;
    }
    glColor4d(r, g, bl, 1.0);
    glBegin(GL_LINES);
    glVertex3d(a.x, a.y, a.z);
    glVertex3d(b.x, b.y, b.z);
    glEnd();
}

void CGLRenderer::DrawGrid() {
    if (!has_context_) {
        return;
    }
    // The floor, or for a parallel view looking along the floor the plane it looks at: lines
    // every half unit from -8 to 8 in (u, v), the lines through the origin leaving the middle
    // to the axis arrows.
    const ViewProjection projection = Projection();
    auto at = [projection](double u, double v) {
        switch (projection) {
            case ViewProjection::Front:
                glVertex3d(u, v, 0);
                break;
            case ViewProjection::RightSide:
                glVertex3d(0, v, u);
                break;
            default:
                glVertex3d(u, 0, v);
                break;
        }
    };
    glPushMatrix();
    glLoadMatrixd(Camera().view_from_world.m.data());
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glDisable(GL_LIGHTING);
    glDisable(GL_COLOR_MATERIAL);
    glDisable(GL_TEXTURE_2D);
    if (IsOrthographic()) {
        // Seen square on, the grid is a backdrop: everything in the scene covers it.
        glDisable(GL_DEPTH_TEST);
    }
    glBegin(GL_LINES);
    glColor3d(0.7, 0.7, 0.7);
    for (int i = 0; i <= 32; ++i) {
        const double u = -8.0 + 0.5 * i;
        if (i == 16) {  // through the origin: the axis arrows have the middle
            at(0, 8), at(0, 0.5);
            at(0, -0.5), at(0, -8);
        } else {
            at(u, 8), at(u, -8);
        }
    }
    for (int i = 0; i <= 32; ++i) {
        const double v = 8.0 - 0.5 * i;
        if (i == 16) {
            at(-8, 0), at(-0.5, 0);
            at(0.5, 0), at(8, 0);
        } else {
            at(-8, v), at(8, v);
        }
    }
    glColor3d(0.1, 0.8, 0.1);  // y
    glVertex3d(0, 0, 0), glVertex3d(0, 0.5, 0);
    glVertex3d(-0.05, 0.35, 0), glVertex3d(0, 0.5, 0);
    glVertex3d(0.05, 0.35, 0), glVertex3d(0, 0.5, 0);
    glColor3d(0.1, 0.1, 0.8);  // z
    glVertex3d(0, 0, 0), glVertex3d(0, 0, 0.5);
    glVertex3d(-0.05, 0, 0.35), glVertex3d(0, 0, 0.5);
    glVertex3d(0.05, 0, 0.35), glVertex3d(0, 0, 0.5);
    glColor3d(0.8, 0.1, 0.1);  // x
    glVertex3d(0, 0, 0), glVertex3d(0.5, 0, 0);
    glVertex3d(0.35, 0, -0.05), glVertex3d(0.5, 0, 0);
    glVertex3d(0.35, 0, 0.05), glVertex3d(0.5, 0, 0);
    glEnd();
    glPopAttrib();
    glPopMatrix();
}

const std::uint8_t* CGLRenderer::TextureBytes(const TextureImage& image) {
    if (image.texture.size() == TextureImage::kTextureBytes) {
        return image.texture.data();
    }
    if (!image.HasPixels()) {
        return nullptr;
    }
    // A picture that came without its 64 x 64 reduction (an opened file): made once here.
    auto found = built_textures_.find(&image);
    if (found == built_textures_.end()) {
        TextureImage copy = image;
        copy.BuildTexture();
        found = built_textures_.emplace(&image, std::move(copy.texture)).first;
    }
    return found->second.size() == TextureImage::kTextureBytes ? found->second.data() : nullptr;
}

bool CGLRenderer::SetUpMaterial(const Material& m) {
    const std::uint8_t* texture = nullptr;
    if (m.colour_source == 1 && m.colour_image) {
        texture = TextureBytes(*m.colour_image);
    }
    if (texture != nullptr) {
        glEnable(GL_TEXTURE_2D);
        SetMaterial(GL_DIFFUSE, 1, 1, 1, 1);
        glTexImage2D(GL_TEXTURE_2D, 0, 3, TextureImage::kTextureSize, TextureImage::kTextureSize, 0,
                     GL_RGB, GL_UNSIGNED_BYTE, texture);
    } else {
        glDisable(GL_TEXTURE_2D);
        SetMaterial(GL_DIFFUSE, m.colour.r, m.colour.g, m.colour.b, m.brightness);
    }
    SetMaterial(GL_AMBIENT, m.ambient.r, m.ambient.g, m.ambient.b, m.ambient_strength);
    SetMaterial(GL_SPECULAR, m.highlight.r, m.highlight.g, m.highlight.b, m.highlight_strength);
    SetMaterial(GL_EMISSION, m.glow.r, m.glow.g, m.glow.b, m.glow_strength);
    glMaterialf(GL_FRONT, GL_SHININESS, std::clamp(m.shininess, 0.0f, 1.0f) * 128.0f);
    return texture != nullptr;
}

void CGLRenderer::DrawMesh(const Mesh& mesh, bool normalise, bool textured) {
    if (mesh.vertices.empty() || mesh.indices.size() < 3) {
        return;
    }
    // Indices that point past the vertices would make OpenGL read outside the array.
    const std::uint16_t highest = *std::max_element(mesh.indices.begin(), mesh.indices.end());
    if (highest >= mesh.vertices.size()) {
        return;
    }
    if (normalise) {
        glEnable(GL_NORMALIZE);
    } else {
        glDisable(GL_NORMALIZE);
    }
    glShadeModel(GL_SMOOTH);
    const DisplayVertex* v = mesh.vertices.data();
    constexpr GLsizei kStride = sizeof(DisplayVertex);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    glVertexPointer(3, GL_FLOAT, kStride, &v->x);
    glNormalPointer(GL_FLOAT, kStride, &v->nx);
    if (textured) {
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
        glTexCoordPointer(2, GL_FLOAT, kStride, &v->s);
    }
    const GLsizei count = static_cast<GLsizei>(mesh.indices.size() / 3 * 3);
    glDrawElements(GL_TRIANGLES, count, GL_UNSIGNED_SHORT, mesh.indices.data());
    if (textured) {
        glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    }
    glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
    ++stats_.meshes;
    stats_.normalised_meshes += normalise ? 1 : 0;
    stats_.textured_meshes += textured ? 1 : 0;
    stats_.triangles += count / 3;
}

void CGLRenderer::LoadFrame(const Matrix4& frame) {
    glLoadMatrixd(Camera().view_from_world.m.data());
    glMultMatrixd(frame.m.data());
}

void CGLRenderer::DrawHandles(const BoundingBox& box, const Matrix4& frame) {
    ++stats_.handle_sets;
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    LoadFrame(frame);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_LIGHTING);
    glDisable(GL_COLOR_MATERIAL);
    const auto corners = BoxCorners(box);
    auto held = [this](int code) {
        return code / 4 == grabbed_corner && (HandleAxisMask(code) & axis_mask & 14) != 0 &&
               (HandleAxisMask(code) & ~axis_mask & 14) == 0;
    };
    glBegin(GL_LINES);
    for (int code = 0; code < kHandleCount; ++code) {
        const Vec3f& c = corners[static_cast<std::size_t>(code / 4)];
        const Vec3f h = HandleCentre(box, code);
        if (held(code)) {
            glColor3d(0.99, 0.3, 0.3);
        } else {
            glColor3d(0.3, 0.3, 0.3);
        }
        glVertex3f(c.x, c.y, c.z);
        glVertex3f(h.x, h.y, h.z);
    }
    glEnd();
    // The cubes are lit; their colour is the material.
    glEnable(GL_LIGHTING);
    glEnable(GL_NORMALIZE);
    glColorMaterial(GL_FRONT, GL_AMBIENT_AND_DIFFUSE);
    glEnable(GL_COLOR_MATERIAL);
    SetMaterial(GL_SPECULAR, 0, 0, 0, 1);
    SetMaterial(GL_EMISSION, 0.15f, 0.15f, 0.15f, 1);
    for (int code = 0; code < kHandleCount; ++code) {
        if (held(code)) {
            glColor3d(0.99, 0.3, 0.3);
        } else {
            glColor3d(0.95, 0.9, 0.3);
        }
        SolidBox(HandleCube(box, code));
    }
    glDisable(GL_COLOR_MATERIAL);
    glDisable(GL_LIGHTING);
    glColor3d(0.8, 0.8, 0.8);
    BoxLines(GrownBox(box, kOutlineGrowth));
    glPopAttrib();
}

void CGLRenderer::DrawBoxOutline(const BoundingBox& box, const Matrix4& frame,
                                 const Matrix4& position_frame) {
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_LIGHTING);
    glDisable(GL_COLOR_MATERIAL);
    const BoundingBox grown = GrownBox(box, kOutlineGrowth);
    LoadFrame(frame);
    glColor3d(1.0, 0.1, 0.1);
    BoxLines(grown);
    LoadFrame(position_frame);
    glColor3d(0.3, 0.3, 0.5);
    BoxLines(grown);
    glPopAttrib();
}

void CGLRenderer::DrawRings(const Matrix4& frame, int grabbed_ring) {
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    LoadFrame(frame);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_COLOR_MATERIAL);
    glEnable(GL_LIGHTING);
    glEnable(GL_NORMALIZE);
    glDisable(GL_CULL_FACE);  // a band is seen from both sides
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    auto strip = [](int code) {
        const RingStrip& s = RingStripAbout(code);
        glVertexPointer(3, GL_FLOAT, 0, s.points.data());
        glNormalPointer(GL_FLOAT, 0, s.normals.data());
        glDrawElements(GL_QUAD_STRIP, static_cast<GLsizei>(s.order.size()), GL_UNSIGNED_SHORT,
                       s.order.data());
    };
    for (int k = 0; k < 3; ++k) {
        ApplyRingMaterial(kRingMaterials[k]);
        strip(kRingCodeX + k);
    }
    if (grabbed_ring >= kRingCodeX && grabbed_ring <= kRingCodeZ) {
        glDepthFunc(GL_LEQUAL);
        ApplyRingMaterial(kHeldRing);
        strip(grabbed_ring);
    }
    glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
    glPopAttrib();
}

void CGLRenderer::DrawDecoration(bool selected, bool rotating, int grabbed_ring,
                                 const BoundingBox& box, const Matrix4& frame,
                                 const Matrix4& position_frame, const Matrix4& ring_frame) {
    if (!selected || box.IsEmpty()) {
        return;
    }
    glPushMatrix();
    if (rotating) {
        DrawRings(ring_frame, grabbed_ring);
    } else if (highlight_mode == kHighlightMoving) {
        DrawBoxOutline(box, frame, position_frame);
    } else {
        DrawHandles(box, frame);
    }
    glPopMatrix();
}

void CGLRenderer::DrawMemberHandles(const Placement& placed) {
    if (placed.parent != nullptr && placed.node.selected != 0 && !placed.node.box.IsEmpty()) {
        DrawHandles(placed.node.box, placed.world_from_node);
    }
}

void CGLRenderer::DrawNodeTree(const SceneNode& node, bool rotating, int grabbed_ring) {
    if (!has_context_) {
        return;
    }
    Matrix4 position_frame;
    position_frame.Translate(node.moving ? node.position + node.pending_offset : node.position);
    DrawDecoration(node.selected != 0, rotating, grabbed_ring, node.box, node.parent_from_node,
                   position_frame, NodeRingFrame(node));

    // Draws the meshes; a member selected on its own (in the Objects panel), a group inside
    // the object as well as a mesh, shows its handles.
    struct MeshDrawer final : PlacementVisitor {
        CGLRenderer& renderer;
        explicit MeshDrawer(CGLRenderer& r) : renderer(r) {}
        void Enter(const Placement& placed) override { renderer.DrawMemberHandles(placed); }
        void Visit(const Placement& placed) override {
            renderer.DrawMemberHandles(placed);
            // A scale anywhere above the mesh stretches its normals too.
            bool normalise = renderer.always_normalise_;
            for (const Placement* p = &placed; p != nullptr && !normalise; p = p->parent) {
                normalise = Scaled(p->node);
            }
            renderer.LoadFrame(placed.world_from_node);
            const bool textured = renderer.SetUpMaterial(placed.node.material);
            renderer.DrawMesh(placed.node.display_mesh, normalise, textured);
        }
    } drawer(*this);
    glPushMatrix();
    WalkPlacements(node, node.parent_from_node, LeafRule::Childless, drawer);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_NORMALIZE);
    glPopMatrix();
}

void CGLRenderer::DrawLights(const std::vector<Light>& lights, bool rotating, int grabbed_ring) {
    if (!has_context_) {
        return;
    }
    glPushMatrix();
    glDisable(GL_TEXTURE_2D);
    for (const Light& light : lights) {
        const Matrix4 frame = LightFrame(light);
        DrawDecoration(light.selected != 0, rotating, grabbed_ring, LightIconBox(light), frame,
                       frame, LightRingFrame(light));
        glEnable(GL_LIGHTING);
        glDisable(GL_COLOR_MATERIAL);
        SetMaterial(GL_AMBIENT, 0, 0, 0, 1);
        SetMaterial(GL_DIFFUSE, 0, 0, 0, 1);
        SetMaterial(GL_SPECULAR, 0, 0, 0, 1);
        SetMaterial(GL_EMISSION, light.diffuse.r, light.diffuse.g, light.diffuse.b, 1);
        glMaterialf(GL_FRONT, GL_SHININESS, 0.5f);
        switch (light.kind) {
            case LightKind::Point:
                LoadFrame(frame);
                glBegin(GL_LINES);
                for (const Vec3f& tip : PointStarTips()) {
                    glVertex3f(0, 0, 0);
                    glVertex3f(tip.x, tip.y, tip.z);
                }
                glEnd();
                break;
            case LightKind::Spot: {
                LoadFrame(LightOrientedFrame(light));
                const auto& p = SpotConePoints();
                glBegin(GL_LINES);
                for (std::size_t i = 1; i <= 8; ++i) {
                    const Vec3f& corner = p[i];
                    const Vec3f& next = p[i == 8 ? 1 : i + 1];
                    glVertex3f(p[0].x, p[0].y, p[0].z);
                    glVertex3f(corner.x, corner.y, corner.z);
                    glVertex3f(corner.x, corner.y, corner.z);
                    glVertex3f(next.x, next.y, next.z);
                }
                glEnd();
                break;
            }
            case LightKind::Sphere: {
                Matrix4 sphere = frame;
                const double s = SphereLightIconScale(light);
                sphere.Scale({s, s, s});
                LoadFrame(sphere);
                glEnable(GL_NORMALIZE);
                glBegin(GL_TRIANGLES);
                for (const IconTriangle& t : IconSphere()) {
                    for (std::size_t k = 0; k < 3; ++k) {
                        glNormal3f(t.normals[k].x, t.normals[k].y, t.normals[k].z);
                        glVertex3f(t.points[k].x, t.points[k].y, t.points[k].z);
                    }
                }
                glEnd();
                glDisable(GL_NORMALIZE);
                break;
            }
            default:  // the area lights draw no icon here
                break;
        }
    }
    SetMaterial(GL_EMISSION, 0, 0, 0, 1);
    glPopMatrix();
}

}  // namespace kelto
