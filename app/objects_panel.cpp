#include "objects_panel.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QTreeView>

namespace kelto {

ObjectsPanel::ObjectsPanel(std::function<void(const Status&)> report, QWidget* parent)
    : QDockWidget("Objects", parent),
      model_(new SceneTreeModel(std::move(report), this)),
      tree_(new QTreeView(this)) {
    setObjectName("objects_panel");
    tree_->setObjectName("objects_tree");
    tree_->setAccessibleName("Objects");
    tree_->setModel(model_);
    tree_->setHeaderHidden(true);
    tree_->setUniformRowHeights(true);  // long lists scroll without measuring every row
    tree_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    tree_->setSelectionBehavior(QAbstractItemView::SelectRows);
    tree_->setEditTriggers(QAbstractItemView::EditKeyPressed);
    tree_->setIconSize(QSize(16, 16));
    setWidget(tree_);

    connect(tree_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &ObjectsPanel::TakeSelection);
    connect(model_, &SceneTreeModel::SelectionFlagsChanged, this,
            &ObjectsPanel::ShowDocumentSelection);
    connect(model_, &SceneTreeModel::RowsRebuilt, this, [this] {
        RestoreExpansion();
        ShowDocumentSelection();
    });
    connect(tree_, &QTreeView::collapsed, this, [this](const QModelIndex& index) {
        if (const SceneRow* row = model_->RowAt(index)) {
            collapsed_.insert(row->node);
        }
    });
    connect(tree_, &QTreeView::expanded, this, [this](const QModelIndex& index) {
        if (const SceneRow* row = model_->RowAt(index)) {
            collapsed_.erase(row->node);
        }
    });
}

ObjectsPanel::~ObjectsPanel() {
    // The model and the tree go after this body: nothing they say on the way reaches the panel.
    disconnect(tree_->selectionModel(), nullptr, this, nullptr);
    disconnect(model_, nullptr, this, nullptr);
    disconnect(tree_, nullptr, this, nullptr);
}

void ObjectsPanel::SetDocument(CTalvorDoc* document) {
    if (document != model_->Document()) {
        collapsed_.clear();
    }
    model_->SetDocument(document);
}

void ObjectsPanel::RestoreExpansion() {
    // Containers stand open unless the user closed them.
    const QSignalBlocker quiet(tree_);
    const std::vector<SceneRow>& rows = model_->Rows().rows;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (!rows[i].children.empty() && !collapsed_.contains(rows[i].node)) {
            tree_->expand(model_->IndexOfRow(static_cast<int>(i)));
        }
    }
}

void ObjectsPanel::ShowDocumentSelection() {
    QItemSelection selection;
    QModelIndex first;
    const std::vector<SceneRow>& rows = model_->Rows().rows;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (rows[i].selected) {
            const QModelIndex at = model_->IndexOfRow(static_cast<int>(i));
            selection.select(at, at);
            if (!first.isValid()) {
                first = at;
            }
        }
    }
    syncing_ = true;
    QItemSelectionModel* model = tree_->selectionModel();
    model->select(selection, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    if (first.isValid()) {
        model->setCurrentIndex(first, QItemSelectionModel::NoUpdate);
        tree_->scrollTo(first);
    }
    syncing_ = false;
}

void ObjectsPanel::TakeSelection(const QItemSelection& /*selected*/,
                                 const QItemSelection& /*deselected*/) {
    CTalvorDoc* document = model_->Document();
    if (syncing_ || document == nullptr) {
        return;
    }
    std::vector<NodeId> nodes;
    std::vector<LightId> lights;
    for (const QModelIndex& index : tree_->selectionModel()->selectedRows()) {
        if (const SceneRow* row = model_->RowAt(index)) {
            if (row->IsLight()) {
                lights.push_back(row->light);
            } else {
                nodes.push_back(row->node);
            }
        }
    }
    document->Core().SelectExactly(nodes, lights);
}

void ObjectsPanel::RenameSelected() {
    const QModelIndexList selected = tree_->selectionModel()->selectedRows();
    if (selected.size() == 1) {
        tree_->setCurrentIndex(selected.front());
        tree_->scrollTo(selected.front());
        tree_->setFocus();
        tree_->edit(selected.front());
    }
}

}  // namespace kelto
