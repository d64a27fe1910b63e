// The "Objects" dock: the active document's objects and lights as a tree, with a picture per
// kind, the names and a check box per object that shows or hides it. The selection follows
// both ways: choosing rows (click, Ctrl-click, Shift-click) selects those objects and lights in
// the document, and a selection made anywhere else highlights their rows at once. Names are
// edited in place (F2, or Object > Rename...).
#pragma once

#include <QDockWidget>
#include <functional>
#include <unordered_set>

#include "app/scene_tree_model.h"

class QTreeView;
class QItemSelection;

namespace kelto {

class ObjectsPanel : public QDockWidget {
    Q_OBJECT

  public:
    ObjectsPanel(std::function<void(const Status&)> report, QWidget* parent = nullptr);
    ~ObjectsPanel() override;

    // Shows this document (null: none); the same document again changes nothing.
    void SetDocument(CTalvorDoc* document);
    QTreeView* Tree() const { return tree_; }
    SceneTreeModel& Model() { return *model_; }
    // Starts editing the name of the selected object's row.
    void RenameSelected();

  private:
    void ShowDocumentSelection();
    void TakeSelection(const QItemSelection& selected, const QItemSelection& deselected);
    void RestoreExpansion();

    SceneTreeModel* model_;
    QTreeView* tree_;
    bool syncing_ = false;
    std::unordered_set<NodeId> collapsed_;  // containers the user closed
};

}  // namespace kelto
