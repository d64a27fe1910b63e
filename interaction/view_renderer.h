// The software half of a modelling view's renderer: the camera (eye, target, the unit
// direction, right and up vectors, frustum, viewport), its lens, the camera moves of the
// view's controls, and the state the tools set for the next frame. The tools turn mouse
// points into rays with it and project world points to the window without asking OpenGL;
// the OpenGL renderer (CGLRenderer) loads exactly these matrices, so the two never disagree.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "model/light.h"
#include "model/scene_node.h"
#include "model/view_camera.h"

namespace kelto {

// A point on the window: x to the right, y down, in pixels from the top left corner.
struct WindowPoint {
    double x = 0.0;
    double y = 0.0;
};

class CViewRenderer {
  public:
    // What the view is doing with the selection while a drag is on.
    enum HighlightMode {
        kHighlightNormal = 0,
        kHighlightMoving = 1,
        kHighlightRotating = 2,
        kHighlightScaling = 3
    };

    CViewRenderer(int width, int height, const Vec3& eye, const Vec3& target, const Vec3& up,
                  double focal_length);
    virtual ~CViewRenderer() = default;
    CViewRenderer(const CViewRenderer&) = delete;
    CViewRenderer& operator=(const CViewRenderer&) = delete;

    const ViewCamera& Camera() const { return camera_; }
    double FocalLength() const { return focal_length_; }
    int Width() const { return width_; }
    int Height() const { return height_; }

    // --- camera ---
    // direction = normalise(target - eye), right = normalise(direction x up), true up =
    // right x direction.
    void LookAt(const Vec3& eye, const Vec3& target, const Vec3& up);
    // False (and nothing changes) for a height of 0 or less. The same size again changes
    // nothing and returns true; a new size recomputes the projection for the lens.
    bool Resize(int width, int height);
    // A new lens recomputes the projection; the same lens changes nothing.
    void SetFocalLength(double focal_length);
    // The lens, then the camera looking from `eye` at `target` with y up. (The direction is
    // taken from the two points; the stored one only says the same.)
    void SetCamera(const Vec3& direction, const Vec3& eye, const Vec3& target, double focal_length);
    // Eye and target move together along the view direction.
    void DollyIn(double distance);
    void DollyOut(double distance) { DollyIn(-distance); }
    // The view direction turns by `degrees` about the world x axis (tilt) or y axis (turn)
    // round the eye.
    void TiltCamera(double degrees);
    void TurnCamera(double degrees);

    // --- projection ---
    // The window point of a world point (the modelview and projection of the camera, then
    // the viewport); false when the point is behind the eye or on its plane.
    bool ProjectToWindow(const Vec3& world, WindowPoint& out) const;
    // The ray through a window point: from the eye, through the point's place on the near
    // plane (not normalised).
    Vec3 RayThrough(const WindowPoint& point) const;

    // --- set by the view and its tools before a frame ---
    int highlight_mode = kHighlightNormal;
    int grabbed_corner = -1;
    std::uint8_t axis_mask = 1;

    // --- drawing (the OpenGL renderer) ---
    virtual void BeginFrame() = 0;
    virtual void EndFrame() = 0;
    virtual void SetLighting(const std::array<float, 4>& ambient, const std::vector<Light>& lights,
                             bool local_viewer) = 0;
    virtual void DrawGrid() = 0;
    virtual void DrawNodeTree(const SceneNode& node, bool rotating, int grabbed_ring) = 0;
    virtual void DrawLights(const std::vector<Light>& lights, bool rotating, int grabbed_ring) = 0;
    virtual void LightingOff() = 0;

  protected:
    // The projection or the viewing matrix changed.
    virtual void CameraChanged() {}

  private:
    void ApplyProjection();

    ViewCamera camera_;
    double focal_length_;
    int width_;
    int height_;
};

}  // namespace kelto
