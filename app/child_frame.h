// The windows a document is shown in. DocumentFrame is what every window of a document shares
// (its document, closing with the save question when it is the last one); CChildFrame is the
// modelling window: a CTalvorView, and the place where the camera bars go round it.
#pragma once

#include <QMdiSubWindow>
#include <QPointer>
#include <optional>

#include "document/document_core.h"
#include "interaction/tool_state.h"

class QVBoxLayout;

namespace kelto {

class CTalvorDoc;
class CTalvorView;

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
    CChildFrame(CTalvorDoc& document, ToolState& tools, const std::optional<ViewEntry>& camera);
    CTalvorView& View() { return *view_; }
    // The frame's client area: the view, and the bars the frame puts round it.
    QWidget& Client() { return *client_; }

  private:
    QWidget* client_;    // owned by the frame
    CTalvorView* view_;  // owned by the client area
};

}  // namespace kelto
