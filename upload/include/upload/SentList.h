// The list of archive files the server has taken, one name a line, kept in the state folder so that
// a restarted program neither sends a file again nor writes its hour again. The uploader records in
// it; the hourly writer asks it. Thread-safe.
#pragma once

#include <filesystem>
#include <mutex>
#include <set>
#include <string>
#include <string_view>

class CSentList {
public:
    // $XDG_STATE_HOME/corvane/upload-sent.list (default ~/.local/state/corvane/), beside the journal.
    static std::filesystem::path DefaultPath();

    // Reads the list. One that exists but cannot be read is journaled and starts empty: the server is
    // then asked about each file before it is sent again.
    explicit CSentList(std::filesystem::path file);

    // Whether a file of this hour (its key: station code and start time, see ArchiveFiles.h) was sent.
    bool WasHourSent(std::string_view hourKey) const;
    // Whether this very file was sent.
    bool Contains(std::string_view fileName) const;
    // Appends the name and makes it durable before returning; false with the reason when it cannot.
    bool Record(std::string_view fileName, std::string& error);

private:
    void Add(std::string_view fileName);

    mutable std::mutex m_lock;  // guards what follows
    std::filesystem::path m_file;
    std::set<std::string, std::less<>> m_names, m_hours;
    bool m_bEndsMidLine = false;  // the last write was cut (a crash): the next starts a new line
};
