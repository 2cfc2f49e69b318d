// A real sshd for the upload tests and the archive's station tests, on a free localhost port with its
// own host key, authorised key, folder and log; no system file is touched. It runs as the test's user,
// or under root as the system account daemon (sshd as root needs a system folder, and nobody counts as
// a locked account).
#pragma once

#include <arpa/inet.h>
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <thread>

#include "TestFiles.h"

class CTestSshServer {
public:
    // The server's disk: room enough; its SFTP process killed on writing past kLimitBytes (a transfer
    // cut in the middle); writes past kLimitBytes refused, as on a full disk.
    enum class Disk { kRoom, kCutAtLimit, kFullAtLimit };
    static constexpr std::size_t kLimitBytes = 64 * 1024;

    // Makes the folder and the keys; the server is not started.
    CTestSshServer() {
        close(BoundSocket(m_port));  // free for sshd, which binds it again at each start
        std::filesystem::create_directories(RemoteFolder());
        std::filesystem::create_directories(ClientKey().parent_path());
        const std::string server = (m_folder / "server").string();
        Output("ssh-keygen -q -t ed25519 -N '' -f " + server +
               "/host_key && ssh-keygen -q -t ed25519 -N '' -f " + ClientKey().string() + " && mv " +
               ClientKey().string() + ".pub " + server + "/authorized_keys");
        // The client keeps only its private key: the uploader derives the public half.
        m_hostFingerprint = Output("ssh-keygen -l -f " + server + "/host_key.pub | cut -d' ' -f2");
        m_otherFingerprint = Output("ssh-keygen -l -f " + server + "/authorized_keys | cut -d' ' -f2");

        const bool root = geteuid() == 0;
        const passwd* account = root ? getpwnam("daemon") : getpwuid(geteuid());
        if (account == nullptr) throw std::runtime_error("no account to run sshd as");
        m_user = account->pw_name;
        m_uid = account->pw_uid, m_gid = account->pw_gid;
        std::ofstream(server + "/sshd_config")
            << "ListenAddress 127.0.0.1\nPort " << m_port << "\nHostKey " << server << "/host_key\n"
            << "AuthorizedKeysFile " << server << "/authorized_keys\nAllowUsers " << m_user << "\n"
            << "PidFile none\nStrictModes no\nUsePAM no\nPasswordAuthentication no\n"
               "KbdInteractiveAuthentication no\nSubsystem sftp internal-sftp\nLogLevel INFO\n";
        if (root) Output("chmod o+x " + m_folder.string() + " && chown -R daemon: " + server);
    }
    ~CTestSshServer() { Stop(); }

    // False when it does not listen within 10 s (see Log()).
    bool Start(Disk disk = Disk::kRoom) {
        Stop();
        const std::string config = (m_folder / "server" / "sshd_config").string();
        const std::string log = (m_folder / "server.log").string();
        m_pid = fork();
        if (m_pid == 0) {
            const rlimit limit{kLimitBytes, kLimitBytes};
            if (disk != Disk::kRoom) setrlimit(RLIMIT_FSIZE, &limit);
            signal(SIGXFSZ, disk == Disk::kFullAtLimit ? SIG_IGN : SIG_DFL);
            const int out = open(log.c_str(), O_WRONLY | O_APPEND | O_CREAT, 0644);
            dup2(out, STDOUT_FILENO);
            dup2(out, STDERR_FILENO);
            if (geteuid() == 0 && (setgroups(0, nullptr) != 0 || setgid(m_gid) != 0 || setuid(m_uid) != 0))
                _exit(126);
            execl("/usr/sbin/sshd", "/usr/sbin/sshd", "-D", "-e", "-f", config.c_str(),
                  static_cast<char*>(nullptr));
            _exit(127);
        }
        for (int i = 0; i < 500; ++i, std::this_thread::sleep_for(std::chrono::milliseconds(20))) {
            const int probe = socket(AF_INET, SOCK_STREAM, 0);
            const sockaddr_in address = Loopback(m_port);
            const bool listening =
                connect(probe, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
            close(probe);
            if (listening) return true;
            if (waitpid(m_pid, nullptr, WNOHANG) == m_pid) {
                m_pid = -1;
                return false;
            }
        }
        Stop();
        return false;
    }
    // The listener ends; sessions under way end when their client closes.
    void Stop() {
        if (m_pid <= 0) return;
        kill(m_pid, SIGTERM);
        waitpid(m_pid, nullptr, 0);
        m_pid = -1;
    }

    std::string Url() const {
        return "sftp://" + m_user + "@127.0.0.1:" + std::to_string(m_port) + RemoteFolder().string() + "/";
    }
    std::filesystem::path RemoteFolder() const { return m_folder / "server" / "remote"; }
    std::filesystem::path ClientKey() const { return m_folder / "client" / "key"; }
    std::string Fingerprint() const { return m_hostFingerprint; }        // as `ssh-keygen -l` prints it
    std::string OtherFingerprint() const { return m_otherFingerprint; }  // a key the server does not have
    std::string Log() const { return ReadText(m_folder / "server.log"); }

    static sockaddr_in Loopback(int port) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(static_cast<std::uint16_t>(port));
        return address;
    }
    // A socket bound to a free loopback port, and the port.
    static int BoundSocket(int& port) {
        const int bound = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address = Loopback(0);
        socklen_t size = sizeof address;
        bind(bound, reinterpret_cast<sockaddr*>(&address), size);
        getsockname(bound, reinterpret_cast<sockaddr*>(&address), &size);
        port = ntohs(address.sin_port);
        return bound;
    }

private:
    // The standard output of a shell command without its last line break; throws when it fails.
    static std::string Output(const std::string& command) {
        FILE* pipe = popen(command.c_str(), "r");
        std::string text;
        for (char buffer[256]; pipe != nullptr && std::fgets(buffer, sizeof buffer, pipe) != nullptr;)
            text += buffer;
        if (pipe == nullptr || pclose(pipe) != 0) throw std::runtime_error("failed: " + command);
        if (!text.empty() && text.back() == '\n') text.pop_back();
        return text;
    }

    const TempFolder m_home;
    const std::filesystem::path m_folder = m_home.Path();
    std::string m_user;
    uid_t m_uid = 0;
    gid_t m_gid = 0;
    int m_port = 0;
    pid_t m_pid = -1;
    std::string m_hostFingerprint, m_otherFingerprint;
};
