// The entry point of the timeline drawing library (see timeline_library.h).
#include "draw/timeline_library.h"

#include <cstdio>
#include <memory>
#include <string>

#include <QByteArray>
#include <QGuiApplication>
#include <QString>
#include <QtGlobal>

#include "draw/timeline_drawing.h"
#include "report/timeline.h"

extern "C" __attribute__((visibility("default"))) int skyloom_draw_timeline(const skyloom::Timeline* timeline,
                                                                            std::size_t timelineSize, int png,
                                                                            SkyloomTimelineSink bytes,
                                                                            SkyloomTimelineSink error, void* context) {
  const auto fail = [&](const std::string& message) {
    error(context, message.data(), message.size());
    return 0;
  };
  if (timelineSize != sizeof(skyloom::Timeline)) return fail("the timeline library is of another build of the program");
  // Qt's notices about its surroundings (no runtime folder, no display) are
  // no concern of the command's; what goes wrong in drawing is told as the
  // timeline's own error.
  qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtFatalMsg) std::fprintf(stderr, "skyloom-cli: %s\n", message.toLocal8Bit().constData());
  });
  // Fonts and painting need an application object; a command line has none,
  // and draws on a platform without a screen. Qt takes the options it reads
  // out of argv, so they are made afresh for each call and outlive the
  // application.
  char name[] = "skyloom", option[] = "-platform", platform[] = "offscreen";
  char* argv[] = {name, option, platform, nullptr};
  int argc = 3;
  std::unique_ptr<QGuiApplication> application;
  if (QCoreApplication::instance() == nullptr) application = std::make_unique<QGuiApplication>(argc, argv);
  QByteArray drawn;
  QString message;
  if (!skyloom::DrawTimelineBytes(*timeline, png != 0, drawn, message)) return fail(message.toStdString());
  bytes(context, drawn.constData(), static_cast<std::size_t>(drawn.size()));
  return 1;
}
