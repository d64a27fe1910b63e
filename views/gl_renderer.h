// The OpenGL half of a modelling view's renderer: draws the floor grid and axis arrows, every
// node's display mesh with its material, the selection's handles, outlines and rotation
// rings, and the light icons, with OpenGL 1.1 (vertex arrays over the meshes' 16-bit
// indices). It loads the camera matrices of CViewRenderer, so what the tools compute in
// software is what the window shows. Every call expects the view's context to be current.
#pragma once

#include <array>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "interaction/view_renderer.h"
#include "model/image.h"
#include "model/material.h"
#include "model/mesh.h"

namespace kelto {

struct Placement;

class CGLRenderer : public CViewRenderer {
  public:
    // What the last frame drew (for the tests and the benchmark).
    struct FrameStats {
        int meshes = 0;
        int normalised_meshes = 0;  // drawn with GL_NORMALIZE on
        int textured_meshes = 0;
        long long triangles = 0;
        int lights_enabled = 0;
        int handle_sets = 0;  // objects and lights showing their handles
    };

    CGLRenderer(int width, int height, const Vec3& eye, const Vec3& target, const Vec3& up,
                double focal_length);
    // A parallel view (the grid is then drawn in the plane the view looks at, behind the
    // scene).
    CGLRenderer(int width, int height, ViewProjection projection);
    ~CGLRenderer() override;

    // Sets up the context's fixed state; called once the view's context exists and is
    // current. False when there is no usable OpenGL: the renderer then draws nothing.
    bool InitializeGL();
    bool HasContext() const { return has_context_; }
    int MaxLights() const { return max_lights_; }
    const FrameStats& LastFrame() const { return stats_; }
    // Every node's mesh with GL_NORMALIZE on, not only scaled ones.
    void SetAlwaysNormalise(bool on) { always_normalise_ = on; }
    // Drops the textures made from pictures that carried none of their own; the view calls
    // it whenever materials or the scene may have changed.
    void ForgetTextures() { built_textures_.clear(); }

    void BeginFrame() override;
    void EndFrame() override {}  // the widget presents the frame
    void SetLighting(const std::array<float, 4>& ambient, const std::vector<Light>& lights,
                     bool local_viewer) override;
    void DrawGrid() override;
    void DrawNodeTree(const SceneNode& node, bool rotating, int grabbed_ring) override;
    void DrawLights(const std::vector<Light>& lights, bool rotating, int grabbed_ring) override;
    void LightingOff() override;

    // One line in a colour, in world coordinates.
    void DrawLine(const Vec3& a, const Vec3& b, double r, double g, double bl);
    void DrawLine(const Vec3& a, const Vec3& b) { DrawLine(a, b, 1.0, 1.0, 1.0); }

  private:
    // The material of a node; true when it is textured.
    bool SetUpMaterial(const Material& material);
    const std::uint8_t* TextureBytes(const TextureImage& image);
    void DrawMesh(const Mesh& mesh, bool normalise, bool textured);
    void LoadFrame(const Matrix4& frame);  // the camera, then `frame`
    void DrawHandles(const BoundingBox& box, const Matrix4& frame);
    // The handles of a node inside an object, when it is selected on its own.
    void DrawMemberHandles(const Placement& placed);
    void DrawBoxOutline(const BoundingBox& box, const Matrix4& frame,
                        const Matrix4& position_frame);
    void DrawRings(const Matrix4& frame, int grabbed_ring);
    void DrawDecoration(bool selected, bool rotating, int grabbed_ring, const BoundingBox& box,
                        const Matrix4& frame, const Matrix4& position_frame,
                        const Matrix4& ring_frame);

    bool has_context_ = false;
    int max_lights_ = 8;
    bool always_normalise_ = false;
    FrameStats stats_;
    std::unordered_map<const TextureImage*, std::vector<std::uint8_t>> built_textures_;
};

}  // namespace kelto
