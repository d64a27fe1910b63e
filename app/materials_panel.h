// The "Materials" panel: the ready materials and the user's own, each with a small ray-traced
// picture, given to the selected objects by a double click or "Apply", or to one object by
// dragging the picture onto it in a modelling view; "Add Current" keeps the selected object's
// material in the user's library.
#pragma once

#include <QDockWidget>
#include <QListWidget>
#include <memory>
#include <string>
#include <vector>

#include "app/command_hooks.h"
#include "document/material_swatches.h"
#include "files/material_file.h"
#include "platform/messages.h"
#include "platform/window_thread.h"

class QLabel;
class QPushButton;

namespace kelto {

class CMainFrame;
class CTalvorView;

struct MaterialsPanelServices {
    MessageSink& messages;
    WindowThread& window_thread;  // the pictures come back through it
    std::string user_folder;      // the user's library (UserMaterialFolder)
    std::string cache_folder;     // the pictures (SwatchCacheFolder)
    std::string version;          // part of the pictures' cache key
};

// The list of pictures; a picture dragged out carries its row.
class MaterialSwatchList : public QListWidget {
    Q_OBJECT

  public:
    static constexpr char kMimeType[] = "application/x-kelto-material";
    explicit MaterialSwatchList(QWidget* parent = nullptr);

  protected:
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QList<QListWidgetItem*>& items) const override;
};

class MaterialsPanel : public QDockWidget {
    Q_OBJECT

  public:
    static constexpr int kSwatchSize = 64;

    MaterialsPanel(CMainFrame& frame, MaterialsPanelServices services);
    ~MaterialsPanel() override;

    QListWidget* List() const { return list_; }
    QPushButton* ApplyButton() const { return apply_; }
    QPushButton* AddCurrentButton() const { return add_current_; }
    // The row of a material by its name; -1 when there is none.
    int RowNamed(const QString& name) const;
    // Rows whose picture is shown.
    int PicturesShown() const;
    // Gives the material of the row to the selected objects of the active document, one step;
    // false (with the reason in the panel's hint line) when nothing is selected.
    bool ApplyRow(int row);
    // Keeps the material of the active document's first selected object in the user's library
    // under `name` and lists it; a refusal is shown as a message.
    bool AddCurrent(const QString& name);

  signals:
    // Every row has its picture.
    void PicturesComplete();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    struct Row {
        QString name;
        QString tooltip;
        bool own;  // the user's, not a ready one
        Material material;
    };
    void AddRows(std::vector<Row> rows);
    void ShowPicture(std::size_t index, const RenderImage& picture);
    void OnAddCurrent();
    // The modelling view under a point of the main window, if any, and the object of that
    // view under it; false when there is none.
    CTalvorView* ViewAt(const QPoint& point) const;
    bool ObjectAt(CTalvorView* view, const QPoint& point, NodeId& node) const;

    CMainFrame& frame_;
    MaterialsPanelServices services_;
    MaterialSwatchList* list_;
    QPushButton* apply_;
    QPushButton* add_current_;
    QLabel* hint_;
    std::vector<Material> materials_;             // by the rows' material index; never shrinks
    std::unique_ptr<MaterialSwatches> swatches_;  // after materials_: stops first
};

// Sets the "Materials manager palette" hook: the panel is made the first time, docked at the
// right of the main window, and shown and raised each time.
void AddMaterialsPanelHook(CommandHooks& hooks, CMainFrame& frame,
                           const MaterialsPanelServices& services);

}  // namespace kelto
