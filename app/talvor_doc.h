// The Qt side of a document: it owns the DocumentCore (the scene and every operation on it),
// the file's path and the windows open on it. After every change set of the core it redraws
// all its views and brings the window titles up to date.
#pragma once

#include <QObject>
#include <QString>
#include <memory>
#include <vector>

#include "document/document_core.h"
#include "platform/file_chooser.h"
#include "platform/messages.h"

class QMdiSubWindow;

namespace kelto {

class CTalvorView;
class DocumentFrame;

class CTalvorDoc : public QObject {
    Q_OBJECT

  public:
    // `untitled_name` ("Kelto1") is the title while the document has no file.
    CTalvorDoc(std::unique_ptr<DocumentCore> core, QString path, QString untitled_name,
               MessageSink& messages, FileChooser& files);
    ~CTalvorDoc() override;

    DocumentCore& Core() { return *core_; }
    const DocumentCore& Core() const { return *core_; }
    const QString& PathName() const { return path_; }
    // The file's name, or the untitled name.
    QString Title() const;
    bool IsModified() const { return core_->IsModified(); }

    // --- windows ---
    void AddFrame(DocumentFrame* frame);
    void RemoveFrame(DocumentFrame* frame);
    const std::vector<DocumentFrame*>& Frames() const { return frames_; }
    // The modelling views, in the order their windows were opened (all four of a four-view
    // window).
    std::vector<CTalvorView*> ModellingViews() const;
    // The perspective ones among them: their cameras are what the scene file keeps.
    std::vector<CTalvorView*> PerspectiveViews() const;
    void UpdateAllViews();
    void UpdateFrameTitles();
    // True while Close or the program's end takes all windows down: they do not ask again.
    bool IsClosing() const { return closing_; }
    void SetClosing(bool closing) { closing_ = closing; }

    // --- files ---
    // The cameras a save keeps: the perspective views' cameras in window order, each under the
    // name of the stored camera at its place, then the stored cameras after them. Views in
    // parallel projection have no camera the file keeps.
    std::vector<ViewEntry> ViewsToSave() const;
    // ViewsToSave into the core (done before a save).
    void StoreViews();
    // Save (Save As when the document has no file yet, or `ask_name`). False when the user
    // cancelled or the save failed (the message has been shown; the document stays modified).
    bool DoSave(bool ask_name);
    // Asks "Save changes to ...?" when the document is modified: Yes saves, No discards,
    // Cancel keeps. True when the document may close.
    bool SaveModified();

  signals:
    // After every change set of the core.
    void Changed();
    // The document was saved to this file.
    void Saved(const QString& path);
    // A window was opened on the document or closed.
    void FramesChanged();

  private:
    std::unique_ptr<DocumentCore> core_;
    QString path_;
    QString untitled_name_;
    MessageSink& messages_;
    FileChooser& files_;
    std::vector<DocumentFrame*> frames_;
    Subscription changes_;
    bool closing_ = false;
};

}  // namespace kelto
