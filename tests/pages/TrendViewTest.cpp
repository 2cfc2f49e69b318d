// The Trend page offscreen: it builds in the main window's page size, follows a live run, keeps a
// window the operator moved with the keys, and keeps of a long run only what its views can show.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QTest>
#include <ctime>
#include <qcustomplot.h>

#include "pages/TrendPage.h"
#include "pages/TrendView.h"

namespace {

std::string TimeLine(std::time_t t) {
    std::tm local{};
    localtime_r(&t, &local);
    char text[40];
    std::strftime(text, sizeof text, "T,%Y,%m,%d,%H,%M,%S", &local);
    return text;
}

}  // namespace

TEST(TrendView, FollowsALiveRunAndStaysWhereTheOperatorMovedIt) {
    // The run's first records come while the page is hidden, its plots not yet built.
    CTrendPage page;
    page.resize(400, 260);
    CTrendView& view = page.View();
    EXPECT_TRUE(view.IsFollowing());
    const std::time_t start = std::time(nullptr) - 600;
    for (int s = 0; s < 600; s += 10) {
        page.OnRecordLine(TimeLine(start + s));
        page.OnRecordLine("D,N,100," + std::to_string(10 + s % 7) + ",8,6,1,0.8,0.6");
        page.OnRecordLine("Y,0,1013.2,300.1,299.5,40.2,0,0,0,0000");
    }
    view.findChild<QComboBox*>()->setCurrentIndex(0);  // one hour
    EXPECT_EQ(view.findChild<QCustomPlot*>(), nullptr);
    page.show();
    ASSERT_NE(view.findChild<QCustomPlot*>(), nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&page));
    QCPGraph* totalBlue = view.Plot().graph(0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !totalBlue->data()->isEmpty(); }, 5000));
    EXPECT_EQ(view.WindowEnd(), static_cast<double>(start + 590));
    EXPECT_EQ(totalBlue->data()->at(totalBlue->data()->size() - 1)->key, static_cast<double>(start + 590));

    // The next record moves the right edge with it, once it is a pixel's worth of time later.
    page.OnRecordLine(TimeLine(start + 600));
    page.OnRecordLine("D,N,100,20,8,6,1,0.8,0.6");
    EXPECT_TRUE(QTest::qWaitFor([&] { return totalBlue->data()->at(totalBlue->data()->size() - 1)->key ==
                                             static_cast<double>(start + 600); }, 5000));

    // Keys on the plot: a step back fixes the window; further records leave it where it is.
    view.Plot().setFocus();
    QTest::keyClick(&view.Plot(), Qt::Key_Left);
    EXPECT_FALSE(view.IsFollowing());
    const double fixedEnd = view.WindowEnd();
    EXPECT_NEAR(fixedEnd, start + 600 - 0.1 * 3600, 1);
    page.OnRecordLine(TimeLine(start + 610));
    page.OnRecordLine("D,N,100,20,8,6,1,0.8,0.6");
    EXPECT_EQ(view.WindowEnd(), fixedEnd);
    QTest::keyClick(&view.Plot(), Qt::Key_End);
    EXPECT_TRUE(view.IsFollowing());
    view.findChild<QComboBox*>()->setCurrentIndex(0);  // one hour
    EXPECT_EQ(view.WindowEnd(), static_cast<double>(start + 610));
    view.findChild<QCheckBox*>()->setChecked(false);  // Follow off: the window stays where it is
    EXPECT_EQ(view.WindowEnd(), static_cast<double>(start + 610));

    // The separate window shows the same history.
    CTrendView* window = page.OpenWindow();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window->Plot().graph(0)->data()->isEmpty(); }, 5000));
    EXPECT_EQ(window->WindowEnd(), view.WindowEnd());
    window->close();
}

TEST(TrendView, ALongRunKeepsOnlyWhatAViewCanShow) {
    CTrendPage page;
    // Seventy days of hourly records, more than the widest window by two weeks.
    const std::time_t start = std::time(nullptr) - 70 * 86400;
    for (int hour = 0; hour < 70 * 24; ++hour) {
        page.OnRecordLine(TimeLine(start + hour * 3600));
        page.OnRecordLine("D,N,100,10,8,6,1,0.8,0.6");
    }
    const auto& scatter = page.History().Data().scatter;
    const double newest = static_cast<double>(start + (70 * 24 - 1) * 3600);
    EXPECT_EQ(scatter.Times().back(), newest);
    // All of the widest window, and no more than the rest of the (at most 25-hour) day it starts in.
    EXPECT_LE(scatter.Times().front(), newest - CTrendView::kLongestSpan);
    EXPECT_GT(scatter.Times().front(), newest - CTrendView::kLongestSpan - 25 * 3600);
}
