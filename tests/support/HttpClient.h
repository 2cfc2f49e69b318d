// A blocking HTTP/1.1 client over a raw socket for the tests of the health server, the real program,
// Prometheus and Alertmanager: it sends exactly the bytes given, so that a test can send what no library
// would.
#pragma once

#include <map>
#include <string>

struct HttpAnswer {
    int status = 0;                              // 0 when no answer came
    std::map<std::string, std::string> headers;  // names in lower case
    std::string body;
};

// Sends request to 127.0.0.1:port and reads one answer: its headers and Content-Length bytes, or
// everything up to the close for HEAD and for an answer without a length (a chunked body is joined).
HttpAnswer Exchange(unsigned port, const std::string& request);
// GET path with "Connection: close".
HttpAnswer Get(unsigned port, const std::string& path);

// A connection held open by a test; closed with the object.
class TestConnection {
public:
    explicit TestConnection(unsigned port);
    ~TestConnection();
    TestConnection(const TestConnection&) = delete;
    TestConnection& operator=(const TestConnection&) = delete;
    bool Send(const std::string& bytes);
    // True once the server has closed the connection; waits at most timeoutMs for it.
    bool ClosedByServer(int timeoutMs);

private:
    int m_fd;
};
