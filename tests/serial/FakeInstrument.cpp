// The instrument's thread: reads commands off the master end and answers them.
#include "FakeInstrument.h"

#include <algorithm>

FakeInstrument::FakeInstrument(Responder responder)
    : m_responder(std::move(responder)), m_thread(&FakeInstrument::Run, this) {}

FakeInstrument::~FakeInstrument() {
    Hangup();
}

void FakeInstrument::Hangup() {
    m_bStop = true;
    if (m_thread.joinable()) m_thread.join();
    Close();
}

std::vector<FakeInstrument::Command> FakeInstrument::Commands() const {
    std::lock_guard lock(m_mutex);
    return m_commands;
}

void FakeInstrument::Run() {
    while (!m_bStop) {
        // A short wait keeps the end of the thread prompt.
        std::optional<std::string> text = ReadLine(std::chrono::milliseconds(10), "\r\n");
        if (!text) continue;
        // XON/XOFF sent by the slave end's input flow control are no part of any command.
        std::erase_if(*text, [](char c) { return c == 0x11 || c == 0x13; });
        const termios tio = LineSettings();
        const Command command{*text, cfgetospeed(&tio)};
        {
            std::lock_guard lock(m_mutex);
            m_commands.push_back(command);
        }
        Send(m_responder(command.text, command.speed));
    }
}
