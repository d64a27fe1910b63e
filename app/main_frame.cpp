#include "main_frame.h"

#include <QMdiArea>

namespace kelto {

CMainFrame::CMainFrame(QWidget* parent) : QMainWindow(parent), documents_(new QMdiArea(this)) {
    setWindowTitle("Kelto");
    setCentralWidget(documents_);
    resize(1024, 768);
}

}  // namespace kelto
