#include <gtest/gtest.h>

#include <QIcon>
#include <QImage>

#include "app/ApplicationIcon.h"

// The windows' icon comes from the images built into the program, at the
// sizes a desktop asks for, and shows the zone plate, not an empty square.
TEST(WindowIcon, OffersTheIconAtTheDesktopsSizes) {
    const QIcon icon = marbleck::ApplicationIcon();
    ASSERT_FALSE(icon.isNull());
    for (const int size : {48, 256}) {
        SCOPED_TRACE(size);
        EXPECT_TRUE(icon.availableSizes().contains(QSize(size, size)));
        const QImage image = icon.pixmap(size).toImage();
        ASSERT_EQ(image.size(), QSize(size, size));
        // Transparent corners, an opaque light centre.
        EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0);
        EXPECT_EQ(qAlpha(image.pixel(size / 2, size / 2)), 255);
        EXPECT_GT(qGray(image.pixel(size / 2, size / 2)), 200);
    }
}
