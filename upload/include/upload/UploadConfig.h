// The settings of the SFTP upload of the archive's hourly files, as the program fills them from the
// station description file, and the checks that tell the operator what keeps the upload from working.
// Plain C++; used by the outbox uploader and by the program at start.
#pragma once

#include <optional>
#include <string>
#include <vector>

struct UploadConfig {
    std::string url;                 // sftp://user@host[:port]/path/ (the server's folder)
    std::string privateKeyFile;      // key login only; the file must be private to its owner
    std::string hostKeyFingerprint;  // the server's host key as `ssh-keygen -l` prints it: "SHA256:..."
    std::string outboxFolder;        // where the hourly files wait to be sent
};

// The parts of the upload URL the uploader works with.
struct SftpTarget {
    std::string url;     // as configured, for libcurl
    std::string folder;  // the server's folder, decoded, ending in '/' (for the rename command)
    std::string shown;   // "sftp://host:port/path/": the URL without the account, for messages
};

// The URL's parts, or nothing with the reason in problem.
std::optional<SftpTarget> ParseSftpUrl(const std::string& url, std::string& problem);

// The base64 part of "SHA256:<43 base64 characters>", which libcurl compares with the server's key;
// empty when the text is not such a fingerprint.
std::string FingerprintDigest(const std::string& fingerprint);

// Why the private key file cannot be used (missing, not a file, readable by others), or empty.
std::string PrivateKeyProblem(const std::string& keyFile);

// What keeps the upload from starting at all (URL, fingerprint, outbox), one sentence each.
std::vector<std::string> SettingProblems(const UploadConfig& config);

// Everything the operator must mend: the setting problems and the key file's.
std::vector<std::string> CheckUploadConfig(const UploadConfig& config);
