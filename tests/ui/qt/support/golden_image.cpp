#include "ui/qt/support/golden_image.h"

#include <QDir>

#include <algorithm>
#include <cstdlib>

namespace skyloom::qttest {

QString GoldenMismatch(const QImage& image, const QString& name) {
  const QString out = QString::fromLocal8Bit(qgetenv("SKYLOOM_GOLDEN_OUT"));
  if (!out.isEmpty() && QDir().mkpath(out)) image.save(QDir(out).filePath(name));
  const QString path = QDir(QStringLiteral(SKYLOOM_QT_GOLDEN_DIR)).filePath(name);
  const QImage golden = QImage(path).convertToFormat(QImage::Format_RGB32);
  if (golden.isNull()) return QStringLiteral("no golden image at ") + path;
  const QImage x = image.convertToFormat(QImage::Format_RGB32);
  if (x.size() != golden.size())
    return QStringLiteral("%1x%2 drawn, %3x%4 golden").arg(x.width()).arg(x.height()).arg(golden.width()).arg(golden.height());
  int differing = 0;
  for (int row = 0; row < x.height(); ++row)
    for (int col = 0; col < x.width(); ++col) {
      const QRgb p = x.pixel(col, row), q = golden.pixel(col, row);
      const int d = std::max({std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)), std::abs(qBlue(p) - qBlue(q))});
      if (d > 48) ++differing;
    }
  return differing <= 150 ? QString() : QStringLiteral("%1 pixels differ from %2").arg(differing).arg(path);
}

}  // namespace skyloom::qttest
