// The entry of the application's Qt test suites: their settings live in a folder of their
// own, set before any QSettings, under the application's names.
#pragma once

#include <QApplication>
#include <QTemporaryDir>
#include <QtTest>

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

}  // namespace kelto
