// One connection to the archive's SFTP folder through libcurl (libssh2): whether a file is there, and
// a file put under a temporary name and renamed once it is complete. The server's host key is pinned
// and only key login is tried. Used by the outbox uploader, one session per round of sending.
#pragma once

#include <curl/curl.h>

#include <filesystem>
#include <functional>
#include <string>

#include "upload/UploadConfig.h"
#include "upload/UploadTiming.h"

enum class SftpStatus { kDone, kAbsent, kFailed, kHostKeyMismatch, kCancelled };

struct SftpOutcome {
    SftpStatus status;
    std::string reason;  // for the journal: what failed, never the account or key material
};

class CSftpSession {
public:
    // cancelled is asked while a request runs; true ends it (the uploader stops).
    CSftpSession(const SftpTarget& target, const UploadConfig& config, const UploadTiming& timing,
                 std::function<bool()> cancelled);
    ~CSftpSession();
    CSftpSession(const CSftpSession&) = delete;
    CSftpSession& operator=(const CSftpSession&) = delete;

    // The name under which a file travels until it is complete.
    static std::string TemporaryName(const std::string& name) { return name + ".part"; }

    // kDone when the server has the file, kAbsent when it has not.
    SftpOutcome Has(const std::string& name);
    // Sends the file to its temporary name, then renames it to name; kDone once the server has it under
    // name. The server refuses the rename when name exists already, so a copy there is never replaced.
    SftpOutcome Put(const std::filesystem::path& file, const std::string& name);

private:
    SftpOutcome Perform(const std::string& remoteName);

    const SftpTarget& m_target;
    std::function<bool()> m_cancelled;
    CURL* m_curl;
    char m_error[CURL_ERROR_SIZE] = {};
};
