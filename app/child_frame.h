// The windows a document is shown in. DocumentFrame is what every window of a document shares
// (its document, closing with the save question when it is the last one); CChildFrame is the
// modelling window: a CTalvorView (in perspective, or from the top, front or right side, or
// all four at once) with the camera bars round it.
#pragma once

#include <QMdiSubWindow>
#include <QPointer>
#include <functional>
#include <optional>
#include <vector>

#include "document/document_core.h"
#include "interaction/tool_state.h"

class QVBoxLayout;

namespace kelto {

class CTalvorDoc;
class CTalvorView;
class CTopCameraBar;
class CLeftCameraBar;

// What a modelling window shows.
enum class FrameLayout {
    Perspective,  // the scene's camera
    Top,
    Front,
    RightSide,
    FourViews,  // top, front, right side and perspective in a two-by-two split
};

class DocumentFrame : public QMdiSubWindow {
    Q_OBJECT

  public:
    explicit DocumentFrame(CTalvorDoc& document);
    ~DocumentFrame() override;
    CTalvorDoc& Document() { return *document_; }

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    // A closed window may wait for its deletion after its document is gone.
    QPointer<CTalvorDoc> document_;
};

class CChildFrame : public DocumentFrame {
    Q_OBJECT

  public:
    // `camera` is the perspective view's stored camera. The camera bars act on this window's
    // own views: the one focused last, the main view until another is; the lens slider shows
    // that view's lens.
    CChildFrame(CTalvorDoc& document, ToolState& tools, const std::optional<ViewEntry>& camera,
                FrameLayout layout = FrameLayout::Perspective);
    // The main view: the perspective one, or the only one of a parallel view's window.
    CTalvorView& View() { return *view_; }
    // Every view of the window (four in the four-view layout).
    const std::vector<CTalvorView*>& Views() const { return views_; }
    // The perspective view, null in a window of one parallel view.
    CTalvorView* PerspectiveView() const;
    FrameLayout Layout() const { return layout_; }
    // The frame's client area: the view, and the bars the frame puts round it.
    QWidget& Client() { return *client_; }
    CTopCameraBar& TopBar() { return *top_bar_; }
    CLeftCameraBar& LeftBar() { return *left_bar_; }
    // The view the camera bars act on.
    CTalvorView& CameraView() { return *camera_view_; }

  private:
    FrameLayout layout_;
    QWidget* client_;    // owned by the frame
    CTalvorView* view_;  // owned by the client area
    std::vector<CTalvorView*> views_;
    CTalvorView* camera_view_;  // one of views_
    CTopCameraBar* top_bar_;
    CLeftCameraBar* left_bar_;
};

}  // namespace kelto
