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

// A ray from a window point into the scene: the points origin + t * direction for t >= 0.
// The direction is not normalised.
struct PickRay {
    Vec3 origin;
    Vec3 direction;
};

// How a modelling view looks at the scene: through the scene's camera in perspective, or in
// parallel projection straight down (top), along -z (front) or along -x (right side).
enum class ViewProjection { Perspective, Top, Front, RightSide };

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
    // A view in parallel projection looking at the origin (Perspective gives the default
    // perspective camera).
    CViewRenderer(int width, int height, ViewProjection projection);
    virtual ~CViewRenderer() = default;
    CViewRenderer(const CViewRenderer&) = delete;
    CViewRenderer& operator=(const CViewRenderer&) = delete;

    const ViewCamera& Camera() const { return camera_; }
    ViewProjection Projection() const { return projection_; }
    bool IsOrthographic() const { return projection_ != ViewProjection::Perspective; }
    double FocalLength() const { return focal_length_; }
    // How far a parallel view stands back: with the lens it fixes how much of the scene the
    // view shows, as a perspective camera at that distance from its target would.
    double OrthographicDistance() const { return ortho_distance_; }
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
    // Eye and target move together along the view direction. A parallel view comes closer
    // instead: it shows less of the scene (never closer than kMinOrthographicDistance).
    void DollyIn(double distance);
    void DollyOut(double distance) { DollyIn(-distance); }
    // The view direction turns by `degrees` about the world x axis (tilt) or y axis (turn)
    // round the eye. A parallel view slides instead, so that the picture moves the way it
    // would for the perspective camera: by the distance a turn of that angle sweeps at the
    // view's distance.
    void TiltCamera(double degrees);
    void TurnCamera(double degrees);

    // --- navigation (never an edit; whatever the input, the camera stays one that can be
    // built: finite, its eye off its target, its up square to its direction) ---
    // Turns eye and target about `pivot`: `pitch_degrees` about the camera's right axis
    // (positive raises the eye, so the view looks further down), then `yaw_degrees` about the
    // world's vertical axis. The camera never rolls and never turns past looking straight down
    // or up, so the pivot keeps its window point and its distance from the eye.
    void Orbit(const Vec3& pivot, double yaw_degrees, double pitch_degrees);
    // Slides eye and target across the view so that the point of the plane through `grabbed`
    // (square to the view direction) under window point `from` comes under `to`.
    void Pan(const Vec3& grabbed, const WindowPoint& from, const WindowPoint& to);
    // Brings the view `factor` times closer to `point` (less than 1: further away), which keeps
    // its window point: a perspective camera moves eye and target along the line from the eye
    // to the point (never nearer than kMinZoomDistance to it); a parallel view shows 1 / factor
    // as much of the scene about the point.
    void ZoomAbout(const Vec3& point, double factor);
    // Keeps the view direction and moves the camera so that the sphere fills the view: a
    // perspective eye at the distance where the sphere touches the narrower side of the
    // frustum, a parallel view centred on it and sized to it. Radii below kMinFrameRadius are
    // taken as that.
    void Frame(const Vec3& centre, double radius);
    // The far plane of a perspective view: 155 units, or three times the eye's distance from
    // the target when that is more, so that what a navigation brings into view is drawn.
    double FarDistance() const { return far_distance_; }

    static constexpr double kMinZoomDistance = 0.5;
    static constexpr double kMinFrameRadius = 0.5;
    // Further than this from the origin no navigation takes the eye.
    static constexpr double kMaxCameraReach = 1e7;

    // --- projection ---
    // The window point of a world point through the camera's WindowProjection; false when
    // the point is behind the eye or on its plane.
    bool ProjectToWindow(const Vec3& world, WindowPoint& out) const;
    // The ray through a window point: from the eye, through the point's place on the near
    // plane (not normalised). In perspective u = (x / (width / 2) - 1) * right / near and
    // v = (1 - y / (height / 2)) * top / near, direction = view direction + u * right vector
    // + v * up vector; the origin is the eye. A parallel view's rays all have the view
    // direction and start from the point's place on the eye's plane.
    PickRay RayAt(const WindowPoint& point) const;
    Vec3 RayThrough(const WindowPoint& point) const { return RayAt(point).direction; }

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

    static constexpr double kOrthographicEyeDistance = 200.0;     // eye to the centre plane
    static constexpr double kDefaultOrthographicDistance = 44.0;  // shows the grid at 50 mm
    static constexpr double kMinOrthographicDistance = 1.0;
    static constexpr double kMaxOrthographicDistance = 1000.0;

  private:
    void ApplyProjection();
    // A parallel view looking at `centre` from its side.
    void PlaceOrthographic(const Vec3& centre);
    // LookAt for a navigation: a camera that cannot be built (not finite, eye on target, up
    // along the direction, eye beyond kMaxCameraReach) is refused and the camera stays.
    bool TryLookAt(const Vec3& eye, const Vec3& target, const Vec3& up);
    void FitFarPlane();

    ViewCamera camera_;
    ViewProjection projection_ = ViewProjection::Perspective;
    double focal_length_;
    double ortho_distance_ = kDefaultOrthographicDistance;
    double ortho_eye_distance_ = kOrthographicEyeDistance;  // eye to the centre plane
    double far_distance_ = ViewCamera::kFar;
    int width_;
    int height_;
};

// The camera of a view without a window to draw in: the tools' arithmetic alone (tests,
// benchmarks, scripts).
class HeadlessViewRenderer : public CViewRenderer {
  public:
    using CViewRenderer::CViewRenderer;
    void BeginFrame() override {}
    void EndFrame() override {}
    void SetLighting(const std::array<float, 4>&, const std::vector<Light>&, bool) override {}
    void DrawGrid() override {}
    void DrawNodeTree(const SceneNode&, bool, int) override {}
    void DrawLights(const std::vector<Light>&, bool, int) override {}
    void LightingOff() override {}
};

}  // namespace kelto
