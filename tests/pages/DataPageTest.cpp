// The Data page: record lines shown as received, the status light and text, the countdowns with
// their predictions, and the window icon asked of the main window at the tick.
#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QTest>
#include <QTimer>
#include <ctime>
#include <vector>

#include "FakePageHost.h"
#include "pages/ControlName.h"
#include "pages/DataPage.h"
#include "pages/Icons.h"

namespace {

const char* const kWholeD = "D,B,100,1.1,2.2,3.3,4.4,5.5,6.6,7.7";

// Counts the page's paints.
struct CountingPage : CCorvaneDataPage {
    using CCorvaneDataPage::CCorvaneDataPage;
    int paints = 0;
    void paintEvent(QPaintEvent* event) override {
        ++paints;
        CCorvaneDataPage::paintEvent(event);
    }
};

class DataPageTest : public ::testing::Test {
protected:
    FakePageHost host;
    CountingPage page{host};

    // Averaging, blank, zero and auto zero period, in seconds.
    DataPageTest() { host.snapshot = {2, 1, "60", "60", "300", "3600"}; }
    QString Text(DataPageId id) const {
        if (auto* edit = page.findChild<QLineEdit*>(ControlName(id))) return edit->text();
        return page.findChild<QLabel*>(ControlName(id))->text();
    }
    QMap<QString, QString> AllTexts() const {
        QMap<QString, QString> texts;
        for (QLabel* label : page.findChildren<QLabel*>()) texts[label->objectName()] = label->text();
        return texts;
    }
    bool LightShows(IconId icon) const {
        return page.findChild<QLabel*>(ControlName(DataPageId::StatusLight))->pixmap().toImage() ==
               IconFor(icon).pixmap(32).toImage();
    }
    // Hands a line to the handler of its record letter.
    void Feed(const std::string& line) {
        using Handler = void (CCorvaneDataPage::*)(const std::string&);
        const Handler handler = line[0] == 'T'   ? &CCorvaneDataPage::OnTimeRecord
                                : line[0] == 'D' ? &CCorvaneDataPage::OnDataRecord
                                : line[0] == 'Y' ? &CCorvaneDataPage::OnAuxRecord
                                : line[0] == 'Z' ? &CCorvaneDataPage::OnZeroRecord
                                                 : &CCorvaneDataPage::OnPhotonRecord;
        (page.*handler)(line);
    }
    void Ticks(int count) {
        for (int i = 0; i < count; ++i) page.OnTimerTick();
    }
};

TEST_F(DataPageTest, RecordsShowTheFieldsTheyHold) {
    const struct {
        const char* line;
        std::vector<std::pair<DataPageId, const char*>> shown;  // control and its text afterwards
    } steps[] = {
        {kWholeD,
         {{DataPageId::ModeLabel, "BLANKING mode for"}, {DataPageId::ModeSeconds, "100"}, {DataPageId::ScatteringBlue, "1.1"}, {DataPageId::BackscatterRed, "6.6,7.7"}, {DataPageId::NextData, "60"}}},
        {"D,N,", {{DataPageId::ModeLabel, "MEASURING mode for"}, {DataPageId::ModeSeconds, "100"}, {DataPageId::ScatteringBlue, "1.1"}}},  // stops after the mode
        {"D,Q,7,", {{DataPageId::ModeLabel, "MEASURING mode for"}, {DataPageId::ModeSeconds, "7"}}},                 // not a mode letter
        {"Y,0,1013,300,295,45,0,0,0001", {{DataPageId::Pressure, "1013"}, {DataPageId::SampleTemp, "300"}, {DataPageId::InletTemp, "295"}, {DataPageId::Humidity, "45"}}},
        {"G,1,2,3,4,5,6,7,8,999,301.5,x", {{DataPageId::Pressure, "999"}, {DataPageId::SampleTemp, "301.5,x"}}},
        {"Z,10,11,12,13,14,15,16,17,18,19", {{DataPageId::ZeroRayleighRed, "18,19"}, {DataPageId::LastZeroTime, ""}}},  // no T record yet
        // The time text shows the fields as sent; the day is not checked against the month.
        {"T,9999,02,31,23,59,59", {{DataPageId::LastDataTime, "99-02-31 23:59:59"}}},
        // Out of range or missing a field: ignored whole.
        {"T,2005,13,20,14,30,07", {{DataPageId::LastDataTime, "99-02-31 23:59:59"}}},
        {"T,-1,09,20,14,30,07", {{DataPageId::LastDataTime, "99-02-31 23:59:59"}}},
        {"T,2005,02,01,12,00", {{DataPageId::LastDataTime, "99-02-31 23:59:59"}}},
        {"Z,20,21,22,23,24,25,26,27", {{DataPageId::ZeroRayleighBlue, "26"}, {DataPageId::ZeroRayleighGreen, "17"}, {DataPageId::LastZeroTime, ""}}},  // fields 1 to 7 only
        // A whole zero record copies the time text, never the clock.
        {"T,2005,9,20,14,30,7", {{DataPageId::LastDataTime, "05-9-20 14:30:7"}}},
        {"Z,1,2,3,4,5,6,7,8,9", {{DataPageId::LastZeroTime, "05-9-20 14:30:7"}}},
    };
    EXPECT_FALSE(page.HasInstrumentTime());
    for (const auto& step : steps) {
        Feed(step.line);
        for (const auto& [id, text] : step.shown) EXPECT_EQ(Text(id), text) << step.line << " in " << ControlName(id).toStdString();
    }
    EXPECT_FALSE(page.HasFault());                               // the Y record above has no status field
    std::tm local{7, 30, 14, 20, 8, 105, 0, 0, -1, 0, nullptr};  // as the local clock has it on that day
    ASSERT_TRUE(page.HasInstrumentTime());
    EXPECT_EQ(page.GetInstrumentTime(), std::mktime(&local));

    const QMap<QString, QString> before = AllTexts();
    const std::time_t instrumentTime = page.GetInstrumentTime();
    for (const char* line : {"", "ERROR", "error", "WriteComm", "D", "Y,"}) {
        SCOPED_TRACE(line);
        page.OnTimeRecord(line);
        page.OnDataRecord(line);
        page.OnAuxRecord(line);
        page.OnZeroRecord(line);
        page.OnPhotonRecord(line);
        EXPECT_EQ(AllTexts(), before);
        EXPECT_EQ(page.GetInstrumentTime(), instrumentTime);
    }
    page.OnPhotonRecord("B,1,2,3,4,5,6,7,8,9");  // eight commas: not a whole photon record
    EXPECT_EQ(AllTexts(), before);
}

TEST_F(DataPageTest, StatusWordDrivesLightAndTextAtOnceAndTheWindowIconAtTheTick) {
    const struct {
        const char* word;
        IconId light;
        const char* edit;
        const char* statusText;  // kept from the last fault list when no fault bit is set
    } rows[] = {{"000A", IconId::RedDisc, "Valve, Shutter", "Valve, Shutter"},
                {"0200", IconId::GreenDisc, "Okay", "Valve, Shutter"},
                {"0000", IconId::GreenDisc, "Okay", "Valve, Shutter"}};
    page.StartCountdowns();
    for (const auto& row : rows) {
        SCOPED_TRACE(row.word);
        const std::size_t iconsAsked = host.windowIcons.size();
        page.OnAuxRecord(std::string("Y,0,1,2,3,4,5,6,7,") + row.word);
        EXPECT_TRUE(LightShows(row.light));
        EXPECT_EQ(Text(DataPageId::StatusText), row.edit);
        EXPECT_EQ(page.GetStatusText(), row.statusText);
        EXPECT_EQ(page.HasFault(), std::string(row.word) != "0000");  // any bit, for Start Data
        EXPECT_EQ(host.windowIcons.size(), iconsAsked);
        page.OnTimerTick();
    }
    // Asked at the tick, and only when it changes.
    using Icon = std::pair<IconId, std::string>;
    EXPECT_EQ(host.windowIcons, (std::vector<Icon>{{IconId::RedLamp, "Valve, Shutter"}, {IconId::Application, ""}}));
}

TEST_F(DataPageTest, FirstPaintShowsGreenLightAndOkayAndTheTimerTicksUntilStopped) {
    page.OnDataRecord(kWholeD);
    page.StartCountdowns();
    EXPECT_EQ(Text(DataPageId::StatusText), "");
    page.show();
    EXPECT_TRUE(QTest::qWaitFor([&] { return Text(DataPageId::StatusText) == "Okay"; }, 2000));
    EXPECT_TRUE(LightShows(IconId::GreenDisc));
    auto* timer = page.findChild<QTimer*>("102");
    EXPECT_TRUE(QTest::qWaitFor([&] { return Text(DataPageId::NextData) == "59"; }, 1500));
    EXPECT_TRUE(timer->isActive());  // started again after the tick
    page.StopCountdowns();
    EXPECT_FALSE(timer->isActive());
    EXPECT_EQ(Text(DataPageId::ModeSeconds), "99");  // the texts stay
    // Showing the status at a paint must not ask for another paint.
    page.paints = 0;
    QTest::qWait(200);
    EXPECT_LE(page.paints, 1);
}

TEST_F(DataPageTest, CountdownsPredictTheNextModeWhenOneRunsOut) {
    page.OnDataRecord("D,N,2,1,2,3,4,5,6");
    page.StartCountdowns();
    Ticks(2);
    EXPECT_EQ(Text(DataPageId::NextData), "58");
    EXPECT_EQ(Text(DataPageId::ModeLabel), "BLANKING mode for");  // measuring ran out
    EXPECT_EQ(Text(DataPageId::ModeSeconds), "0");                  // the new count shows from the next tick
    Ticks(60);
    EXPECT_EQ(Text(DataPageId::ModeLabel), "BLANKING mode for");  // the mode field still says measuring
    EXPECT_EQ(Text(DataPageId::NextData), "0");
    page.OnTimerTick();
    EXPECT_EQ(Text(DataPageId::ModeSeconds), "59");
    EXPECT_EQ(Text(DataPageId::NextData), "0");  // stays at 0 until the next whole D record

    page.OnDataRecord("D,B,1,1,2,3,4,5,6");  // blanking after measuring: zeroing follows
    page.OnTimerTick();
    EXPECT_EQ(Text(DataPageId::ModeLabel), "ZEROING mode for");
    page.OnDataRecord("D,Z,1,1,2,3,4,5,6");
    page.OnTimerTick();
    page.OnDataRecord("D,B,1,1,2,3,4,5,6");  // blanking after zeroing: measuring follows
    Ticks(2);
    EXPECT_EQ(Text(DataPageId::ModeLabel), "MEASURING mode for");
    EXPECT_EQ(Text(DataPageId::ModeSeconds), "3179");  // 3600 - 60 - 300 - 60, less one
}

TEST_F(DataPageTest, ManualMeasuringShowsNoModeSeconds) {
    host.snapshot.m_nMode = 0;
    page.OnDataRecord("D,N,120,1,2,3,4,5,6");
    page.OnTimerTick();
    EXPECT_EQ(Text(DataPageId::ModeSeconds), "");
    host.snapshot.m_strAveragingTime.clear();  // timing never loaded
    page.OnDataRecord("D,B,120,1,2,3,4,5,6");
    EXPECT_EQ(Text(DataPageId::ModeSeconds), "120");
    EXPECT_EQ(Text(DataPageId::NextData), "");
}

}  // namespace
