// The Data page: record fields in their boxes as received, the status light and text, the window
// icon asked at the tick, and the countdowns. How records are split is tested with the records.
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

using enum DataPageId;

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
        return page.findChild<QLabel*>(ControlName(StatusLight))->pixmap().toImage() ==
               IconFor(icon).pixmap(32).toImage();
    }
    void Aux(const char* statusWord) { page.OnAuxRecord(std::string("Y,0,1,2,3,4,5,6,7,") + statusWord); }
    void Ticks(int count) {
        for (int i = 0; i < count; ++i) page.OnTimerTick();
    }
};

TEST_F(DataPageTest, EachRecordFillsItsOwnBoxes) {
    page.OnDataRecord(kWholeD);
    page.OnAuxRecord("Y,0,1013,300,295,45,0,0,0001");
    page.OnZeroRecord("Z,10,11,12,13,14,15,16,17,18,19");
    const std::pair<DataPageId, const char*> shown[] = {
        {ModeLabel, "BLANKING mode for"}, {ModeSeconds, "100"}, {ScatteringBlue, "1.1"},
        {BackscatterRed, "6.6,7.7"},      {NextData, "60"},     {Pressure, "1013"},
        {SampleTemp, "300"},              {InletTemp, "295"},   {Humidity, "45"},
        {ZeroTotalBlue, "10"},            {ZeroRayleighRed, "18,19"}, {LastZeroTime, ""}};  // no T record yet
    for (const auto& [id, text] : shown) EXPECT_EQ(Text(id), text) << ControlName(id).toStdString();

    page.OnPhotonRecord("G,1,2,3,4,5,6,7,8,999,301.5,x");
    EXPECT_EQ(Text(Pressure) + " " + Text(SampleTemp), "999 301.5,x");
    page.OnDataRecord("D,N,");  // stops after the mode
    EXPECT_EQ(Text(ModeLabel) + " " + Text(ModeSeconds), "MEASURING mode for 100");
    page.OnZeroRecord("Z,20,21,22,23,24,25,26,27");  // fields 1 to 7 only
    EXPECT_EQ(Text(ZeroRayleighBlue) + " " + Text(ZeroRayleighGreen), "26 17");
}

TEST_F(DataPageTest, WholeZeroRecordTakesTheLastTimeRecordsTextAndLinesThatAreNoRecordChangeNothing) {
    EXPECT_FALSE(page.HasInstrumentTime());
    page.OnDataRecord(kWholeD);
    page.OnTimeRecord("T,2005,9,20,14,30,7");
    page.OnTimeRecord("T,2005,13,20,14,30,07");  // out of range: ignored whole
    page.OnZeroRecord("Z,1,2,3,4,5,6,7,8,9");
    EXPECT_EQ(Text(LastDataTime), "05-9-20 14:30:7");
    EXPECT_EQ(Text(LastZeroTime), "05-9-20 14:30:7");
    std::tm local{7, 30, 14, 20, 8, 105, 0, 0, -1, 0, nullptr};
    EXPECT_EQ(page.GetInstrumentTime(), std::mktime(&local));

    const QMap<QString, QString> before = AllTexts();
    for (const char* line : {"", "ERROR", "WriteComm", "Y,"}) {
        page.OnTimeRecord(line);
        page.OnDataRecord(line);
        page.OnAuxRecord(line);
        page.OnZeroRecord(line);
        page.OnPhotonRecord(line);
    }
    page.OnPhotonRecord("B,1,2,3,4,5,6,7,8,9");  // eight commas: not a whole photon record
    EXPECT_EQ(AllTexts(), before);
    EXPECT_EQ(page.GetInstrumentTime(), std::mktime(&local));
}

TEST_F(DataPageTest, StatusLightAndTextFollowTheStatusWordAtOnceAndTheWindowIconAtTheTick) {
    const struct {
        const char* word;
        IconId light;
        const char* text;
        const char* kept;  // the last fault list, which Start Data names; nothing without a fault
    } rows[] = {{"000A", IconId::RedDisc, "Valve, Shutter", "Valve, Shutter"},
                {"0001", IconId::RedDisc, "Lamp", "Lamp"},
                {"0200", IconId::GreenDisc, "Okay", "Lamp"},  // no fault bit, but not zero: Start Data still asks
                {"0000", IconId::GreenDisc, "Okay", nullptr}};
    for (const auto& row : rows) {
        Aux(row.word);
        EXPECT_TRUE(LightShows(row.light)) << row.word;
        EXPECT_EQ(Text(StatusText), row.text);
        EXPECT_EQ(page.HasFault(), row.kept != nullptr);
        if (row.kept) {
            EXPECT_EQ(page.GetStatusText(), row.kept);
        }
        page.OnTimerTick();
    }
    using Icon = std::pair<IconId, std::string>;
    EXPECT_EQ(host.windowIcons, (std::vector<Icon>{{IconId::RedLamp, "Valve, Shutter"}, {IconId::Application, ""}}));
}

TEST_F(DataPageTest, StatusLightTooltipShowsTheInstrumentClockAgainstThePcs) {
    const QLabel* light = page.findChild<QLabel*>(ControlName(StatusLight));
    const auto tip = [&] { return light->toolTip().toStdString(); };
    page.ShowClockOffset(12.4);
    EXPECT_EQ(tip(), "Nephelometer Status light\nInstrument clock: 12 s ahead of the PC's");
    page.ShowClockOffset(-3725);
    EXPECT_EQ(tip(), "Nephelometer Status light\nInstrument clock: 1:02:05 behind the PC's");
    page.ShowClockOffset(std::nullopt);  // a new run before its first T record
    EXPECT_EQ(tip(), "Nephelometer Status light");
}

TEST_F(DataPageTest, FirstPaintShowsTheGreenLightAndOkayWithoutAskingForAnotherPaint) {
    EXPECT_EQ(Text(StatusText), "");
    page.show();
    EXPECT_TRUE(QTest::qWaitFor([&] { return Text(StatusText) == "Okay"; }, 2000));
    EXPECT_TRUE(LightShows(IconId::GreenDisc));
    page.paints = 0;
    EXPECT_FALSE(QTest::qWaitFor([&] { return page.paints > 1; }, 200));
}

TEST_F(DataPageTest, CountdownsTickEverySecondUntilStoppedAndPredictTheNextModeWhenOneRunsOut) {
    page.OnDataRecord(kWholeD);
    page.StartCountdowns();
    auto* timer = page.findChild<QTimer*>(QString::number(CCorvaneDataPage::TIMER_DATA_PAGE));
    EXPECT_TRUE(QTest::qWaitFor([&] { return Text(NextData) == "59"; }, 1500));
    EXPECT_TRUE(timer->isActive());  // started again after the tick
    page.StopCountdowns();
    EXPECT_FALSE(timer->isActive());
    EXPECT_EQ(Text(ModeSeconds), "99");  // the texts stay

    page.OnDataRecord("D,N,2,1,2,3,4,5,6");
    page.StartCountdowns();
    Ticks(2);
    EXPECT_EQ(Text(NextData), "58");
    EXPECT_EQ(Text(ModeLabel), "BLANKING mode for");  // measuring ran out
    EXPECT_EQ(Text(ModeSeconds), "0");                // the new count shows from the next tick
    Ticks(61);
    EXPECT_EQ(Text(ModeSeconds), "59");
    EXPECT_EQ(Text(NextData), "0");  // stays at 0 until the next whole D record
}

TEST_F(DataPageTest, HeldLabelsShowTheNewestTextOnceWhileEveryRecordIsHandled) {
    page.StartCountdowns();
    page.HoldLabels();
    page.OnTimeRecord("T,2005,09,20,14,30,07");
    page.OnDataRecord("D,Z,100,0.5,2.2,3.3,4.4,5.5,6.6");
    page.OnDataRecord(kWholeD);
    page.OnZeroRecord("Z,1,2,3,4,5,6,7,8,9");
    EXPECT_TRUE(Text(ScatteringBlue).isEmpty());  // nothing shown before the batch's end
    Aux("0003");  // the status is the page's own state, not a held label
    page.ShowHeldLabels();
    EXPECT_EQ(Text(ScatteringBlue), "1.1");
    EXPECT_EQ(Text(LastZeroTime), "05-09-20 14:30:07");
    EXPECT_EQ(Text(NextData), "60");
    EXPECT_EQ(Text(ModeLabel), "BLANKING mode for");
    EXPECT_TRUE(page.HasFault());
    // Outside a batch each record shows at once.
    page.OnDataRecord("D,B,100,9.9,2.2,3.3,4.4,5.5,6.6");
    EXPECT_EQ(Text(ScatteringBlue), "9.9");
}

}  // namespace
