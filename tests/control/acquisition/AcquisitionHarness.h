// The end-to-end fixture of the acquisition tests: the real main window offscreen with the real
// serial link, the simulator on a pseudo-terminal, a private settings store and log folder, and
// scripted answers to every box and the file dialog.
#pragma once

#include <gtest/gtest.h>

#include <QPushButton>
#include <QTest>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "EventLoopWait.h"
#include "FakeOperatorDialogs.h"
#include "SimProcess.h"
#include "control/CorvanePropertySheet.h"
#include "serial/SerialLink.h"

// Setup page controls by template id.
inline constexpr int kTimeBox = 1018, kApplyButton = 1079, kSetClockButton = 1101;

// FakeOperatorDialogs that also lets a test look at the program's state while a box is open.
class ObservingDialogs : public FakeOperatorDialogs {
public:
    std::function<void(const QString& text)> onMessage;

    Answer MessageBox(QWidget* parent, const QString& text, Buttons buttons) override {
        if (onMessage) onMessage(text);
        return FakeOperatorDialogs::MessageBox(parent, text, buttons);
    }
};

class AcquisitionTest : public ::testing::Test {
protected:
    // Reply and open time-outs of the link: the simulator answers at once, so only the waits that
    // run out (a silent instrument, "UE" during a run) cost them.
    static constexpr std::uint32_t kReplyMs = 250;
    static constexpr std::uint32_t kOpenMs = 500;

    void SetUp() override;
    void TearDown() override;

    // Starts the simulator with these options (a transcript is always kept) and the window on it.
    void Start(const std::vector<std::string>& simOptions = {});
    // Logging on, daily or weekly, to the log folder, as if saved by an earlier session.
    void StoreLogging(std::uint16_t length);

    CCorvanePropertySheet& Sheet() { return *m_sheet; }
    QPushButton* Button(int id) const { return m_sheet->findChild<QPushButton*>(QString::number(id)); }
    void Click(int id) { QTest::mouseClick(Button(id), Qt::LeftButton); }
    template <typename T = QWidget>
    T* Control(QWidget* page, int id) const {
        return page->findChild<T*>(QString::number(id));
    }
    void ClickSetup(int id);  // a Setup page control

    // Every command the simulator received, in order; each opening of the port begins with the
    // handshake "UE", "UE".
    std::vector<std::string> Commands() const { return m_sim->ReceivedCommands(); }
    std::vector<std::string> CommandsSince(std::size_t count) const;
    // The record lines the simulator sent unasked during the (last) run: after "UB", before "UE".
    std::vector<std::string> RunLines() const;
    // A log file's lines without their CR LF; an unterminated last line is marked.
    static std::vector<std::string> FileLines(const std::filesystem::path& path);
    std::filesystem::path LogFolder() const { return m_folder / "logs"; }
    // A stored value as the program left it; nothing when missing.
    static std::optional<std::uint32_t> StoredNumber(const char* name);
    static std::optional<std::string> StoredText(const char* name);

    std::filesystem::path m_folder;  // settings store and log files, removed after the test
    std::unique_ptr<SimProcess> m_sim;
    std::unique_ptr<CSerialLink> m_link;
    ObservingDialogs m_dialogs;
    std::unique_ptr<CCorvanePropertySheet> m_sheet;
    QStringList m_titles;  // every caption shown, in order
};
