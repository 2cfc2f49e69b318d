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

#include "FakePageHost.h"
#include "pages/DataPage.h"
#include "pages/Icons.h"

namespace {

const char* const kWholeD = "D,B,100,1.1,2.2,3.3,4.4,5.5,6.6,7.7";
const char* const kFaultY = "Y,0,1013,300,295,45,0,0,0,0001";
const char* const kOkayY = "Y,0,1013,300,295,45,0,0,0,0000";

class DataPageTest : public ::testing::Test {
protected:
    FakePageHost host;
    CCorvaneDataPage page{host};

    // Averaging, blank, zero and auto zero period, in seconds.
    DataPageTest() { host.snapshot = {2, 1, "60", "60", "300", "3600"}; }
    QString Text(int id) const {
        if (auto* edit = page.findChild<QLineEdit*>(QString::number(id))) return edit->text();
        return page.findChild<QLabel*>(QString::number(id))->text();
    }
    QMap<QString, QString> AllTexts() const {
        QMap<QString, QString> texts;
        for (QLabel* label : page.findChildren<QLabel*>()) texts[label->objectName()] = label->text();
        return texts;
    }
    bool LightShows(std::uint16_t iconId) const {
        return page.findChild<QLabel*>("1102")->pixmap().toImage() ==
               IconForResource(iconId).pixmap(32).toImage();
    }
    void Ticks(int count) {
        for (int i = 0; i < count; ++i) page.OnTimerTick();
    }
};

TEST_F(DataPageTest, DataRecordsShowTheFieldsTheyHold) {
    page.OnDataRecord(kWholeD);
    const std::pair<int, const char*> shown[] = {
        {1078, "BLANKING mode for"}, {1079, "100"}, {1040, "1.1"}, {1042, "3.3"}, {1043, "4.4"},
        {1045, "6.6,7.7"},           {1077, "60"}};
    for (const auto& [id, text] : shown) EXPECT_EQ(Text(id), text) << id;
    page.OnDataRecord("D,N,");  // stops after the mode field
    EXPECT_EQ(Text(1078), "MEASURING mode for");
    EXPECT_EQ(Text(1079), "100");
    EXPECT_EQ(Text(1040), "1.1");
    page.OnDataRecord("D,Q,7,");  // not a mode letter: the label stays
    EXPECT_EQ(Text(1078), "MEASURING mode for");
    EXPECT_EQ(Text(1079), "7");
}

TEST_F(DataPageTest, LinesWithoutUsableFieldsChangeNothing) {
    page.OnTimeRecord("T,2005,09,20,14,30,07");
    page.OnDataRecord(kWholeD);
    page.OnAuxRecord(kFaultY);
    page.OnZeroRecord("Z,10,11,12,13,14,15,16,17,18");
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

TEST_F(DataPageTest, TimeRecordIsTakenWholeOrNotAtAll) {
    EXPECT_FALSE(page.HasInstrumentTime());
    page.OnTimeRecord("T,2005,9,20,14,30,7");
    EXPECT_EQ(Text(1047), "05-9-20 14:30:7");
    std::tm local{};
    strptime("2005-09-20 14:30:07", "%Y-%m-%d %H:%M:%S", &local);
    local.tm_isdst = -1;  // as the local clock has it on that day
    ASSERT_TRUE(page.HasInstrumentTime());
    EXPECT_EQ(page.GetInstrumentTime(), std::mktime(&local));
    // Out of range or missing a field: records that the page ignores whole.
    for (const char* line : {"T,2005,13,20,14,30,07", "T,-1,09,20,14,30,07", "T,2005,02,01,12,00"}) {
        page.OnTimeRecord(line);
        EXPECT_EQ(Text(1047), "05-9-20 14:30:7") << line;
        EXPECT_EQ(page.GetInstrumentTime(), std::mktime(&local)) << line;
    }
    page.OnTimeRecord("T,9999,02,31,23,59,59");  // the day is not checked against the month
    EXPECT_EQ(Text(1047), "99-02-31 23:59:59");
}

TEST_F(DataPageTest, WholeZeroRecordTakesTheTimeShownForTheLastTRecord) {
    page.OnZeroRecord("Z,10,11,12,13,14,15,16,17,18,19");
    EXPECT_EQ(Text(1057), "18,19");
    EXPECT_EQ(Text(1082), "");  // no T record yet
    page.OnTimeRecord("T,2005,09,20,14,30,07");
    page.OnZeroRecord("Z,20,21,22,23,24,25,26,27");  // seven commas: fields 1 to 7 only
    EXPECT_EQ(Text(1055), "26");
    EXPECT_EQ(Text(1056), "17");
    EXPECT_EQ(Text(1082), "");
    page.OnZeroRecord("Z,1,2,3,4,5,6,7,8,9");
    EXPECT_EQ(Text(1082), "05-09-20 14:30:07");
}

TEST_F(DataPageTest, AuxAndPhotonRecordsFillTemperaturesPressureAndHumidity) {
    page.OnAuxRecord("Y,0,1013,300,295,45,0,0,0001");  // seven commas: values, no status
    EXPECT_EQ(Text(1074), "1013");
    EXPECT_EQ(Text(1076), "300");
    EXPECT_EQ(Text(1070), "295");
    EXPECT_EQ(Text(1072), "45");
    EXPECT_FALSE(page.HasFault());
    page.OnPhotonRecord("G,1,2,3,4,5,6,7,8,999,301.5,x");
    EXPECT_EQ(Text(1074), "999");
    EXPECT_EQ(Text(1076), "301.5,x");
}

TEST_F(DataPageTest, StatusWordDrivesLightTextAndFaultQuery) {
    struct Row {
        const char* word;
        std::uint16_t light;
        const char* edit;
        const char* statusText;  // kept from the last fault list when no fault bit is set
    };
    for (const Row& row :
         {Row{"000A", 133, "Valve, Shutter", "Valve, Shutter"}, Row{"0200", 134, "Okay", "Valve, Shutter"},
          Row{"0000", 134, "Okay", "Valve, Shutter"}}) {
        SCOPED_TRACE(row.word);
        page.OnAuxRecord(std::string("Y,0,1,2,3,4,5,6,7,") + row.word);
        EXPECT_TRUE(LightShows(row.light));
        EXPECT_EQ(Text(1100), row.edit);
        EXPECT_EQ(page.GetStatusText(), row.statusText);
        EXPECT_EQ(page.HasFault(), std::string(row.word) != "0000");  // any bit, for Start Data
    }
}

TEST_F(DataPageTest, FirstPaintShowsGreenLightAndOkay) {
    EXPECT_EQ(Text(1100), "");
    page.show();
    EXPECT_TRUE(QTest::qWaitFor([&] { return Text(1100) == "Okay"; }, 2000));
    EXPECT_TRUE(LightShows(134));
}

TEST_F(DataPageTest, WindowIconChangesOnlyAtATickAndOnlyOnChange) {
    page.StartCountdowns();
    page.OnAuxRecord(kFaultY);
    EXPECT_TRUE(LightShows(133));  // the light turns at once, the window icon waits for the tick
    EXPECT_TRUE(host.windowIcons.empty());
    Ticks(2);
    page.OnAuxRecord(kOkayY);
    Ticks(2);
    using Icon = std::pair<std::uint16_t, std::string>;
    EXPECT_EQ(host.windowIcons, (std::vector<Icon>{{135, "Lamp"}, {128, ""}}));
}

TEST_F(DataPageTest, CountdownsPredictTheNextModeWhenOneRunsOut) {
    page.OnDataRecord("D,N,2,1,2,3,4,5,6");
    page.StartCountdowns();
    Ticks(2);
    EXPECT_EQ(Text(1077), "58");
    EXPECT_EQ(Text(1078), "BLANKING mode for");  // measuring ran out
    EXPECT_EQ(Text(1079), "0");                  // the new count shows from the next tick
    Ticks(60);
    EXPECT_EQ(Text(1078), "BLANKING mode for");  // the mode field still says measuring
    EXPECT_EQ(Text(1077), "0");
    page.OnTimerTick();
    EXPECT_EQ(Text(1079), "59");
    EXPECT_EQ(Text(1077), "0");  // stays at 0 until the next whole D record

    page.OnDataRecord("D,B,1,1,2,3,4,5,6");  // blanking after measuring: zeroing follows
    page.OnTimerTick();
    EXPECT_EQ(Text(1078), "ZEROING mode for");
    page.OnDataRecord("D,Z,1,1,2,3,4,5,6");
    page.OnTimerTick();
    page.OnDataRecord("D,B,1,1,2,3,4,5,6");  // blanking after zeroing: measuring follows
    Ticks(2);
    EXPECT_EQ(Text(1078), "MEASURING mode for");
    EXPECT_EQ(Text(1079), "3179");  // 3600 - 60 - 300 - 60, less one
}

TEST_F(DataPageTest, ManualMeasuringShowsNoModeSeconds) {
    host.snapshot.m_nMode = 0;
    page.OnDataRecord("D,N,120,1,2,3,4,5,6");
    page.OnTimerTick();
    EXPECT_EQ(Text(1079), "");
    host.snapshot.m_strAveragingTime.clear();  // timing never loaded
    page.OnDataRecord("D,B,120,1,2,3,4,5,6");
    EXPECT_EQ(Text(1079), "120");
    EXPECT_EQ(Text(1077), "");
}

TEST_F(DataPageTest, StopKeepsTheCountdownTextsAndClearEmptiesThem) {
    page.OnDataRecord(kWholeD);
    page.StartCountdowns();
    Ticks(3);
    page.StopCountdowns();
    page.OnTimerTick();
    EXPECT_EQ(Text(1077), "57");
    EXPECT_EQ(Text(1079), "97");
    EXPECT_FALSE(page.findChild<QTimer*>("102")->isActive());
    page.OnDataRecord(kWholeD);
    page.ClearCountdowns();  // after a query
    page.OnTimerTick();
    EXPECT_EQ(Text(1077), "");
    EXPECT_EQ(Text(1079), "");
}

TEST_F(DataPageTest, RealTimerTicksDuringARun) {
    page.OnDataRecord(kWholeD);
    page.StartCountdowns();
    EXPECT_TRUE(QTest::qWaitFor([&] { return Text(1077) == "59"; }, 1500));
    EXPECT_TRUE(page.findChild<QTimer*>("102")->isActive());  // started again after the tick
    page.StopCountdowns();
    EXPECT_FALSE(page.findChild<QTimer*>("102")->isActive());
}

}  // namespace
