// FileDescriptor: a POSIX file descriptor closed on every return path, and WriteAll, the write loop
// that survives short writes and signals. Used by the settings store and the data log files.
#pragma once

#include <cstddef>
#include <string_view>

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    // Closes a descriptor still open, keeping errno as the failing call before it left it.
    ~FileDescriptor();
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int Get() const { return m_fd; }
    bool IsOpen() const { return m_fd >= 0; }
    // Closes now. False when close() fails: some file systems report a failed write only there.
    bool Close();
    // Hands the descriptor over to the caller, who closes it.
    int Release();

private:
    int m_fd;
};

// Writes all of data, going on after short writes and EINTR. False on the first other failure
// (errno tells why); part of data may then have been written.
bool WriteAll(int fd, std::string_view data);
