#include "about_dialog.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "app/command_icons.h"
#include "app/system_info.h"

namespace kelto {

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle("About Kelto");
    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    auto* picture = new QLabel(this);
    picture->setPixmap(ApplicationIcon().pixmap(48, 48));
    top->addWidget(picture, 0, Qt::AlignTop);
    auto* words = new QVBoxLayout;
    words->addWidget(new QLabel("Kelto Version " + QApplication::applicationVersion(), this));
    words->addWidget(new QLabel("An interactive 3D modeller with a ray tracer.", this));
    top->addLayout(words, 1);
    layout->addLayout(top);

    auto* facts = new QFormLayout;
    memory_ = new QLabel(QString::fromStdString(KilobytesText(PhysicalMemoryKb())), this);
    facts->addRow("Physical System Memory:", memory_);
    const std::optional<std::uint64_t> free = FreeDiskKb(QDir::currentPath().toStdString());
    disk_ =
        new QLabel(free ? QString::fromStdString(KilobytesText(*free)) : QString("unknown"), this);
    facts->addRow("Free Disk Space:", disk_);
    layout->addLayout(facts);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
}

QString CAboutDlg::MemoryText() const {
    return memory_->text();
}

QString CAboutDlg::DiskText() const {
    return disk_->text();
}

}  // namespace kelto
