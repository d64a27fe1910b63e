// The render window: a CRenderView on a render of the document, with a status line of its
// progress. It counts its render among the running ones from the start until the render
// finishes, is stopped or the window closes; it asks before a running render is stopped or a
// finished picture that was not saved is thrown away, and saves the picture.
#pragma once

#include <QPointer>
#include <optional>
#include <string>

#include "app/child_frame.h"
#include "app/running_renders.h"
#include "document/render_request.h"
#include "platform/file_chooser.h"
#include "platform/messages.h"
#include "platform/window_thread.h"

class QLabel;

namespace kelto {

class CRenderView;

struct RenderWindowServices {
    MessageSink& messages;
    FileChooser& files;
    WindowThread& window_thread;
};

class CRenderViewChildFrame : public DocumentFrame {
    Q_OBJECT

  public:
    // Takes the render's snapshot of the document now; the render starts with
    // OnInitialUpdate.
    CRenderViewChildFrame(CTalvorDoc& document, const RenderCamera& camera,
                          const RenderSettings& settings, RenderWindowServices services);
    ~CRenderViewChildFrame() override;

    CRenderView& View() { return *view_; }
    const CRenderView& View() const { return *view_; }
    QLabel& StatusLine() { return *status_; }
    // Sizes the window to the picture (within the window area), starts the render and counts
    // it. Fails, counting nothing, when the render could not be made.
    Status OnInitialUpdate();
    // Whether this window's render is among the running ones.
    bool Counted() const { return token_.has_value(); }
    bool ImageSaved() const { return image_saved_; }

    // Stop rendering: asks first; Yes stops the render and closes the window, unless the
    // render finished while the question was shown.
    void OnStopRendering();
    // Save image: the save flow; a picture written is saved.
    void OnSaveImage();
    // Asks for a name (and for a JPEG the quality) and writes the picture. False when the
    // user cancelled or the picture could not be written (the message has been shown).
    bool SaveImageFlow();

  signals:
    // The render finished or stopped counting: the commands' states change.
    void RenderStateChanged();

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    // The window's own questions before it closes; false keeps it.
    bool AskBeforeClosing();
    void OnRenderFinished();
    void ShowProgress();
    std::string InitialPictureName();

    RenderWindowServices services_;
    QWidget* client_;    // owned by the frame
    CRenderView* view_;  // owned by the client area
    QLabel* status_;     // owned by the client area
    std::optional<RunningRenders::Token> token_;
    bool image_saved_ = false;
    bool stopping_ = false;  // the Stop command has asked already
};

}  // namespace kelto
