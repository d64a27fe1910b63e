// "Render Properties": the render settings a Render command confirms. "Quality" (Draft or
// Production) and "Size" are the modelling view's own choices: OK renders with them and the
// view keeps them; Cancel ends the command and keeps the view's previous choices. "Lighting"
// and "Environment" belong to the scene: OK sets them in the document as one step, and a
// value out of range is refused with its message while the sheet stays open.
#pragma once

#include <QDialog>
#include <optional>

#include "model/status.h"
#include "raytracer/render_camera.h"
#include "views/render_picture_size.h"

class QRadioButton;
class QTabWidget;

namespace kelto {

class DocumentCore;
class FileChooser;
class MessageSink;
class RenderEnvironmentPage;
class RenderLightingPage;
class RenderSizePage;

// What a view renders with until its sheet says otherwise.
struct ViewRenderChoices {
    RenderQuality quality = RenderQuality::Draft;
    std::optional<RenderPictureSize> size;  // nothing: the window's size
    RenderPictureSize window_size;          // that size, as the view last recorded it
};

struct RenderPropsServices {
    DocumentCore& document;  // whose lighting and environment the sheet shows and sets
    MessageSink& messages;
    FileChooser& files;  // the environment picture is chosen through it
};

class CRenderProps : public QDialog {
    Q_OBJECT

  public:
    CRenderProps(const ViewRenderChoices& choices, RenderPropsServices services,
                 QWidget* parent = nullptr);
    RenderQuality Quality() const;
    std::optional<RenderPictureSize> SizeChoice() const;
    QTabWidget* Pages() const { return pages_; }
    QRadioButton* DraftButton() const { return draft_; }
    QRadioButton* ProductionButton() const { return production_; }

    // OK: the size is checked and the scene's lighting set; a refusal shows its message, turns
    // to the page it concerns and keeps the sheet open.
    void accept() override;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    bool Refused(const Status& status, QWidget* page);

    RenderPropsServices services_;
    QTabWidget* pages_;
    QRadioButton* draft_;
    QRadioButton* production_;
    RenderSizePage* size_page_;
    RenderLightingPage* lighting_page_;
    RenderEnvironmentPage* environment_page_;
};

}  // namespace kelto
