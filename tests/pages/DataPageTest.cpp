// The Data page: record lines shown as received, the status light and text, the countdowns with
// their predictions, and the window icon asked of the main window at the tick.
#include <gtest/gtest.h>

#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QTest>
#include <QTimer>
#include <ctime>
#include <string>

#include "FakePageHost.h"
#include "pages/DataPage.h"
#include "pages/Icons.h"

namespace {

const char* const kWholeD = "D,B,100,1.1,2.2,3.3,4.4,5.5,6.6,7.7";
const char* const kWholeY = "Y,0,1013,300,295,45,0,0,0,0000";
const char* const kWholeZ = "Z,10,11,12,13,14,15,16,17,18";

class DataPageTest : public ::testing::Test {
protected:
    FakePageHost host;
    CCorvaneDataPage page{host};

    void SetUp() override {
        host.snapshot.m_strAveragingTime = "60";
        host.snapshot.m_strBlankTime = "60";
        host.snapshot.m_strZeroTime = "300";
        host.snapshot.m_strAutoZeroPeriod = "3600";
    }

    QString Text(int id) const {
        const QString name = QString::number(id);
        if (auto* edit = page.findChild<QLineEdit*>(name)) return edit->text();
        return page.findChild<QLabel*>(name)->text();
    }
    // Every text on the page, by control id.
    QMap<QString, QString> AllTexts() const {
        QMap<QString, QString> texts;
        for (QLabel* label : page.findChildren<QLabel*>()) texts[label->objectName()] = label->text();
        return texts;
    }
    bool LightShows(std::uint16_t iconId) const {
        const QLabel* light = page.findChild<QLabel*>("1102");
        return light->pixmap().toImage() == IconForResource(iconId).pixmap(32).toImage();
    }
    void Ticks(int count) {
        for (int i = 0; i < count; ++i) page.OnTimerTick();
    }
};

TEST_F(DataPageTest, WholeDataRecordFillsModeCoefficientsAndNextDataTime) {
    page.OnDataRecord(kWholeD);
    EXPECT_EQ(Text(1078), "BLANKING mode for");
    EXPECT_EQ(Text(1079), "100");
    EXPECT_EQ(Text(1040), "1.1");
    EXPECT_EQ(Text(1041), "2.2");
    EXPECT_EQ(Text(1042), "3.3");
    EXPECT_EQ(Text(1043), "4.4");
    EXPECT_EQ(Text(1044), "5.5");
    EXPECT_EQ(Text(1045), "6.6,7.7");  // the last field is the rest of the line
    EXPECT_EQ(Text(1077), "60");
}

TEST_F(DataPageTest, PartialDataRecordChangesOnlyWhatItHolds) {
    page.OnDataRecord(kWholeD);
    page.OnDataRecord("D,N,");
    EXPECT_EQ(Text(1078), "MEASURING mode for");
    EXPECT_EQ(Text(1079), "100");
    EXPECT_EQ(Text(1040), "1.1");
    EXPECT_EQ(Text(1045), "6.6,7.7");

    page.OnDataRecord("D,Z,40,9.9");
    EXPECT_EQ(Text(1078), "ZEROING mode for");
    EXPECT_EQ(Text(1079), "40");
    EXPECT_EQ(Text(1040), "1.1");  // field 3 has no comma after it yet

    page.OnDataRecord("D,Q,7,");
    EXPECT_EQ(Text(1078), "ZEROING mode for");  // not a mode letter: the label stays
    EXPECT_EQ(Text(1079), "7");
}

TEST_F(DataPageTest, LinesWithoutUsableFieldsChangeNothing) {
    page.OnTimeRecord("T,2005,09,20,14,30,07");
    page.OnDataRecord(kWholeD);
    page.OnAuxRecord("Y,0,1013,300,295,45,0,0,0,0001");
    page.OnZeroRecord(kWholeZ);
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
        EXPECT_EQ(page.GetStatusText(), "Lamp");
    }
}

TEST_F(DataPageTest, TimeRecordSetsLastDataTimeAndInstrumentTime) {
    EXPECT_FALSE(page.HasInstrumentTime());
    page.OnTimeRecord("T,2005,9,20,14,30,7");
    EXPECT_EQ(Text(1047), "05-9-20 14:30:7");
    ASSERT_TRUE(page.HasInstrumentTime());
    std::tm expected{};
    expected.tm_year = 105;
    expected.tm_mon = 8;
    expected.tm_mday = 20;
    expected.tm_hour = 14;
    expected.tm_min = 30;
    expected.tm_sec = 7;
    expected.tm_isdst = -1;
    EXPECT_EQ(page.GetInstrumentTime(), std::mktime(&expected));

    page.OnTimeRecord("T,2005,02,31,00,00,00");  // the day is not checked against the month
    EXPECT_EQ(Text(1047), "05-02-31 00:00:00");
}

TEST_F(DataPageTest, InvalidTimeRecordsChangeNothing) {
    page.OnTimeRecord("T,2005,09,20,14,30,07");
    const std::time_t instrumentTime = page.GetInstrumentTime();
    for (const char* line : {"T,2005,13,20,14,30,07", "T,2005,09,32,14,30,07", "T,2005,09,00,14,30,07",
                             "T,2005,09,20,24,30,07", "T,2005,09,20,14,60,07", "T,2005,09,20,14,30,60",
                             "T,10000,09,20,14,30,07", "T,-1,09,20,14,30,07", "T,2005,02,01,12,00"}) {
        SCOPED_TRACE(line);
        page.OnTimeRecord(line);
        EXPECT_EQ(Text(1047), "05-09-20 14:30:07");
        EXPECT_EQ(page.GetInstrumentTime(), instrumentTime);
    }
}

TEST_F(DataPageTest, ZeroRecordTakesTheShownTimeWhenWhole) {
    page.OnZeroRecord(kWholeZ);
    EXPECT_EQ(Text(1049), "10");
    EXPECT_EQ(Text(1057), "18");
    EXPECT_EQ(Text(1082), "");  // no T record yet

    page.OnTimeRecord("T,2005,09,20,14,30,07");
    page.OnTimeRecord("T,2005,09,20,14,30,99");      // rejected: the older time stays shown
    page.OnZeroRecord("Z,20,21,22,23,24,25,26,27");  // seven commas: fields 1 to 7
    EXPECT_EQ(Text(1049), "20");
    EXPECT_EQ(Text(1055), "26");
    EXPECT_EQ(Text(1056), "17");
    EXPECT_EQ(Text(1057), "18");
    EXPECT_EQ(Text(1082), "");

    page.OnZeroRecord("Z,1,2,3,4,5,6,7,8,9,extra");
    EXPECT_EQ(Text(1057), "9,extra");
    EXPECT_EQ(Text(1082), "05-09-20 14:30:07");
}

TEST_F(DataPageTest, AuxAndPhotonRecordsFillTemperaturesPressureAndHumidity) {
    page.OnAuxRecord(kWholeY);
    EXPECT_EQ(Text(1074), "1013");
    EXPECT_EQ(Text(1076), "300");
    EXPECT_EQ(Text(1070), "295");
    EXPECT_EQ(Text(1072), "45");

    page.OnPhotonRecord("B,1,2,3,4,5,6,7,8,999");  // eight commas: not whole
    EXPECT_EQ(Text(1074), "1013");
    page.OnPhotonRecord("G,1,2,3,4,5,6,7,8,999,301.5,x");
    EXPECT_EQ(Text(1074), "999");
    EXPECT_EQ(Text(1076), "301.5,x");
    EXPECT_EQ(Text(1070), "295");
}

TEST_F(DataPageTest, StatusWordDrivesLightTextAndFaultQuery) {
    page.OnAuxRecord("Y,0,1013,300,295,45,0,0,0,000A");
    EXPECT_TRUE(LightShows(133));
    EXPECT_EQ(Text(1100), "Valve, Shutter");
    EXPECT_TRUE(page.HasFault());
    EXPECT_EQ(page.GetStatusText(), "Valve, Shutter");

    page.OnAuxRecord("Y,0,1013,300,295,45,0,0,0,01FF");
    EXPECT_EQ(Text(1100), "Lamp, Valve, Chopper, Shutter, Heater, Press, S-Temp, I-Temp, Humid");

    // A bit above the fault bits: green and "Okay", yet a fault for Start Data, with the old text.
    page.OnAuxRecord("Y,0,1013,300,295,45,0,0,0,0200");
    EXPECT_TRUE(LightShows(134));
    EXPECT_EQ(Text(1100), "Okay");
    EXPECT_TRUE(page.HasFault());
    EXPECT_EQ(page.GetStatusText(), "Lamp, Valve, Chopper, Shutter, Heater, Press, S-Temp, I-Temp, Humid");

    page.OnAuxRecord("Y,0,1,2,3,4,0,0,0001");  // seven commas: values only, the status stays
    EXPECT_EQ(Text(1074), "1");
    EXPECT_EQ(Text(1072), "4");
    EXPECT_EQ(Text(1100), "Okay");

    page.OnAuxRecord(kWholeY);
    EXPECT_FALSE(page.HasFault());
}

TEST_F(DataPageTest, FirstPaintShowsGreenLightAndOkay) {
    EXPECT_EQ(Text(1100), "");
    page.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&page));
    EXPECT_TRUE(QTest::qWaitFor([&] { return Text(1100) == "Okay"; }, 2000));
    EXPECT_TRUE(LightShows(134));
}

TEST_F(DataPageTest, WindowIconChangesOnlyAtATickAndOnlyOnChange) {
    page.StartCountdowns();
    page.OnAuxRecord("Y,0,1013,300,295,45,0,0,0,0001");
    EXPECT_TRUE(LightShows(133));  // the light turns at once
    EXPECT_TRUE(host.windowIcons.empty());
    Ticks(2);
    ASSERT_EQ(host.windowIcons.size(), 1u);
    EXPECT_EQ(host.windowIcons[0], std::make_pair(std::uint16_t{135}, std::string("Lamp")));

    page.OnAuxRecord(kWholeY);
    EXPECT_EQ(host.windowIcons.size(), 1u);
    Ticks(2);
    ASSERT_EQ(host.windowIcons.size(), 2u);
    EXPECT_EQ(host.windowIcons[1], std::make_pair(std::uint16_t{128}, std::string()));
    page.StopCountdowns();
}

TEST_F(DataPageTest, NextDataCountsDownFromTheAveragingTimeAndStopsAtZero) {
    page.OnDataRecord(kWholeD);
    page.StartCountdowns();
    page.OnTimerTick();
    EXPECT_EQ(Text(1077), "59");
    Ticks(59);
    EXPECT_EQ(Text(1077), "0");
    page.findChild<QLabel*>("1077")->setText("kept");
    page.OnTimerTick();  // a countdown at 0 leaves its text alone
    EXPECT_EQ(Text(1077), "kept");
    page.OnDataRecord(kWholeD);
    EXPECT_EQ(Text(1077), "60");
    page.StopCountdowns();
}

TEST_F(DataPageTest, DataRecordBeforeTimingIsKnownLeavesNextDataEmpty) {
    host.snapshot.m_strAveragingTime.clear();
    page.OnDataRecord(kWholeD);
    EXPECT_EQ(Text(1077), "");
    page.OnTimerTick();
    EXPECT_EQ(Text(1077), "");
}

TEST_F(DataPageTest, ManualMeasuringShowsNoModeSeconds) {
    host.snapshot.m_nMode = 0;
    page.OnDataRecord("D,N,120,1,2,3,4,5,6");
    EXPECT_EQ(Text(1079), "");
    page.OnTimerTick();
    EXPECT_EQ(Text(1079), "");
    page.OnDataRecord("D,B,120,1,2,3,4,5,6");  // blanking counts even in Manual mode
    EXPECT_EQ(Text(1079), "120");
}

TEST_F(DataPageTest, ExpiredMeasuringPredictsBlankingAgainUntilANewRecord) {
    page.OnDataRecord("D,N,2,1,2,3,4,5,6");
    page.StartCountdowns();
    page.OnTimerTick();
    EXPECT_EQ(Text(1079), "1");
    page.OnTimerTick();
    EXPECT_EQ(Text(1078), "BLANKING mode for");
    EXPECT_EQ(Text(1079), "0");  // the new count shows from the next tick
    page.OnTimerTick();
    EXPECT_EQ(Text(1079), "59");
    Ticks(59);
    EXPECT_EQ(Text(1078), "BLANKING mode for");  // the mode field still says measuring
    page.OnTimerTick();
    EXPECT_EQ(Text(1079), "59");
    page.StopCountdowns();
}

TEST_F(DataPageTest, BlankingAfterStartIsFollowedByZeroingThenMeasuring) {
    page.OnDataRecord("D,B,1,1,2,3,4,5,6");
    page.SetModeAfterBlanking('N');
    page.StartCountdowns();  // a run starts expecting a zero after blanking
    page.OnTimerTick();
    EXPECT_EQ(Text(1078), "ZEROING mode for");
    page.OnTimerTick();
    EXPECT_EQ(Text(1079), "299");

    page.OnDataRecord("D,Z,1,1,2,3,4,5,6");
    page.OnTimerTick();
    EXPECT_EQ(Text(1078), "BLANKING mode for");
    page.OnDataRecord("D,B,1,1,2,3,4,5,6");
    page.OnTimerTick();
    EXPECT_EQ(Text(1078), "MEASURING mode for");
    page.OnTimerTick();
    EXPECT_EQ(Text(1079), "3179");  // 3600 - 60 - 300 - 60, less one
    page.StopCountdowns();
}

TEST_F(DataPageTest, StopKeepsTheTextsAndClearEmptiesThem) {
    page.OnDataRecord(kWholeD);
    page.StartCountdowns();
    Ticks(3);
    page.StopCountdowns();
    EXPECT_EQ(Text(1077), "57");
    EXPECT_EQ(Text(1079), "97");
    EXPECT_FALSE(page.findChild<QTimer*>("102")->isActive());
    page.OnTimerTick();  // both counts are 0 now
    EXPECT_EQ(Text(1077), "57");
    EXPECT_EQ(Text(1079), "97");

    page.OnDataRecord(kWholeD);
    page.ClearCountdowns();  // after a query
    EXPECT_EQ(Text(1077), "");
    EXPECT_EQ(Text(1079), "");
    page.OnTimerTick();
    EXPECT_EQ(Text(1077), "");
}

TEST_F(DataPageTest, RealTimerTicksEverySecondDuringARun) {
    host.snapshot.m_strAveragingTime = "5";
    page.OnDataRecord(kWholeD);
    page.StartCountdowns();
    EXPECT_TRUE(page.findChild<QTimer*>("102")->isActive());
    EXPECT_TRUE(QTest::qWaitFor([&] { return Text(1077) == "4"; }, 1500));
    EXPECT_TRUE(page.findChild<QTimer*>("102")->isActive());  // started again after the tick
    page.StopCountdowns();
    EXPECT_FALSE(page.findChild<QTimer*>("102")->isActive());
}

}  // namespace
