// The web link label: blue until an open succeeds and purple for good afterwards, a failed open
// tried again at the next click, the target fixed at the first.
#include <gtest/gtest.h>

#include <QImage>
#include <QTest>
#include <QUrl>
#include <deque>
#include <vector>

#include "app/StaticLink.h"

TEST(StaticLink, TurnsPurpleOnlyOnceAnOpenOfTheFirstTargetSucceeds) {
    CStaticLink link;
    link.setText("http://www.brantel.example.com/");
    std::deque<bool> results = {false, true, false};  // what each open reports
    std::vector<QUrl> opened;
    link.m_openUrl = [&](const QUrl& url) {
        opened.push_back(url);
        const bool result = results.front();
        results.pop_front();
        return result;
    };
    link.adjustSize();
    link.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&link));
    // The colour the text and its underline are drawn in: exactly blue or purple, never both.
    const auto colour = [&link] {
        const QImage image = link.grab().toImage();
        bool blue = false, purple = false;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                blue |= image.pixelColor(x, y) == QColor(0, 0, 255);
                purple |= image.pixelColor(x, y) == QColor(128, 0, 128);
            }
        return blue == purple ? "neither or both" : blue ? "blue" : "purple";
    };
    const auto click = [&link] { QTest::mouseClick(&link, Qt::LeftButton, {}, link.rect().center()); };
    EXPECT_STREQ(colour(), "blue");
    click();  // fails: still blue
    EXPECT_STREQ(colour(), "blue");
    link.setText("http://other.example.org/");
    click();  // tried again, at the first click's target
    EXPECT_STREQ(colour(), "purple");
    click();  // a later failure leaves it purple
    EXPECT_STREQ(colour(), "purple");
    EXPECT_EQ(opened, std::vector<QUrl>(3, QUrl("http://www.brantel.example.com/")));
}
