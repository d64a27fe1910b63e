// A document template: what kind of window it opens on a document. Kelto registers one over
// its document class: the modelling template (a CChildFrame with a CTalvorView). The render
// window is opened by the Render command itself, with the camera it renders through.
#pragma once

#include <QMdiSubWindow>
#include <QString>
#include <functional>

namespace kelto {

class CTalvorDoc;

class DocumentTemplate {
  public:
    // Makes the window (not yet shown or added to the main window's area).
    using FrameFactory = std::function<QMdiSubWindow*(CTalvorDoc& document)>;

    // `strings`: "\nKelto\nKelto\nKelto Files (*.kel)\n.kel\nKelto.Scene\nKelto Scene" (window
    // title, document name, new-file name, filter, extension, file type id, type name).
    DocumentTemplate(int resource_id, const QString& strings, FrameFactory factory = {});

    int ResourceId() const { return resource_id_; }
    // Part n of the strings (0 window title .. 6 type name); empty when missing.
    QString String(int n) const;
    QString DocumentName() const { return String(1); }  // "Kelto": new documents are Kelto1, ...
    QString FilterText() const { return String(3); }
    QString Extension() const { return String(4); }
    QString FileTypeId() const { return String(5); }
    QString TypeName() const { return String(6); }

    void SetFrameFactory(FrameFactory factory) { factory_ = std::move(factory); }
    // A new window on the document; null when the template has no frames to give yet.
    QMdiSubWindow* OpenFrame(CTalvorDoc& document) const {
        return factory_ ? factory_(document) : nullptr;
    }

  private:
    int resource_id_;
    QStringList strings_;
    FrameFactory factory_;
};

inline constexpr int kDocumentResourceId = 129;
inline constexpr char kDocumentStrings[] =
    "\nKelto\nKelto\nKelto Files (*.kel)\n.kel\nKelto.Scene\nKelto Scene";

}  // namespace kelto
