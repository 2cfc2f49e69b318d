// The upload URL, the host-key fingerprint and the private key file, checked.
#include "upload/UploadConfig.h"

#include <curl/curl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

namespace {

constexpr const char* kUrlForm = "sftp://user@host[:port]/path/";
constexpr std::string_view kFingerprintPrefix = "SHA256:";
constexpr std::size_t kDigestCharacters = 43;  // 32 bytes in base64 without padding

// One part of a parsed URL, empty when it has none.
std::string Part(CURLU* url, CURLUPart what, unsigned flags = 0) {
    char* text = nullptr;
    if (curl_url_get(url, what, &text, flags) != CURLUE_OK) return {};
    std::string value(text);
    curl_free(text);
    return value;
}

bool IsBase64(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '+' || c == '/';
}

}  // namespace

std::optional<SftpTarget> ParseSftpUrl(const std::string& url, std::string& problem) {
    // The URL itself is never repeated in a problem: it might hold a password.
    const std::unique_ptr<CURLU, decltype(&curl_url_cleanup)> parts(curl_url(), curl_url_cleanup);
    if (!parts || curl_url_set(parts.get(), CURLUPART_URL, url.c_str(), 0) != CURLUE_OK ||
        Part(parts.get(), CURLUPART_SCHEME) != "sftp") {
        problem = std::string("The upload URL is not of the form ") + kUrlForm + ".";
        return std::nullopt;
    }
    const std::string path = Part(parts.get(), CURLUPART_PATH);
    if (Part(parts.get(), CURLUPART_USER).empty())
        problem = std::string("The upload URL names no account: it must be of the form ") + kUrlForm + ".";
    else if (!Part(parts.get(), CURLUPART_PASSWORD).empty())
        problem = "The upload URL holds a password; the upload logs in with its key only, so leave it out.";
    else if (path.empty() || path.back() != '/')
        problem = "The upload URL must end with the server's folder and a '/'.";
    if (!problem.empty()) return std::nullopt;

    const std::string port = Part(parts.get(), CURLUPART_PORT);
    return SftpTarget{
        url, Part(parts.get(), CURLUPART_PATH, CURLU_URLDECODE),
        "sftp://" + Part(parts.get(), CURLUPART_HOST) + (port.empty() ? "" : ":" + port) + path};
}

std::string FingerprintDigest(const std::string& fingerprint) {
    if (!fingerprint.starts_with(kFingerprintPrefix)) return {};
    std::string digest = fingerprint.substr(kFingerprintPrefix.size());
    if (digest.size() == kDigestCharacters + 1 && digest.back() == '=') digest.pop_back();
    if (digest.size() != kDigestCharacters || !std::all_of(digest.begin(), digest.end(), IsBase64)) return {};
    return digest;
}

std::string PrivateKeyProblem(const std::string& keyFile) {
    if (keyFile.empty()) return "No private key file is set for the upload.";
    struct stat info {};
    if (stat(keyFile.c_str(), &info) != 0)
        return "The private key file " + keyFile + " cannot be used: " + std::strerror(errno) + ".";
    if (!S_ISREG(info.st_mode)) return "The private key file " + keyFile + " is not a file.";
    if ((info.st_mode & 077) != 0) {
        char mode[8];
        std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(info.st_mode & 07777));
        return "The private key file " + keyFile + " is open to other users (mode " + mode +
               "), so it is refused; make it private to its owner: chmod 600 " + keyFile;
    }
    if (access(keyFile.c_str(), R_OK) != 0)
        return "The private key file " + keyFile + " cannot be read: " + std::strerror(errno) + ".";
    return {};
}

std::vector<std::string> SettingProblems(const UploadConfig& config) {
    std::vector<std::string> problems;
    std::string problem;
    if (!ParseSftpUrl(config.url, problem)) problems.push_back(problem);
    if (FingerprintDigest(config.hostKeyFingerprint).empty())
        problems.push_back(
            "The server's host-key fingerprint must be given as `ssh-keygen -l` prints it (SHA256: and 43 "
            "characters); without it the server cannot be told from an impostor.");
    if (config.outboxFolder.empty()) problems.push_back("No outbox folder is set for the upload.");
    return problems;
}

std::vector<std::string> CheckUploadConfig(const UploadConfig& config) {
    std::vector<std::string> problems = SettingProblems(config);
    if (std::string key = PrivateKeyProblem(config.privateKeyFile); !key.empty()) problems.push_back(key);
    return problems;
}
