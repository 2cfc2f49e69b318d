// Prometheus started as a process, and its alerts read from its HTTP API.
#include "PrometheusServer.h"

#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>

#include "StationUnderTest.h"

int FreeLoopbackPort() {
    const int socket = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    bind(socket, reinterpret_cast<sockaddr*>(&address), size);
    getsockname(socket, reinterpret_cast<sockaddr*>(&address), &size);
    close(socket);
    return ntohs(address.sin_port);
}

CPrometheusServer::CPrometheusServer(int targetPort, const std::vector<std::filesystem::path>& ruleFiles)
    : m_port(FreeLoopbackPort()) {
    const std::filesystem::path config = m_folder.Path() / "prometheus.yml";
    {
        std::ofstream out(config);
        out << "global:\n  scrape_interval: 1s\n  evaluation_interval: 1s\nrule_files:\n";
        for (const std::filesystem::path& file : ruleFiles) out << "  - " << file.string() << "\n";
        out << "scrape_configs:\n  - job_name: corvane\n    static_configs:\n      - targets: ['127.0.0.1:"
            << targetPort << "']\n";
    }
    const std::string configOption = "--config.file=" + config.string();
    const std::string storage = "--storage.tsdb.path=" + (m_folder.Path() / "data").string();
    const std::string listen = "--web.listen-address=127.0.0.1:" + std::to_string(m_port);
    const std::string log = (m_folder.Path() / "log").string();
    m_pid = fork();
    if (m_pid == 0) {
        const int out = open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        dup2(out, STDOUT_FILENO);
        dup2(out, STDERR_FILENO);
        execlp("prometheus", "prometheus", configOption.c_str(), storage.c_str(), listen.c_str(),
               static_cast<char*>(nullptr));
        _exit(127);
    }
}

CPrometheusServer::~CPrometheusServer() {
    kill(m_pid, SIGTERM);
    waitpid(m_pid, nullptr, 0);
}

std::optional<std::string> CPrometheusServer::AlertState(const std::string& alert) const {
    const std::optional<std::string> body = HttpGet(m_port, "/api/v1/alerts");
    if (!body) return std::nullopt;
    // Each alert's labels come before its state in the answer.
    const std::size_t labels = body->find("\"alertname\":\"" + alert + "\"");
    const std::string key = "\"state\":\"";
    const std::size_t state = body->find(key, labels);
    if (labels == std::string::npos || state == std::string::npos) return std::nullopt;
    const std::size_t begin = state + key.size();
    return body->substr(begin, body->find('"', begin) - begin);
}

std::string CPrometheusServer::Log() const {
    return ReadText(m_folder.Path() / "log");
}
