#include "materials_panel.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHBoxLayout>
#include <QImage>
#include <QInputDialog>
#include <QLabel>
#include <QMimeData>
#include <QPixmap>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>
#include <cmath>

#include "app/main_frame.h"
#include "app/talvor_doc.h"
#include "interaction/picking.h"
#include "model/material_library.h"
#include "views/talvor_view.h"

namespace kelto {
namespace {

constexpr int kMaterialRole = Qt::UserRole;     // the row's index into the panel's materials
constexpr int kOwnRole = Qt::UserRole + 1;      // true for the user's own materials
constexpr int kPictureRole = Qt::UserRole + 2;  // true once the row shows its picture

QPixmap ToPixmap(const RenderImage& picture) {
    QImage image(picture.Width(), picture.Height(), QImage::Format_RGB888);
    for (int y = 0; y < picture.Height(); ++y) {
        picture.InterleaveRow(y, image.scanLine(y));
    }
    return QPixmap::fromImage(image);
}

// A grey square with a frame, shown until the picture is traced.
QPixmap Placeholder(int size) {
    QImage image(size, size, QImage::Format_RGB888);
    image.fill(QColor(90, 90, 90));
    return QPixmap::fromImage(image);
}

const QMimeData* MaterialDrag(const QEvent* event) {
    const QMimeData* data = static_cast<const QDropEvent*>(event)->mimeData();
    return data != nullptr && data->hasFormat(MaterialSwatchList::kMimeType) ? data : nullptr;
}

}  // namespace

MaterialSwatchList::MaterialSwatchList(QWidget* parent) : QListWidget(parent) {
    setViewMode(QListView::IconMode);
    setMovement(QListView::Static);
    setResizeMode(QListView::Adjust);
    setWrapping(true);
    setUniformItemSizes(true);
    setIconSize(QSize(MaterialsPanel::kSwatchSize, MaterialsPanel::kSwatchSize));
    setGridSize(QSize(MaterialsPanel::kSwatchSize + 70, MaterialsPanel::kSwatchSize + 30));
    setSelectionMode(QAbstractItemView::SingleSelection);
    setDragEnabled(true);
    setDragDropMode(QAbstractItemView::DragOnly);
    setDefaultDropAction(Qt::CopyAction);
    setAccessibleName("Materials");
}

QStringList MaterialSwatchList::mimeTypes() const {
    return {kMimeType};
}

QMimeData* MaterialSwatchList::mimeData(const QList<QListWidgetItem*>& items) const {
    if (items.isEmpty()) {
        return nullptr;
    }
    auto* data = new QMimeData;  // the drag takes it
    data->setData(kMimeType, QByteArray::number(row(items.front())));
    return data;
}

MaterialsPanel::MaterialsPanel(CMainFrame& frame, MaterialsPanelServices services)
    : QDockWidget("Materials", &frame), frame_(frame), services_(std::move(services)) {
    setObjectName("MaterialsPanel");
    setAccessibleName("Materials");
    auto* body = new QWidget(this);
    auto* layout = new QVBoxLayout(body);
    list_ = new MaterialSwatchList(body);
    hint_ = new QLabel(
        "Double-click a material or press Apply to give it to the selected objects, or drag "
        "it onto an object in a view.",
        body);
    hint_->setWordWrap(true);
    hint_->setAccessibleName("Materials hint");
    apply_ = new QPushButton("Apply", body);
    apply_->setAccessibleName("Apply");
    apply_->setToolTip("Give the chosen material to the selected objects");
    add_current_ = new QPushButton("Add Current", body);
    add_current_->setAccessibleName("Add Current");
    add_current_->setToolTip("Keep the selected object's material in your library under a name");
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(apply_);
    buttons->addWidget(add_current_);
    layout->addWidget(list_, 1);
    layout->addLayout(buttons);
    layout->addWidget(hint_);
    setWidget(body);
    setMinimumWidth(2 * (kSwatchSize + 70) + 40);

    connect(apply_, &QPushButton::clicked, this, [this] { ApplyRow(list_->currentRow()); });
    connect(list_, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem* item) { ApplyRow(list_->row(item)); });
    connect(add_current_, &QPushButton::clicked, this, &MaterialsPanel::OnAddCurrent);
    // Swatches dropped on a modelling view reach the main window, which takes drops.
    frame_.installEventFilter(this);

    swatches_ = std::make_unique<MaterialSwatches>(
        services_.window_thread, services_.cache_folder, services_.version, kSwatchSize,
        [this](std::size_t index, const RenderImage& picture) { ShowPicture(index, picture); });

    std::vector<Row> ready;
    for (const LibraryMaterial& entry : MaterialLibrary()) {
        ready.push_back({QString::fromUtf8(entry.name.data(), entry.name.size()),
                         QString::fromUtf8(entry.description.data(), entry.description.size()),
                         false, entry.make()});
    }
    AddRows(std::move(ready));
    UserMaterials user = LoadUserMaterials(services_.user_folder);
    std::vector<Row> own;
    for (NamedMaterial& entry : user.materials) {
        own.push_back(
            {QString::fromStdString(entry.name), "Your material", true, std::move(entry.material)});
    }
    AddRows(std::move(own));
    for (const Status& skipped : user.skipped) {
        services_.messages.Show(skipped);
    }
    if (list_->count() > 0) {
        list_->setCurrentRow(0);
    }
}

MaterialsPanel::~MaterialsPanel() = default;

int MaterialsPanel::RowNamed(const QString& name) const {
    for (int row = 0; row < list_->count(); ++row) {
        if (list_->item(row)->text() == name) {
            return row;
        }
    }
    return -1;
}

void MaterialsPanel::AddRows(std::vector<Row> rows) {
    std::vector<Material> added;
    const QPixmap placeholder = Placeholder(kSwatchSize);
    for (Row& entry : rows) {
        auto* item = new QListWidgetItem(QIcon(placeholder), entry.name);
        item->setToolTip(entry.tooltip);
        item->setSizeHint(QSize(kSwatchSize + 64, kSwatchSize + 26));  // room for the name
        item->setData(kMaterialRole, static_cast<int>(materials_.size()));
        item->setData(kOwnRole, entry.own);
        list_->addItem(item);
        materials_.push_back(entry.material);
        added.push_back(std::move(entry.material));
    }
    swatches_->Add(added);
}

int MaterialsPanel::PicturesShown() const {
    int shown = 0;
    for (int row = 0; row < list_->count(); ++row) {
        shown += list_->item(row)->data(kPictureRole).toBool() ? 1 : 0;
    }
    return shown;
}

void MaterialsPanel::ShowPicture(std::size_t index, const RenderImage& picture) {
    for (int row = 0; row < list_->count(); ++row) {
        QListWidgetItem* item = list_->item(row);
        if (item->data(kMaterialRole).toInt() == static_cast<int>(index)) {
            item->setIcon(QIcon(ToPixmap(picture)));
            item->setData(kPictureRole, true);
            if (PicturesShown() == list_->count()) {
                emit PicturesComplete();
            }
            return;
        }
    }
}

bool MaterialsPanel::ApplyRow(int row) {
    CTalvorDoc* document = frame_.ActiveDocument();
    if (row < 0 || row >= list_->count() || document == nullptr) {
        return false;
    }
    std::vector<NodeId> selected;
    for (const SceneNode* node : document->Core().GetScene().SelectedTopLevel()) {
        selected.push_back(node->id);
    }
    const auto index = static_cast<std::size_t>(list_->item(row)->data(kMaterialRole).toInt());
    if (selected.empty() || document->Core().SetObjectsMaterial(selected, materials_[index]) == 0) {
        hint_->setText("Select one or more objects first, then Apply.");
        return false;
    }
    hint_->setText(
        QString("%1 given to %2.")
            .arg(list_->item(row)->text())
            .arg(selected.size() == 1
                     ? QString::fromStdString(document->Core().Node(selected.front())->name)
                     : QString("%1 objects").arg(selected.size())));
    frame_.UpdateCommandUI();
    return true;
}

bool MaterialsPanel::AddCurrent(const QString& name) {
    CTalvorDoc* document = frame_.ActiveDocument();
    const SceneNode* node =
        document != nullptr ? document->Core().GetScene().FirstSelectedTopLevel() : nullptr;
    if (node == nullptr) {
        hint_->setText("Select the object whose material you want to keep, then Add Current.");
        return false;
    }
    const std::string stored = name.toStdString();
    const Status saved = SaveUserMaterial(services_.user_folder, stored, node->material);
    if (!saved.ok()) {
        services_.messages.Show(saved);
        return false;
    }
    // The same name again: its file was replaced, and so is its row.
    for (int row = list_->count() - 1; row >= 0; --row) {
        if (list_->item(row)->data(kOwnRole).toBool() && list_->item(row)->text() == name) {
            delete list_->takeItem(row);
        }
    }
    std::vector<Row> row;
    row.push_back({name, "Your material", true, node->material});
    AddRows(std::move(row));
    list_->setCurrentRow(list_->count() - 1);
    hint_->setText(QString("%1 is in your library.").arg(name));
    return true;
}

void MaterialsPanel::OnAddCurrent() {
    CTalvorDoc* document = frame_.ActiveDocument();
    const SceneNode* node =
        document != nullptr ? document->Core().GetScene().FirstSelectedTopLevel() : nullptr;
    bool ok = false;
    const QString name = QInputDialog::getText(
        this, "Add Current", "Name of the material:", QLineEdit::Normal,
        node != nullptr ? QString::fromStdString(node->name) : QString(), &ok);
    if (ok) {
        AddCurrent(name);
    }
}

CTalvorView* MaterialsPanel::ViewAt(const QPoint& point) const {
    for (QWidget* widget = frame_.childAt(point); widget != nullptr;
         widget = widget->parentWidget()) {
        if (auto* view = qobject_cast<CTalvorView*>(widget)) {
            return view;
        }
    }
    return nullptr;
}

bool MaterialsPanel::ObjectAt(CTalvorView* view, const QPoint& point, NodeId& node) const {
    if (view == nullptr) {
        return false;
    }
    const QPoint local = view->mapFrom(&frame_, point);
    const qreal ratio = view->devicePixelRatioF();
    const WindowPoint at{std::floor(local.x() * ratio), std::floor(local.y() * ratio)};
    const std::optional<PickHit> hit =
        Pick(view->Document().GetScene(), view->Renderer().RayAt(at), {});
    if (!hit || hit->kind != PickHit::Kind::NodeBody) {
        return false;
    }
    node = hit->node;
    return true;
}

bool MaterialsPanel::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (watched != &frame_ ||
        (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop)) {
        return QDockWidget::eventFilter(watched, event);
    }
    const QMimeData* data = MaterialDrag(event);
    if (data == nullptr) {
        return false;  // files dropped on the window: the main window opens them
    }
    auto* drop = static_cast<QDropEvent*>(event);
    const QPoint point = drop->position().toPoint();
    CTalvorView* view = ViewAt(point);
    NodeId node;
    const bool on_object = ObjectAt(view, point, node);
    if (type == QEvent::DragEnter) {
        drop->acceptProposedAction();  // the drag goes on; each move says whether it may land
        return true;
    }
    if (type == QEvent::DragMove) {
        if (on_object) {
            drop->acceptProposedAction();
        } else {
            drop->ignore();
        }
        return true;
    }
    const int row = data->data(MaterialSwatchList::kMimeType).toInt();
    if (!on_object || row < 0 || row >= list_->count()) {
        drop->ignore();
        return true;
    }
    const auto index = static_cast<std::size_t>(list_->item(row)->data(kMaterialRole).toInt());
    const NodeId objects[] = {node};
    // The document of the view under the drop, which need not be the active one.
    view->Document().SetObjectsMaterial(objects, materials_[index]);
    hint_->setText(QString("%1 given to %2.")
                       .arg(list_->item(row)->text(),
                            QString::fromStdString(view->Document().Node(node)->name)));
    drop->acceptProposedAction();
    frame_.UpdateCommandUI();
    return true;
}

void AddMaterialsPanelHook(CommandHooks& hooks, CMainFrame& frame,
                           const MaterialsPanelServices& services) {
    auto panel = std::make_shared<QPointer<MaterialsPanel>>();
    hooks.materials_palette = [panel, &frame, services] {
        if (panel->isNull()) {
            *panel = new MaterialsPanel(frame, services);  // the main window owns it
            frame.addDockWidget(Qt::RightDockWidgetArea, *panel);
        }
        (*panel)->show();
        (*panel)->raise();
    };
}

}  // namespace kelto
