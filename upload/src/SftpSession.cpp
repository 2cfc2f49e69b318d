// SFTP requests through one libcurl handle, which keeps its connection between requests.
#include "upload/SftpSession.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

namespace {

int Progress(void* cancelled, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    return (*static_cast<const std::function<bool()>*>(cancelled))() ? 1 : 0;
}

std::size_t Discard(char*, std::size_t size, std::size_t count, void*) {
    return size * count;
}

// A path for libcurl's SFTP commands: in quotes, its quotes and backslashes escaped.
std::string Quoted(const std::string& path) {
    std::string quoted = "\"";
    for (const char c : path) {
        if (c == '"' || c == '\\') quoted += '\\';
        quoted += c;
    }
    return quoted + '"';
}

}  // namespace

CSftpSession::CSftpSession(const SftpTarget& target, const UploadConfig& config, const UploadTiming& timing,
                           std::function<bool()> cancelled)
    : m_target(target), m_cancelled(std::move(cancelled)), m_curl(curl_easy_init()) {
    if (m_curl == nullptr) return;
    curl_easy_setopt(m_curl, CURLOPT_PROTOCOLS_STR, "sftp");
    // Key login only: no password, no agent, no keyboard questions.
    curl_easy_setopt(m_curl, CURLOPT_SSH_AUTH_TYPES, static_cast<long>(CURLSSH_AUTH_PUBLICKEY));
    curl_easy_setopt(m_curl, CURLOPT_SSH_PRIVATE_KEYFILE, config.privateKeyFile.c_str());
    // The public half is derived from the private key.
    curl_easy_setopt(m_curl, CURLOPT_SSH_PUBLIC_KEYFILE, "");
    // Checked before any credential is offered; known_hosts files are not consulted.
    curl_easy_setopt(m_curl, CURLOPT_SSH_HOST_PUBLIC_KEY_SHA256,
                     FingerprintDigest(config.hostKeyFingerprint).c_str());
    curl_easy_setopt(m_curl, CURLOPT_CONNECTTIMEOUT, static_cast<long>(timing.connectLimit.count()));
    curl_easy_setopt(m_curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(m_curl, CURLOPT_LOW_SPEED_TIME, static_cast<long>(timing.stallLimit.count()));
    curl_easy_setopt(m_curl, CURLOPT_TIMEOUT, static_cast<long>(timing.requestLimit.count()));
    curl_easy_setopt(m_curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(m_curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(m_curl, CURLOPT_XFERINFOFUNCTION, Progress);
    curl_easy_setopt(m_curl, CURLOPT_XFERINFODATA, &m_cancelled);
    curl_easy_setopt(m_curl, CURLOPT_WRITEFUNCTION, Discard);
    curl_easy_setopt(m_curl, CURLOPT_ERRORBUFFER, m_error);
}

CSftpSession::~CSftpSession() {
    curl_easy_cleanup(m_curl);
}

SftpOutcome CSftpSession::Has(const std::string& name) {
    if (m_curl != nullptr) curl_easy_setopt(m_curl, CURLOPT_NOBODY, 1L);
    return Perform(name);
}

SftpOutcome CSftpSession::Put(const std::filesystem::path& file, const std::string& name) {
    const std::unique_ptr<FILE, decltype(&std::fclose)> in(std::fopen(file.c_str(), "rb"), std::fclose);
    std::error_code code;
    const auto size = std::filesystem::file_size(file, code);
    if (!in || code)
        return {SftpStatus::kFailed,
                "The file " + file.string() + " cannot be read: " + std::strerror(errno) + "."};
    if (m_curl == nullptr) return Perform(name);

    const std::string temporary = TemporaryName(name);
    const std::string rename =
        "rename " + Quoted(m_target.folder + temporary) + ' ' + Quoted(m_target.folder + name);
    const std::unique_ptr<curl_slist, decltype(&curl_slist_free_all)> afterTransfer(
        curl_slist_append(nullptr, rename.c_str()), curl_slist_free_all);
    curl_easy_setopt(m_curl, CURLOPT_NOBODY, 0L);
    curl_easy_setopt(m_curl, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(m_curl, CURLOPT_READDATA, in.get());
    curl_easy_setopt(m_curl, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(size));
    curl_easy_setopt(m_curl, CURLOPT_POSTQUOTE, afterTransfer.get());
    SftpOutcome outcome = Perform(temporary);
    curl_easy_setopt(m_curl, CURLOPT_POSTQUOTE, nullptr);
    curl_easy_setopt(m_curl, CURLOPT_READDATA, nullptr);
    curl_easy_setopt(m_curl, CURLOPT_UPLOAD, 0L);
    if (outcome.status == SftpStatus::kAbsent) outcome.status = SftpStatus::kFailed;  // the folder is missing
    return outcome;
}

SftpOutcome CSftpSession::Perform(const std::string& remoteName) {
    if (m_curl == nullptr) return {SftpStatus::kFailed, "libcurl could not be started."};
    char* escaped = curl_easy_escape(m_curl, remoteName.c_str(), static_cast<int>(remoteName.size()));
    curl_easy_setopt(m_curl, CURLOPT_URL, (m_target.url + (escaped != nullptr ? escaped : "")).c_str());
    curl_free(escaped);
    m_error[0] = '\0';
    const CURLcode code = curl_easy_perform(m_curl);
    const std::string reason = m_error[0] != '\0' ? m_error : curl_easy_strerror(code);
    switch (code) {
        case CURLE_OK:
            return {SftpStatus::kDone, {}};
        case CURLE_REMOTE_FILE_NOT_FOUND:
            return {SftpStatus::kAbsent, reason};
        case CURLE_PEER_FAILED_VERIFICATION:
            return {SftpStatus::kHostKeyMismatch,
                    "the server's host key is not the configured one (" + reason + ")"};
        case CURLE_ABORTED_BY_CALLBACK:
            return {SftpStatus::kCancelled, reason};
        default:
            return {SftpStatus::kFailed, reason};
    }
}
