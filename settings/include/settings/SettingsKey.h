// CSettingsKey: typed reads and writes of the program's few persistent settings, kept in a
// registry-like tree of keys under the user's configuration folder. Made on the stack for each
// load or save.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

// Value names.
inline constexpr const char* kValueCommPort = "COMM_PORT";
inline constexpr const char* kValueModel = "MODEL";
inline constexpr const char* kValueLogEnable = "LOGENABLE";
inline constexpr const char* kValueLogLength = "LOGLENGTH";
inline constexpr const char* kValueLogPath = "LOGPATH";
// The Com port number of the last run that reached its instrument, for an unattended start.
inline constexpr const char* kValueRunPort = "RUN_PORT";
// Keep the instrument's clock within this many seconds of the PC's; 0 or missing: leave it alone.
inline constexpr const char* kValueKeepClock = "KEEP_CLOCK";
// Where the station's health server listens, "ADDR:PORT" or "off", when not given on the command line.
inline constexpr const char* kValueListen = "LISTEN";
// The application's product key path.
inline constexpr const char* kProductKeyPath = "\\CORVANE";

struct StoredValue;

class CSettingsKey {
public:
    CSettingsKey();
    ~CSettingsKey();
    CSettingsKey(const CSettingsKey&) = delete;
    CSettingsKey& operator=(const CSettingsKey&) = delete;

    bool Open(const std::string& path, bool bReadOnly);
    bool Close();
    bool ReadWord(const char* name, std::uint16_t& out);
    bool ReadDword(const char* name, std::uint32_t& out);
    bool ReadString(const char* name, std::string& out);
    bool WriteWord(const char* name, std::uint16_t value);
    bool WriteDword(const char* name, std::uint32_t value);
    bool WriteString(const char* name, const std::string& value);

    // The folder standing in for HKEY_LOCAL_MACHINE: $XDG_CONFIG_HOME/corvane (default
    // ~/.config/corvane); the program's key is then "SOFTWARE/Brantel Inc./CORVANE" below it. Empty
    // when neither variable gives a folder: then no key opens.
    static std::string RootFolder();
    // The file that holds the values of the key at path (named for the operator).
    static std::string ValuesFilePath(const std::string& path);

private:
    // The data of a value of the open key, as the registry would hand it over.
    std::optional<std::string> QueryValue(const char* name) const;
    bool SetValue(const char* name, const StoredValue& value);

    int m_hKey = -1;  // the open key's folder; valid only while m_bOpen
    bool m_bOpen = false;
    bool m_bReadOnly = false;  // opened for reading: writes are refused
};
