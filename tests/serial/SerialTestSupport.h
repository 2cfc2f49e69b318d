// Shared pieces of the link tests: an instrument played on a pseudo-terminal's master end, a fixture that
// maps Com ports to devices through a private device folder, and an owner that records notifications.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "PseudoTerminal.h"
#include "serial/SerialLink.h"

// Reply and open time-outs used by the tests (the program's are 1000 and 2000 ms).
inline constexpr std::uint32_t kTestReplyMs = 100;
inline constexpr std::uint32_t kTestOpenMs = 200;

// A thread answers each CR LF terminated command through a responder and records it with the line speed.
class FakeInstrument : public PseudoTerminal {
public:
    using Responder = std::function<std::string(const std::string& command, speed_t speed)>;
    struct Command {
        std::string text;
        speed_t speed;
    };
    explicit FakeInstrument(Responder responder);
    ~FakeInstrument() { Hangup(); }
    // Sends the bytes and waits up to the time-out until the link has handed over every line in them:
    // the link reads on only after handing over the lines of its last read, so once a NUL sent after
    // them (a byte the link drops) has been read, they have been handed over.
    bool SendHandedOver(std::string_view bytes, std::chrono::milliseconds timeout = std::chrono::seconds(2));
    // Closes the master end: to the link the device has gone.
    void Hangup();
    std::vector<Command> Commands() const;

private:
    Responder m_responder;
    std::atomic<bool> m_bStop{false};
    mutable std::mutex m_mutex;
    std::vector<Command> m_commands;
    std::thread m_thread;  // last: it starts once everything above is there
};

// An instrument that answers "UE" with "OK", each given command with its reply bytes, nothing else.
FakeInstrument::Responder Answers(std::map<std::string, std::string> replies = {});

class SerialPortFixture : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // Makes Com port n name target (a device, or any other file).
    void MapPort(std::uint16_t nPort, const std::string& target);
    // Maps port n to the instrument, shortens the link's time-outs and opens the port at nBaud (0: the
    // rate search).
    std::int16_t OpenOn(CSerialLink& link, const FakeInstrument& instrument, std::uint16_t nPort = 1,
                        std::uint16_t nBaud = 9600);
    // Whether another program without root privileges (run as "nobody" when the tests run as root) can
    // open the instrument's device, which the exclusive mode of a terminal prevents.
    bool OtherProgramCanOpen(const FakeInstrument& instrument);
    std::string m_strDir;
};

// Records the link's notifications.
class RecordingOwner : public ISerialLinkOwner {
public:
    void OnLinkEvent(std::uint16_t event) override;
    // The parameters once at least n notifications have come, or all so far at the time-out.
    std::vector<std::uint16_t> WaitForEvents(std::size_t n,
                                             std::chrono::milliseconds timeout = std::chrono::seconds(5));

private:
    std::mutex m_mutex;
    std::condition_variable m_cv;
    std::vector<std::uint16_t> m_parameters;
};

// A command's reply and the milliseconds the exchange took.
struct TimedReply {
    std::string text;
    std::uint32_t nMs;
};
TimedReply SendTimed(CSerialLink& link, const std::string& command);
