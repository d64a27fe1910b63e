#include "scene_tree_model.h"

#include "app/command_icons.h"
#include "app/command_table.h"
#include "document/node_fields.h"

namespace kelto {
namespace {

using namespace command_ids;

// The command whose picture shows the row's kind.
int PictureCommand(const SceneRow& row, const Scene& scene) {
    if (row.IsLight()) {
        const Light* light = scene.FindLight(row.light);
        const LightKind kind = light ? light->kind : LightKind::Point;
        return kind == LightKind::Spot    ? kSpotLight
               : kind == LightKind::Point ? kPointLight
                                          : kAreaLight;
    }
    switch (row.type) {
        case ObjectType::Text:
            return kTextTool;
        case ObjectType::Group:
            return kGroup;
        case ObjectType::Trim:
        case ObjectType::Combine:
        case ObjectType::Intersect:
            return kTrim;
        case ObjectType::Mesh:
            return kSelectPrimitive;
        default:
            return IsPrimitive(row.type) ? ToolCommandOf(row.type) : kSelectPrimitive;
    }
}

QString KindName(const SceneRow& row) {
    if (row.IsLight()) {
        return "Light";
    }
    const std::string_view base = NameBase(row.type);
    return QString::fromUtf8(base.data(), static_cast<int>(base.size())).remove(':');
}

}  // namespace

SceneTreeModel::SceneTreeModel(std::function<void(const Status&)> report, QObject* parent)
    : QAbstractItemModel(parent), report_(std::move(report)) {}

SceneTreeModel::~SceneTreeModel() {
    changes_.Reset();
}

void SceneTreeModel::SetDocument(CTalvorDoc* document) {
    if (document == document_.data() && (document == nullptr || changes_.Active())) {
        return;
    }
    changes_.Reset();
    document_ = document;
    if (document != nullptr) {
        changes_ = document->Core().Subscribe([this](const ChangeSet& set) { OnChanges(set); });
    }
    Rebuild();
}

void SceneTreeModel::Rebuild() {
    beginResetModel();
    rows_ = document_ ? FlattenScene(document_->Core().GetScene()) : SceneRows{};
    node_rows_.clear();
    for (std::size_t i = 0; i < rows_.rows.size(); ++i) {
        if (!rows_.rows[i].IsLight()) {
            node_rows_.emplace(rows_.rows[i].node, static_cast<int>(i));
        }
    }
    endResetModel();
    emit RowsRebuilt();
}

void SceneTreeModel::OnChanges(const ChangeSet& changes) {
    if (!document_) {
        return;
    }
    static constexpr ChangeKind kTreeChanges[] = {
        ChangeKind::NodeAdded,  ChangeKind::NodeRemoved,  ChangeKind::TreeChanged,
        ChangeKind::LightAdded, ChangeKind::LightRemoved, ChangeKind::SceneReplaced};
    for (ChangeKind kind : kTreeChanges) {
        if (changes.Has(kind)) {
            Rebuild();
            return;
        }
    }
    for (const DocumentChange& change : changes.changes) {
        QModelIndex at;
        if (change.kind == ChangeKind::NodeRenamed || change.kind == ChangeKind::NodeShown) {
            at = IndexOf(change.node);
        } else if (change.kind == ChangeKind::LightChanged) {
            for (std::size_t i = 0; i < rows_.rows.size(); ++i) {
                if (rows_.rows[i].light == change.light) {
                    at = IndexOfRow(static_cast<int>(i));
                }
            }
        }
        if (at.isValid()) {
            emit dataChanged(at, at);
        }
    }
    const std::vector<int> flagged = RefreshFlags(document_->Core().GetScene(), rows_);
    for (int row : flagged) {
        const QModelIndex at = IndexOfRow(row);
        emit dataChanged(at, at, {Qt::CheckStateRole});
    }
    if (changes.Has(ChangeKind::Selection)) {
        emit SelectionFlagsChanged();
    }
}

const SceneRow* SceneTreeModel::RowAt(const QModelIndex& index) const {
    if (!index.isValid() || index.internalId() >= rows_.rows.size()) {
        return nullptr;
    }
    return &rows_.rows[index.internalId()];
}

QModelIndex SceneTreeModel::IndexOfRow(int row) const {
    if (row < 0 || static_cast<std::size_t>(row) >= rows_.rows.size()) {
        return {};
    }
    return createIndex(rows_.rows[static_cast<std::size_t>(row)].index_in_parent, 0,
                       static_cast<quintptr>(row));
}

QModelIndex SceneTreeModel::IndexOf(NodeId node) const {
    const auto it = node_rows_.find(node);
    return it == node_rows_.end() ? QModelIndex() : IndexOfRow(it->second);
}

QModelIndex SceneTreeModel::index(int row, int column, const QModelIndex& parent) const {
    if (column != 0 || row < 0) {
        return {};
    }
    const std::vector<int>* siblings = &rows_.top_level;
    if (parent.isValid()) {
        const SceneRow* above = RowAt(parent);
        if (above == nullptr) {
            return {};
        }
        siblings = &above->children;
    }
    if (static_cast<std::size_t>(row) >= siblings->size()) {
        return {};
    }
    return createIndex(row, 0, static_cast<quintptr>((*siblings)[static_cast<std::size_t>(row)]));
}

QModelIndex SceneTreeModel::parent(const QModelIndex& child) const {
    const SceneRow* row = RowAt(child);
    return row == nullptr ? QModelIndex() : IndexOfRow(row->parent);
}

int SceneTreeModel::rowCount(const QModelIndex& parent) const {
    if (!parent.isValid()) {
        return static_cast<int>(rows_.top_level.size());
    }
    const SceneRow* row = RowAt(parent);
    return row == nullptr ? 0 : static_cast<int>(row->children.size());
}

int SceneTreeModel::columnCount(const QModelIndex& /*parent*/) const {
    return 1;
}

QIcon SceneTreeModel::IconOf(const SceneRow& row) const {
    const int command = PictureCommand(row, document_->Core().GetScene());
    auto it = icons_.find(command);
    if (it == icons_.end()) {
        it = icons_.emplace(command, CommandIcon(command)).first;
    }
    return it->second;
}

QVariant SceneTreeModel::data(const QModelIndex& index, int role) const {
    const SceneRow* row = RowAt(index);
    if (row == nullptr || !document_) {
        return {};
    }
    const Scene& scene = document_->Core().GetScene();
    const std::string* name = nullptr;
    if (row->IsLight()) {
        const Light* light = scene.FindLight(row->light);
        name = light ? &light->name : nullptr;
    } else {
        const SceneNode* node = scene.FindNode(row->node);
        name = node ? &node->name : nullptr;
    }
    switch (role) {
        case Qt::DisplayRole:
        case Qt::EditRole:
        case Qt::AccessibleTextRole:
            // Names are kept one Latin-1 byte a character.
            return name ? QString::fromLatin1(name->data(), static_cast<qsizetype>(name->size()))
                        : QString();
        case Qt::DecorationRole:
            return IconOf(*row);
        case Qt::ToolTipRole:
            return KindName(*row) + (row->visible ? QString() : QString(" (hidden)"));
        case Qt::CheckStateRole:
            if (row->IsLight()) {
                return {};
            }
            return row->visible ? Qt::Checked : Qt::Unchecked;
        default:
            return {};
    }
}

bool SceneTreeModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    const SceneRow* row = RowAt(index);
    if (row == nullptr || row->IsLight() || !document_) {
        return false;
    }
    DocumentCore& core = document_->Core();
    Status status;
    if (role == Qt::CheckStateRole) {
        status = core.SetVisible(row->node, value.toInt() == Qt::Checked);
    } else if (role == Qt::EditRole) {
        const Result<std::string> name = NameFromUtf8(value.toString().toStdString());
        status = name.ok() ? core.Rename(row->node, *name) : name.status();
    } else {
        return false;
    }
    if (!status.ok()) {
        report_(status);
        return false;
    }
    return true;
}

Qt::ItemFlags SceneTreeModel::flags(const QModelIndex& index) const {
    const SceneRow* row = RowAt(index);
    if (row == nullptr) {
        return Qt::NoItemFlags;
    }
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (!row->IsLight()) {
        flags |= Qt::ItemIsUserCheckable | Qt::ItemIsEditable;
    }
    return flags;
}

}  // namespace kelto
