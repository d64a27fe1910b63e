#include <QApplication>

#include "main_frame.h"
#include "model/out_of_memory.h"

int main(int argc, char** argv) {
    kelto::InstallOutOfMemoryHandler();
    QApplication application(argc, argv);
    QApplication::setOrganizationName("Vorn");
    QApplication::setApplicationName("Kelto");
    kelto::CMainFrame frame;
    frame.show();
    return QApplication::exec();
}
