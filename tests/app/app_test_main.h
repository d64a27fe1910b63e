// The entry of the application's Qt test suites: their settings live in a folder of their
// own, set before any QSettings, under the application's names. And the way the suites
// answer a modal dialog.
#pragma once

#include <QApplication>
#include <QWidget>
#include <QtTest>
#include <functional>

namespace kelto {

template <typename Suite>
int RunAppTests(int argc, char** argv) {
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    QApplication application(argc, argv);
    QApplication::setOrganizationName("Vorn");
    QApplication::setApplicationName("Kelto");
    Suite suite;
    return QTest::qExec(&suite, argc, argv);
}

// Runs `body` on the modal dialog of type D once its exec() has started, then closes the
// dialog (Cancel) if the body left it open, so that a failing check never hangs the test.
template <typename D>
void WhenShown(std::function<void(D&)> body) {
    QTimer::singleShot(0, [body] {
        auto* dialog = qobject_cast<D*>(QApplication::activeModalWidget());
        if (dialog == nullptr) {
            qWarning("the expected dialog is not shown");
            if (QWidget* other = QApplication::activeModalWidget())
                other->close();
            return;
        }
        body(*dialog);
        if (dialog->isVisible())
            dialog->reject();
    });
}

}  // namespace kelto
