// The modelling view: an OpenGL window on a document's scene. It draws the scene through its
// CGLRenderer and hands its mouse events, as toolkit-free PointerEvents, to its
// ToolController, which edits the document through the document's operations. It looks
// through the scene's camera in perspective, or in parallel projection from the top, the
// front or the right side; the camera bars move its camera.
#pragma once

#include <QOpenGLWidget>
#include <memory>
#include <optional>

#include "document/document_core.h"
#include "interaction/tool_controller.h"
#include "interaction/tool_state.h"
#include "raytracer/render_camera.h"
#include "views/gl_renderer.h"
#include "views/render_picture_size.h"

namespace kelto {

class CTalvorView : public QOpenGLWidget {
    Q_OBJECT

  public:
    // The view looks through `stored` when the document's file gave it a camera, otherwise
    // through the scene's camera.
    CTalvorView(DocumentCore& document, ToolState& tools, const std::optional<ViewEntry>& stored,
                QWidget* parent = nullptr);
    // A view in parallel projection (Perspective gives the scene's camera).
    CTalvorView(DocumentCore& document, ToolState& tools, ViewProjection projection,
                QWidget* parent = nullptr);
    ~CTalvorView() override;

    ViewProjection Projection() const { return renderer_->Projection(); }
    bool IsPerspective() const { return Projection() == ViewProjection::Perspective; }

    DocumentCore& Document() { return document_; }
    CGLRenderer& Renderer() { return *renderer_; }
    const CGLRenderer& Renderer() const { return *renderer_; }
    ToolController& Tools() { return *tools_; }
    // The camera as the scene file keeps it: the lens (whole millimetres), direction, eye and
    // target.
    ViewEntry CurrentView() const;
    // Looks through a stored camera from now on.
    void SetStoredCamera(const ViewEntry& view);
    bool SizeValid() const { return size_valid_; }
    // False when the window got no working OpenGL context; it then stays empty.
    bool HasOpenGL() const { return renderer_->HasContext(); }
    // Redraws at once (the camera controls and the document call it).
    void RedrawNow() { update(); }
    // The quality this view renders in: Draft until its render settings say otherwise; kept
    // by the view only (not in the scene file, not shared with other views).
    RenderQuality RenderQualityChoice() const { return render_quality_; }
    void SetRenderQualityChoice(RenderQuality quality) { render_quality_ = quality; }
    // The picture size this view renders at: its own size (nothing, as a new view does) or
    // a size chosen in its render settings; kept like the quality.
    std::optional<RenderPictureSize> RenderSizeChoice() const { return render_size_; }
    void SetRenderSizeChoice(std::optional<RenderPictureSize> size) { render_size_ = size; }
    // The size of a render at the window's own size: as the view last recorded it, at least
    // the smallest render either way.
    RenderPictureSize WindowPictureSize() const;
    // What a render from this view looks through: its camera and lens, at the size it last
    // recorded or at the size chosen for its renders, in its quality.
    RenderCamera RenderCameraSnapshot() const;
    // What the text tool asks for its text (not owned; null: the text tool adds nothing).
    void SetTextPrompt(TextToolPrompt* prompt) { tools_->SetTextPrompt(prompt); }

    // --- camera operations of the camera bars, each redrawn at once ---
    void DollyIn();
    void DollyOut();
    void TiltUp();
    void TiltDown();
    void TurnLeft();
    void TurnRight();
    // The lens in whole millimetres.
    void SetLens(int millimetres);
    // The camera keeps its direction and moves so that the selection (the whole scene when
    // nothing is selected), or the whole scene, fills the view.
    void FrameSelected();
    void FrameAll();

    // The window's client area changed to cx x cy pixels.
    void OnSize(int cx, int cy);
    // One frame of the scene.
    void OnDraw();

  signals:
    // A tool has something to tell the user (a text the font could not make in full).
    void MessageRequested(const kelto::Status& message);
    // A Text object was double-clicked.
    void EditTextRequested(kelto::NodeId node);
    // The camera moved (a camera bar, the lens, a navigation with the mouse).
    void CameraMoved();
    // Right button: the frame shows the view's context menu at this screen point.
    void ContextMenuRequested(const QPoint& global_point);
    // The view took the keyboard focus: it is the active modelling view now.
    void Focused(kelto::CTalvorView* view);
    // The window could not get an OpenGL context.
    void OpenGLMissing();

  protected:
    void initializeGL() override;
    void resizeGL(int w, int h) override;
    void paintGL() override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

  private:
    void Initialise();
    void OnLButtonDown(QMouseEvent* event);
    void OnMouseMove(QMouseEvent* event);
    void OnLButtonUp(QMouseEvent* event);
    void OnLButtonDblClk(QMouseEvent* event);
    void OnRButtonDown(QMouseEvent* event);
    void OnKeyDown(QKeyEvent* event);
    // The arrows and Escape go to the tools; true when the tools took the key.
    bool OnToolKey(QKeyEvent* event);
    void OnKeyUp(QKeyEvent* event);
    void OnContextMenu(QContextMenuEvent* event);
    void OnSetFocus();
    // The mouse went elsewhere in the middle of a drag (the window lost the focus).
    void OnCaptureChanged();
    void Pass(PointerEventKind kind, QMouseEvent* event);
    void Cancel();
    void Apply(const ToolResponse& response);
    void ShowCursor(ToolCursor cursor);
    void CameraChangedNow();

    DocumentCore& document_;
    ToolState& tool_state_;
    std::unique_ptr<CGLRenderer> renderer_;
    std::unique_ptr<ToolController> tools_;
    Subscription changes_;
    bool size_valid_ = false;
    bool local_viewer_ = true;
    RenderQuality render_quality_ = RenderQuality::Draft;
    std::optional<RenderPictureSize> render_size_;
    unsigned modifiers_ = kModifierNone;  // 4 while Shift is down, 2 while Ctrl is
    std::optional<ToolCursor> shown_cursor_;
    bool handling_press_ = false;  // a tool may open a dialog while the press is handled
};

}  // namespace kelto
