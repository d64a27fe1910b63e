// The Objects panel's model: the active document's scene as a tree of rows (objects with their
// members, then the lights), each with its kind's picture, its name and, for objects, the
// visible flag as a check box. It is a view of the document: it changes the scene only through
// the document core (renames and the visible flag) and follows the core's change sets, taking
// the rows again from the scene only when the tree itself changed.
#pragma once

#include <QAbstractItemModel>
#include <QIcon>
#include <QPointer>
#include <functional>
#include <map>
#include <unordered_map>

#include "app/talvor_doc.h"
#include "document/scene_rows.h"

namespace kelto {

class SceneTreeModel : public QAbstractItemModel {
    Q_OBJECT

  public:
    // `report` shows a refusal (a name taken, say).
    explicit SceneTreeModel(std::function<void(const Status&)> report, QObject* parent = nullptr);
    ~SceneTreeModel() override;

    // Follows this document from now on (null: none).
    void SetDocument(CTalvorDoc* document);
    CTalvorDoc* Document() const { return document_.data(); }

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    const SceneRows& Rows() const { return rows_; }
    const SceneRow* RowAt(const QModelIndex& index) const;
    QModelIndex IndexOfRow(int row) const;
    QModelIndex IndexOf(NodeId node) const;

  signals:
    // The selected flags of the rows changed (after the document's selection changed).
    void SelectionFlagsChanged();
    // The rows were taken again from the scene: the indexes before are gone.
    void RowsRebuilt();

  private:
    void OnChanges(const ChangeSet& changes);
    void Rebuild();
    QIcon IconOf(const SceneRow& row) const;

    std::function<void(const Status&)> report_;
    QPointer<CTalvorDoc> document_;
    Subscription changes_;
    SceneRows rows_;
    std::unordered_map<NodeId, int> node_rows_;
    mutable std::map<int, QIcon> icons_;  // by command whose picture they are
};

}  // namespace kelto
