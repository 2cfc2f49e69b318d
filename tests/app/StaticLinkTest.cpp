// The web link label: its colours, underline and cursor, and what a click opens.
#include <gtest/gtest.h>

#include <QImage>
#include <QTest>
#include <QUrl>
#include <vector>

#include "app/StaticLink.h"

namespace {

const QColor kUnvisited(0, 0, 255);
const QColor kVisited(128, 0, 128);

// Records every URL it is asked to open and answers with the scripted results in turn.
struct FakeOpener {
    std::vector<bool> results;
    std::vector<QUrl> opened;
    bool operator()(const QUrl& url) {
        opened.push_back(url);
        const bool result = results.empty() ? true : results.front();
        if (!results.empty()) results.erase(results.begin());
        return result;
    }
};

// Whether the drawn label has pixels of exactly this colour (the underline is a solid line).
bool DrawsInColour(CStaticLink& link, const QColor& colour) {
    const QImage image = link.grab().toImage();
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixelColor(x, y) == colour) return true;
    return false;
}

class StaticLinkTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_link.setText("http://www.brantel.example.com/");
        m_link.m_openUrl = [this](const QUrl& url) { return m_opener(url); };
        m_link.adjustSize();
        m_link.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&m_link));
    }
    void Click() { QTest::mouseClick(&m_link, Qt::LeftButton, {}, m_link.rect().center()); }

    CStaticLink m_link;
    FakeOpener m_opener;
};

}  // namespace

TEST_F(StaticLinkTest, NewLinkDrawsUnderlinedInBlueWithAHandCursor) {
    EXPECT_TRUE(m_link.font().underline());
    EXPECT_EQ(m_link.cursor().shape(), Qt::PointingHandCursor);
    EXPECT_TRUE(DrawsInColour(m_link, kUnvisited));
    EXPECT_FALSE(DrawsInColour(m_link, kVisited));
    EXPECT_FALSE(m_link.IsVisited());
}

TEST_F(StaticLinkTest, SuccessfulOpenTurnsItPurpleForGood) {
    Click();
    ASSERT_EQ(m_opener.opened.size(), 1u);
    EXPECT_EQ(m_opener.opened[0], QUrl("http://www.brantel.example.com/"));
    EXPECT_TRUE(m_link.IsVisited());
    EXPECT_TRUE(DrawsInColour(m_link, kVisited));
    EXPECT_FALSE(DrawsInColour(m_link, kUnvisited));

    // A later failure does not take the visited colour away.
    m_opener.results = {false};
    Click();
    EXPECT_EQ(m_opener.opened.size(), 2u);
    EXPECT_TRUE(DrawsInColour(m_link, kVisited));
}

TEST_F(StaticLinkTest, FailedOpenStaysBlueAndTheNextClickTriesAgain) {
    m_opener.results = {false, false, true};
    Click();
    EXPECT_FALSE(m_link.IsVisited());
    EXPECT_TRUE(DrawsInColour(m_link, kUnvisited));
    Click();
    EXPECT_FALSE(m_link.IsVisited());
    Click();
    EXPECT_EQ(m_opener.opened.size(), 3u);
    EXPECT_TRUE(m_link.IsVisited());
}

TEST_F(StaticLinkTest, TargetIsTheTextAtTheFirstClick) {
    m_opener.results = {false};
    Click();
    m_link.setText("http://other.example.org/");
    Click();
    ASSERT_EQ(m_opener.opened.size(), 2u);
    EXPECT_EQ(m_opener.opened[1], QUrl("http://www.brantel.example.com/"));
    EXPECT_EQ(m_link.Target(), "http://www.brantel.example.com/");
}
