#include "recover_dialog.h"

#include <QDateTime>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/autosave_timer.h"
#include "app/main_frame.h"
#include "document/autosave_recovery.h"

namespace kelto {
namespace {

QString DocumentName(const RecoverableDocument& document) {
    const QString path = QString::fromStdString(document.header.path);
    return path.isEmpty() ? QString::fromStdString(document.header.title)
                          : QFileInfo(path).fileName();
}

}  // namespace

RecoverDialog::RecoverDialog(const std::vector<RecoverableDocument>& documents, QWidget* parent)
    : QDialog(parent), list_(new QTreeWidget(this)) {
    setWindowTitle("Recover Documents");
    setObjectName("recover_documents");
    auto* layout = new QVBoxLayout(this);
    auto* text = new QLabel(
        "Kelto ended without closing these scenes. Their last autosaves can be opened again; "
        "save them to keep them.",
        this);
    text->setWordWrap(true);
    layout->addWidget(text);

    list_->setAccessibleName("Autosaved documents");
    list_->setRootIsDecorated(false);
    list_->setHeaderLabels({"Document", "Saved", "Size", "State"});
    const QLocale locale;
    for (const RecoverableDocument& document : documents) {
        auto* row = new QTreeWidgetItem(list_);
        row->setText(0, DocumentName(document));
        row->setToolTip(0, QString::fromStdString(document.header.path));
        row->setText(1, locale.toString(QDateTime::fromSecsSinceEpoch(document.entry.written),
                                        QLocale::ShortFormat));
        row->setText(2, locale.formattedDataSize(static_cast<qint64>(document.entry.size)));
        const std::string& message = document.status.text;
        row->setText(3, document.core     ? QString("Can be recovered")
                        : message.empty() ? QString("Cannot be read")
                                          : QString::fromStdString(message));
        row->setToolTip(3, row->text(3));
    }
    list_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    list_->header()->setStretchLastSection(true);
    layout->addWidget(list_);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* recover = buttons->addButton("&Recover", QDialogButtonBox::AcceptRole);
    QPushButton* discard = buttons->addButton("&Discard", QDialogButtonBox::DestructiveRole);
    QPushButton* later = buttons->addButton("&Later", QDialogButtonBox::RejectRole);
    recover->setAccessibleName("Recover");
    discard->setAccessibleName("Discard");
    later->setAccessibleName("Later");
    recover->setToolTip("Open the scenes as they were autosaved");
    discard->setToolTip("Delete the autosaves");
    later->setToolTip("Keep the autosaves and ask again at the next start");
    recover->setDefault(true);
    layout->addWidget(buttons);
    connect(recover, &QPushButton::clicked, this, [this] {
        choice_ = RecoveryChoice::Recover;
        accept();
    });
    connect(discard, &QPushButton::clicked, this, [this] {
        choice_ = RecoveryChoice::Discard;
        accept();
    });
    connect(later, &QPushButton::clicked, this, &QDialog::reject);
    resize(640, 300);
}

RecoveryChoice OfferRecovery(CMainFrame& frame, AutosaveTimer& autosave,
                             AutosaveRecovery& recovery) {
    if (recovery.Empty()) {
        return RecoveryChoice::Later;
    }
    RecoverDialog dialog(recovery.Documents(), &frame);
    dialog.exec();
    switch (dialog.Choice()) {
        case RecoveryChoice::Recover:
            autosave.Recover(recovery);
            break;
        case RecoveryChoice::Discard:
            recovery.Delete();
            break;
        case RecoveryChoice::Later:
            break;
    }
    return dialog.Choice();
}

}  // namespace kelto
