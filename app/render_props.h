// "Render Properties": the render settings a Render command confirms, one page ("Sheet 1")
// with the render quality, Draft or Production. OK renders with the choice; Cancel ends the
// command and keeps the view's previous choice.
#pragma once

#include <QDialog>

#include "raytracer/render_camera.h"

class QRadioButton;
class QTabWidget;

namespace kelto {

class CRenderProps : public QDialog {
    Q_OBJECT

  public:
    explicit CRenderProps(RenderQuality quality, QWidget* parent = nullptr);
    RenderQuality Quality() const;
    QTabWidget* Pages() const { return pages_; }
    QRadioButton* DraftButton() const { return draft_; }
    QRadioButton* ProductionButton() const { return production_; }

  private:
    QTabWidget* pages_;
    QRadioButton* draft_;
    QRadioButton* production_;
};

}  // namespace kelto
