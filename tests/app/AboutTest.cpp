// The about box's version line: this build's version, time and date; the version text's four
// parts printed as unsigned 16-bit numbers, "UnKnown" without a version.
#include <gtest/gtest.h>

#include <QLabel>
#include <QRegularExpression>

#include "app/AboutDlg.h"
#include "app/Version.h"
#include "pages/ControlName.h"

TEST(About, VersionLineCarriesThisBuildsVersionTimeAndDateAsUnsignedNumbers) {
    CAboutDlg about;
    // "Version 1.5.0.1, 15:08:51, Sep 20 2005" with this build's version, time and date.
    const QString line = about.findChild<QLabel*>(ControlName(AboutBoxId::Version))->text();
    const QRegularExpression format(
        QStringLiteral("^Version %1, \\d\\d:\\d\\d:\\d\\d, [A-Z][a-z]{2} [ \\d]\\d \\d{4}$")
            .arg(QRegularExpression::escape(CORVANE_TEST_PROJECT_VERSION)));
    EXPECT_TRUE(format.match(line).hasMatch()) << line.toStdString();

    // The version's four parts print as unsigned 16-bit numbers.
    const struct {
        std::optional<ProductVersion> version;
        const char* text;
    } cases[] = {
        {std::nullopt, "UnKnown"},
        {ProductVersion{0x00010005, 0x00000001}, "1.5.0.1"},
        {ProductVersion{0x80007FFF, 0x8000FFFF}, "32768.32767.32768.65535"},
        {ProductVersion{0xFFFFFFFF, 0xFFFFFFFF}, "65535.65535.65535.65535"},
    };
    for (const auto& c : cases) EXPECT_EQ(FormatProductVersion(c.version), c.text);
}
