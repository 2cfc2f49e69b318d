// The stored values of an unattended run.
#include "run/StoredRun.h"

#include <filesystem>

#include "serial/SerialLink.h"
#include "settings/SettingsKey.h"

bool RememberRunPort(std::uint16_t port) {
    CSettingsKey key;
    return key.Open(kProductKeyPath, false) && key.WriteWord(kValueRunPort, port);
}

bool StoreDailyLogLength() {
    CSettingsKey key;
    return key.Open(kProductKeyPath, false) && key.WriteWord(kValueLogLength, CDataLog::kDaily);
}

namespace {

// The port list's stored index cannot say which port to wait for: the list holds only the ports that
// open, so it shrinks while the instrument is away. It is the fallback when no port has answered yet.
std::uint16_t StoredListPort(CSettingsKey& key) {
    std::uint16_t stored = 0;
    key.ReadWord(kValueCommPort, stored);
    const int index = static_cast<std::int16_t>(stored);  // 65535 (-1): none was chosen
    if (index < 0) return 0;
    const std::vector<std::uint16_t> ports = CSerialLink::OpenablePorts();
    if (ports.empty()) return 0;
    return ports[static_cast<std::size_t>(index) < ports.size() ? static_cast<std::size_t>(index) : 0];
}

}  // namespace

std::optional<RunConfig> StoredRunConfig() {
    CSettingsKey key;
    key.Open(kProductKeyPath, true);
    RunConfig config;
    key.ReadWord(kValueRunPort, config.port);
    if (config.port == 0) config.port = StoredListPort(key);
    if (config.port == 0) return std::nullopt;

    std::uint32_t logEnable = 0;
    key.ReadDword(kValueLogEnable, logEnable);
    config.logging = logEnable != 0;
    key.ReadWord(kValueLogLength, config.logLength);
    key.ReadWord(kValueModel, config.model);
    std::uint32_t keepClock = 0;
    key.ReadDword(kValueKeepClock, keepClock);
    config.keepClockSeconds = keepClock;
    std::string folder;
    if (!key.ReadString(kValueLogPath, folder) || folder.empty()) {
        // The working folder's name as the file system spells it, whatever its encoding.
        std::error_code error;
        folder = std::filesystem::current_path(error).native();
    }
    CDataLog log;
    log.SetLogFolder(folder);
    config.logFolder = log.m_strLogPath;
    return config;
}
