#include <QMdiArea>
#include <QtTest>

#include "app/main_frame.h"

class MainFrameTest : public QObject {
    Q_OBJECT

  private slots:
    void ShowsTheDocumentAreaUnderTheProgramName() {
        kelto::CMainFrame frame;
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        QCOMPARE(frame.windowTitle(), QString("Kelto"));
        QVERIFY(frame.DocumentArea() != nullptr);
        QCOMPARE(frame.centralWidget(), static_cast<QWidget*>(frame.DocumentArea()));
        QVERIFY(frame.DocumentArea()->isVisible());
    }
};

QTEST_MAIN(MainFrameTest)
#include "main_frame_test.moc"
