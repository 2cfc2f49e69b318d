// The sent-list: read once, appended and synced for every file the server takes.
#include "upload/SentList.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

#include "base/FileDescriptor.h"
#include "station/EventJournal.h"
#include "upload/ArchiveFiles.h"

std::filesystem::path CSentList::DefaultPath() {
    return std::filesystem::path(JournalPath()).parent_path() / "upload-sent.list";
}

CSentList::CSentList(std::filesystem::path file) : m_file(std::move(file)) {
    std::ifstream in(m_file, std::ios::binary);
    if (!in) {
        std::error_code code;
        if (std::filesystem::exists(m_file, code))
            JournalEvent("upload-sent-list-error",
                         "The list of sent files " + m_file.string() +
                             " cannot be read; the server is asked before each file.");
        return;
    }
    std::ostringstream text;
    text << in.rdbuf();
    std::istringstream lines(text.str());
    // A last line without its line break was cut by a crash and is left out: the name may be partial.
    for (std::string line; std::getline(lines, line);)
        if (!lines.eof() && !line.empty()) Add(line);
    m_bEndsMidLine = !text.str().empty() && text.str().back() != '\n';
}

bool CSentList::WasHourSent(std::string_view hourKey) const {
    const std::lock_guard held(m_lock);
    return m_hours.contains(hourKey);
}

bool CSentList::Contains(std::string_view fileName) const {
    const std::lock_guard held(m_lock);
    return m_names.contains(fileName);
}

bool CSentList::Record(std::string_view fileName, std::string& error) {
    const std::lock_guard held(m_lock);
    std::error_code code;
    std::filesystem::create_directories(m_file.parent_path(), code);
    const bool created = !std::filesystem::exists(m_file, code);
    FileDescriptor file(open(m_file.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644));
    const std::string line = (m_bEndsMidLine ? "\n" : "") + std::string(fileName) + '\n';
    bool written = file.IsOpen() && WriteAll(file.Get(), line) && fdatasync(file.Get()) == 0 && file.Close();
    if (written && created) {
        // A new file's name must be durable too.
        FileDescriptor folder(open(m_file.parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        written = folder.IsOpen() && fsync(folder.Get()) == 0;
    }
    if (!written) {
        m_bEndsMidLine = true;  // part of the line may have been written
        error =
            "The list of sent files " + m_file.string() + " cannot be written: " + std::strerror(errno) + ".";
        return false;
    }
    m_bEndsMidLine = false;
    Add(fileName);
    return true;
}

void CSentList::Add(std::string_view fileName) {
    m_names.emplace(fileName);
    if (const auto archive = ReadArchiveFileName(fileName)) m_hours.insert(archive->hourKey);
}
