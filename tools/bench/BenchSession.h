// BenchSession: the real main window offscreen with the real serial link on the simulator, a
// private settings store and log folder, and an answerer for every box and the file dialog.
#pragma once

#include <QStringList>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "SimProcess.h"
#include "control/CorvanePropertySheet.h"
#include "control/OperatorDialogs.h"
#include "run/RunCore.h"
#include "serial/LinkLease.h"
#include "serial/SerialLink.h"
#include "services/StationServices.h"

// Answers every box with its first button and the file dialog with a fixed path.
class BenchDialogs : public IOperatorDialogs {
public:
    QString logFile;
    QStringList messages;

    Answer MessageBox(QWidget*, const QString& text, Buttons buttons) override;
    QString ChooseLogFile(QWidget*, const QString&, const QString&) override { return logFile; }
};

class BenchSession {
public:
    // Starts the simulator with these options and the window on it, logging to fileName.
    BenchSession(const std::vector<std::string>& simOptions, const std::string& fileName);
    ~BenchSession();

    // Starts the station's services around the run as the program does: the health server, here on
    // a free loopback port, which it gives (no archive export: no station description file).
    std::uint16_t StartStationServices();
    void StartData();
    void StopData();
    bool IsRunning() const { return m_sheet->IsRunning(); }
    CCorvanePropertySheet& Sheet() { return *m_sheet; }

    std::filesystem::path LogFolder() const { return m_folder / "logs"; }
    std::filesystem::path LogPath() const { return LogFolder() / m_strFileName; }
    SimProcess& Sim() { return *m_sim; }
    const BenchDialogs& Dialogs() const { return m_dialogs; }
    // The record lines the simulator sent after "UB" (with their transcript stamps in seconds).
    std::vector<std::pair<double, std::string>> RunLines() const;
    // The log file's lines, without their CR LF.
    std::vector<std::string> LogLines() const;

private:
    std::filesystem::path m_folder;
    std::string m_strFileName;
    std::unique_ptr<SimProcess> m_sim;
    std::unique_ptr<CSerialLink> m_link;
    std::unique_ptr<CLinkLender> m_lender;
    std::unique_ptr<CRunCore> m_core;
    std::unique_ptr<CStationServices> m_services;
    BenchDialogs m_dialogs;
    std::unique_ptr<CCorvanePropertySheet> m_sheet;
};
