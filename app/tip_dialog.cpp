#include "tip_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/command_icons.h"

namespace kelto {

CTipDlg::CTipDlg(SettingsStore& settings, const std::string& tip_path, QWidget* parent)
    : QDialog(parent), tips_(settings, tip_path) {
    setWindowTitle("Tip of the Day");
    auto* layout = new QVBoxLayout(this);

    auto* panel = new QFrame(this);
    panel->setFrameShape(QFrame::StyledPanel);
    panel->setAutoFillBackground(true);
    QPalette paper = panel->palette();
    paper.setColor(QPalette::Window, QColor(255, 255, 250));
    panel->setPalette(paper);
    auto* inside = new QHBoxLayout(panel);
    auto* picture = new QLabel(panel);
    picture->setPixmap(ApplicationIcon().pixmap(48, 48));
    picture->setAlignment(Qt::AlignTop);
    inside->addWidget(picture);
    auto* words = new QVBoxLayout;
    auto* heading = new QLabel("Did you know...", panel);
    QFont bold = heading->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.3);
    heading->setFont(bold);
    words->addWidget(heading);
    tip_ = new QLabel(panel);
    tip_->setWordWrap(true);
    tip_->setTextFormat(Qt::PlainText);
    tip_->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    tip_->setMinimumSize(320, 100);
    words->addWidget(tip_, 1);
    inside->addLayout(words, 1);
    layout->addWidget(panel, 1);

    auto* bottom = new QHBoxLayout;
    show_on_startup_ = new QCheckBox("&Show Tips on StartUp", this);
    show_on_startup_->setChecked(tips_.ShowAtStartUp());
    bottom->addWidget(show_on_startup_);
    bottom->addStretch();
    next_ = new QPushButton("&Next Tip", this);
    next_->setEnabled(tips_.HasFile());
    bottom->addWidget(next_);
    auto* close = new QPushButton("&Close", this);
    close->setDefault(true);
    bottom->addWidget(close);
    layout->addLayout(bottom);

    connect(next_, &QPushButton::clicked, this, &CTipDlg::OnNextTip);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    tip_->setText(QString::fromUtf8(tips_.Tip()));
}

CTipDlg::~CTipDlg() = default;

QString CTipDlg::TipText() const {
    return tip_->text();
}

void CTipDlg::OnNextTip() {
    tips_.NextTip();
    tip_->setText(QString::fromUtf8(tips_.Tip()));
}

void CTipDlg::done(int result) {
    // However it is closed, the box's state is what the next start-up follows.
    tips_.Closed(show_on_startup_->isChecked());
    QDialog::done(result);
}

}  // namespace kelto
