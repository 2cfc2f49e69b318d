// The about box: title, texts, the version line and the maker's link.
#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>

#include "app/AboutDlg.h"
#include "app/StaticLink.h"

TEST(AboutDlg, ShowsTheProgramVersionAndTheMakersAddress) {
    CAboutDlg about;
    EXPECT_EQ(about.windowTitle(), "About Corvane");
    EXPECT_FALSE(about.windowIcon().isNull());

    QStringList texts;
    for (QLabel* label : about.findChildren<QLabel*>()) texts << label->text();
    EXPECT_TRUE(texts.contains("Corvane Software"));
    EXPECT_TRUE(texts.contains("Copyright (C) 2005 Brantel Inc."));

    // "Version 1.5.0.1, 15:08:51, Sep 20 2005" with this build's version, time and date.
    const QString line = about.findChild<QLabel*>("1103")->text();
    EXPECT_EQ(line, about.VersionLine());
    const QRegularExpression format(
        QStringLiteral("^Version %1, \\d\\d:\\d\\d:\\d\\d, [A-Z][a-z]{2} [ \\d]\\d \\d{4}$")
            .arg(QRegularExpression::escape(CORVANE_TEST_PROJECT_VERSION)));
    EXPECT_TRUE(format.match(line).hasMatch()) << line.toStdString();

    auto* link = about.findChild<CStaticLink*>("1104");
    ASSERT_NE(link, nullptr);
    EXPECT_EQ(link, &about.Link());
    EXPECT_EQ(link->text(), "http://www.brantel.example.com/");
}

TEST(AboutDlg, OkClosesTheBox) {
    CAboutDlg about;
    about.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&about));
    auto* ok = about.findChild<QPushButton*>("1");
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(ok->text(), "OK");
    QTest::mouseClick(ok, Qt::LeftButton);
    EXPECT_FALSE(about.isVisible());
    EXPECT_EQ(about.result(), QDialog::Accepted);
}
