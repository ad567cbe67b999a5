// Pictures compared with their golden images in tests/ui/qt/golden. Text may
// be smoothed a shade differently by another FreeType: channels may differ by
// a little everywhere and by more on a few pixels.
//
// SKYLOOM_GOLDEN_OUT=folder writes every picture compared there, to look at
// it or, once checked by eye, to copy it over its golden image.
#pragma once

#include <QImage>
#include <QString>

namespace skyloom::qttest {

// Empty when the picture matches the golden image of that file name, else
// what differs.
QString GoldenMismatch(const QImage& image, const QString& name);

}  // namespace skyloom::qttest
