// The timeline written by a program without an application object and
// without a display, as the command-line front end writes it.
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QtTest>

#include "draw/timeline_drawing.h"
#include "engine/bodies.h"
#include "engine/run_state.h"

namespace skyloom {

class TimelineHeadlessTest : public QObject {
  Q_OBJECT

 private slots:
  void writesFilesWithoutAnApplication() {
    // No platform asked for from outside: the call must choose one that
    // needs no screen itself.
    qunsetenv("QT_QPA_PLATFORM");
    qunsetenv("DISPLAY");
    qunsetenv("WAYLAND_DISPLAY");
    RunResult run;
    run.bodies = {Jupiter, Saturn};
    run.startDay = 2458850;
    run.endDay = 2459215;
    TransitRowData pass;
    pass.entry[0] = DateMark{2458900, false};
    run.transits.push_back(TransitRecord{1, {pass}});

    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    // Each call makes its own application and ends it again.
    for (const char* name : {"first.png", "second.svg", "third.png"}) {
      QVERIFY(QCoreApplication::instance() == nullptr);
      std::string error;
      const QString path = folder.filePath(QString::fromLatin1(name));
      QVERIFY2(RenderTimelineFile({run}, path.toStdString(), error), error.c_str());
      QFile file(path);
      QVERIFY(file.open(QIODevice::ReadOnly));
      const QByteArray head = file.read(64);
      QVERIFY(head.startsWith("\x89PNG") || head.contains("<?xml"));
    }
    QVERIFY(QCoreApplication::instance() == nullptr);
    QCOMPARE(QImage(folder.filePath(QStringLiteral("first.png"))).size(),
             QImage(folder.filePath(QStringLiteral("third.png"))).size());
  }
};

}  // namespace skyloom

QTEST_APPLESS_MAIN(skyloom::TimelineHeadlessTest)
#include "timeline_headless_test.moc"
