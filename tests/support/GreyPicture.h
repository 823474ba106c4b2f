#pragma once

#include <QImage>

namespace marbleck::test {

// A 40 x 30 black picture with four lit pixels of different brightness:
// white, mid grey, a colour whose brightest channel is 200, and a dim grey.
inline QImage GreyLevelPicture() {
    QImage picture(40, 30, QImage::Format_RGB32);
    picture.fill(Qt::black);
    picture.setPixel(3, 4, qRgb(255, 255, 255));
    picture.setPixel(3, 9, qRgb(128, 128, 128));
    picture.setPixel(20, 2, qRgb(200, 10, 30));
    picture.setPixel(30, 25, qRgb(10, 10, 10));
    return picture;
}

}  // namespace marbleck::test
