// Pictures compared with their golden images in tests/ui/qt/golden. Text may
// be smoothed a shade differently by another FreeType: a few pixels may
// differ by more than a little.
//
// SKYLOOM_GOLDEN_OUT=folder writes every picture compared there, to look at
// it or, once checked by eye, to copy it over its golden image.
#pragma once

#include <QDir>
#include <QImage>

#include <algorithm>
#include <cstdlib>

namespace skyloom::qttest {

// Empty when the picture matches the golden image of that name, else how not.
inline QString GoldenMismatch(const QImage& drawn, const QString& name) {
  const QString out = QString::fromLocal8Bit(qgetenv("SKYLOOM_GOLDEN_OUT"));
  if (!out.isEmpty() && QDir().mkpath(out)) drawn.save(QDir(out).filePath(name));
  const QString path = QDir(QStringLiteral(SKYLOOM_QT_GOLDEN_DIR)).filePath(name);
  const QImage golden = QImage(path).convertToFormat(QImage::Format_RGB32);
  const QImage image = drawn.convertToFormat(QImage::Format_RGB32);
  if (image.size() != golden.size()) return QString("%1: drawn %2 pixels high, golden %3").arg(path).arg(image.height()).arg(golden.height());
  int differing = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) {
      const QRgb p = image.pixel(x, y), q = golden.pixel(x, y);
      differing += std::max({std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)), std::abs(qBlue(p) - qBlue(q))}) > 48;
    }
  return differing <= 150 ? QString() : QString("%1: %2 pixels differ").arg(path).arg(differing);
}

}  // namespace skyloom::qttest
