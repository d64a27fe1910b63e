#include "cameras_panel.h"

#include <QHBoxLayout>
#include <QInputDialog>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/talvor_doc.h"
#include "model/message_table.h"
#include "platform/messages.h"
#include "views/talvor_view.h"

namespace kelto {
namespace {

QPushButton* Button(const QString& text, const QString& tip, QWidget* parent) {
    auto* button = new QPushButton(text, parent);
    button->setAccessibleName(QString(text).remove('&').remove("..."));
    button->setToolTip(tip);
    return button;
}

}  // namespace

CamerasPanel::CamerasPanel(std::function<CTalvorDoc*()> document,
                           std::function<CTalvorView*()> view, MessageSink& messages,
                           QWidget* parent)
    : QDockWidget("Cameras", parent),
      document_(std::move(document)),
      view_(std::move(view)),
      messages_(messages) {
    setObjectName("cameras_panel");
    setAccessibleName("Cameras");
    auto* body = new QWidget(this);
    auto* layout = new QVBoxLayout(body);
    list_ = new QListWidget(body);
    list_->setObjectName("camera_list");
    list_->setAccessibleName("Stored cameras");
    layout->addWidget(list_);
    auto* row = new QHBoxLayout;
    add_ = Button("&Add", "Store the active view's camera", body);
    go_to_ = Button("&Go to", "Make the active view look through the chosen camera", body);
    rename_ = Button("&Rename...", "Give the chosen camera another name", body);
    delete_ = Button("&Delete", "Forget the chosen camera", body);
    for (QPushButton* button : {add_, go_to_, rename_, delete_}) {
        row->addWidget(button);
    }
    layout->addLayout(row);
    setWidget(body);
    connect(add_, &QPushButton::clicked, this, &CamerasPanel::OnAdd);
    connect(go_to_, &QPushButton::clicked, this, &CamerasPanel::OnGoTo);
    connect(rename_, &QPushButton::clicked, this, &CamerasPanel::OnRename);
    connect(delete_, &QPushButton::clicked, this, &CamerasPanel::OnDelete);
    connect(list_, &QListWidget::itemDoubleClicked, this, &CamerasPanel::OnGoTo);
    connect(list_, &QListWidget::currentRowChanged, this, [this] { Refresh(); });
    Refresh();
}

int CamerasPanel::Chosen() const {
    return list_->currentRow();
}

void CamerasPanel::Refresh() {
    CTalvorDoc* document = document_ ? document_() : nullptr;
    const std::size_t count = document ? document->Core().Views().size() : 0;
    const std::size_t windows = document ? document->PerspectiveViews().size() : 0;
    QStringList names;
    for (std::size_t i = 0; i < count; ++i) {
        QString name = QString::fromStdString(document->Core().ViewName(i));
        if (i < windows) {
            name += QString(" (window %1)").arg(i + 1);
        }
        names << name;
    }
    QStringList shown;
    for (int i = 0; i < list_->count(); ++i) {
        shown << list_->item(i)->text();
    }
    if (shown != names) {
        const int row = list_->currentRow();
        const QSignalBlocker quiet(list_);
        list_->clear();
        list_->addItems(names);
        list_->setCurrentRow(std::min(row, static_cast<int>(names.size()) - 1));
    }
    const CTalvorView* view = view_ ? view_() : nullptr;
    const int chosen = Chosen();
    add_->setEnabled(document != nullptr && view != nullptr);
    go_to_->setEnabled(chosen >= 0 && view != nullptr && view->IsPerspective());
    rename_->setEnabled(chosen >= 0);
    delete_->setEnabled(chosen >= 0 && static_cast<std::size_t>(chosen) >= windows);
}

void CamerasPanel::OnAdd() {
    CTalvorDoc* document = document_ ? document_() : nullptr;
    CTalvorView* view = view_ ? view_() : nullptr;
    if (document == nullptr || view == nullptr) {
        return;
    }
    const std::size_t index = document->Core().AddStoredView(view->CurrentView());
    Refresh();
    list_->setCurrentRow(static_cast<int>(index));
}

void CamerasPanel::OnGoTo() {
    CTalvorDoc* document = document_ ? document_() : nullptr;
    CTalvorView* view = view_ ? view_() : nullptr;
    const int chosen = Chosen();
    if (document == nullptr || view == nullptr || !view->IsPerspective() || chosen < 0 ||
        static_cast<std::size_t>(chosen) >= document->Core().Views().size()) {
        return;
    }
    view->SetStoredCamera(document->Core().Views()[static_cast<std::size_t>(chosen)]);
    emit view->CameraMoved();
}

void CamerasPanel::OnRename() {
    CTalvorDoc* document = document_ ? document_() : nullptr;
    const int chosen = Chosen();
    if (document == nullptr || chosen < 0) {
        return;
    }
    const auto index = static_cast<std::size_t>(chosen);
    bool ok = false;
    const QString name =
        QInputDialog::getText(this, "Rename Camera", "Name:", QLineEdit::Normal,
                              QString::fromStdString(document->Core().ViewName(index)), &ok);
    if (!ok) {
        return;
    }
    // The file keeps names in Latin-1, as it keeps the objects' names.
    if (name.toLatin1().size() != name.size() || QString::fromLatin1(name.toLatin1()) != name) {
        messages_.Show(Status::Message(kMsgNameNotLatin1, {name.toStdString()}));
        return;
    }
    const Status status = document->Core().RenameView(index, name.toLatin1().toStdString());
    if (!status.ok()) {
        messages_.Show(status);
    }
    Refresh();
}

void CamerasPanel::OnDelete() {
    CTalvorDoc* document = document_ ? document_() : nullptr;
    const int chosen = Chosen();
    if (document == nullptr || chosen < 0) {
        return;
    }
    const auto index = static_cast<std::size_t>(chosen);
    if (index < document->PerspectiveViews().size()) {
        messages_.Show(Status::Message(kMsgCameraOfWindow, {document->Core().ViewName(index)}));
        return;
    }
    const Status status = document->Core().RemoveView(index);
    if (!status.ok()) {
        messages_.Show(status);
    }
    Refresh();
}

}  // namespace kelto
