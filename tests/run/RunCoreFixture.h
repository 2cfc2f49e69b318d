// RunCoreTest, the fixture of the run core's end-to-end tests: a core on Com port 1 of the simulator or
// of a scripted instrument, with a private journal, settings store and device folder, and shared checks.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "EventLoopWait.h"
#include "RunFiles.h"
#include "SerialTestSupport.h"
#include "SimProcess.h"
#include "run/RunCore.h"
#include "serial/LinkLease.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// Waits that span a loss, a return or a restart of the instrument, on a machine that may be busy.
constexpr int kLongWaitMs = 20000;

class RunCoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "corvane-core-XXXXXX").string();
        m_folder = mkdtemp(pattern.data());
        fs::create_directories(m_folder / "devices");
        setenv("XDG_STATE_HOME", (m_folder / "state").c_str(), 1);
        setenv("XDG_CONFIG_HOME", (m_folder / "config").c_str(), 1);
        setenv("CORVANE_DEVICE_DIR", (m_folder / "devices").c_str(), 1);
    }
    void TearDown() override {
        m_core.reset();  // ends any run before the instrument goes
        m_lender.reset();
        m_link.reset();
        m_sim.reset();
        m_instrument.reset();
        fs::remove_all(m_folder);
    }
    // The core on Com port 1 of the simulator started with these options; pcClock stands for the PC's.
    void StartSim(const std::vector<std::string>& options, PcClockSource pcClock = ReadPcClock) {
        m_sim = std::make_unique<SimProcess>(options);
        setenv("CORVANE_DEVICE_DIR", m_sim->DeviceDir().c_str(), 1);
        MakeCore(250, 500, std::move(pcClock));
    }
    // The core on Com port 1 of an instrument that answers the handshake and nothing else, with the
    // program's own time-outs, so that every command of a start waits out its second.
    void StartMute() {
        m_instrument = std::make_unique<FakeInstrument>(Answers());
        fs::create_symlink(m_instrument->DevicePath(), m_folder / "devices" / "COM1");
        MakeCore(1000, 2000);
    }
    void MakeCore(std::uint32_t replyMs, std::uint32_t openMs, PcClockSource pcClock = ReadPcClock) {
        m_link = std::make_unique<CSerialLink>();
        m_link->SetTimeouts(replyMs, openMs);
        m_lender = std::make_unique<CLinkLender>(*m_link);
        m_core = std::make_unique<CRunCore>(*m_lender, std::move(pcClock));
        m_core->SetTimeUnit(100ms);  // the silence limit's 20 s floor is 2 s, the first tries 200 ms apart
    }
    // What --start finds stored: logging to the log folder, daily files named by the rule, the clock
    // kept within keepClockSeconds (0: not kept).
    RunConfig Stored(const fs::path& folder, unsigned keepClockSeconds = 0) const {
        RunConfig config;
        config.port = 1;
        config.logging = true;
        config.logFolder = folder.string() + "/";
        config.setup.records[static_cast<std::size_t>(RecordKind::Data)] = 1;
        config.keepClockSeconds = keepClockSeconds;
        return config;
    }
    bool WaitForState(RunState state, int timeoutMs = kLongWaitMs) {
        return WaitFor([&] { return m_core->State() == state; }, timeoutMs);
    }
    void StopRun() {
        m_core->Stop("the operator");
        ASSERT_TRUE(WaitForState(RunState::Idle));
    }
    // Every line the simulator sent unpolled is in these files together, once and in order.
    void ExpectEveryLineLogged(const std::vector<fs::path>& files) {
        std::vector<std::string> logged;
        for (const fs::path& file : files) std::ranges::copy(FileLines(file), std::back_inserter(logged));
        // The simulator writes its transcript after a line has gone out.
        EXPECT_TRUE(WaitFor([&] { return m_sim->UnpolledRecordLines() == logged; }))
            << logged.size() << " logged, " << m_sim->UnpolledRecordLines().size() << " sent";
    }
    fs::path Logs() const { return m_folder / "logs"; }
    // The log folder's files in name order, which is date order for files named by the rule.
    std::vector<fs::path> LogFiles() const {
        std::vector<fs::path> files(fs::directory_iterator(Logs()), fs::directory_iterator{});
        std::sort(files.begin(), files.end());
        return files;
    }

    fs::path m_folder;
    std::unique_ptr<SimProcess> m_sim;
    std::unique_ptr<FakeInstrument> m_instrument;
    std::unique_ptr<CSerialLink> m_link;
    std::unique_ptr<CLinkLender> m_lender;
    std::unique_ptr<CRunCore> m_core;
};
