// Reading the user's port mapping file.
#include "PortMap.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <fstream>

#include "Trace.h"
#include "base/XdgFolders.h"

namespace {
constexpr std::uint16_t kMaxPort = 16;
// A mapping file is a few lines; anything larger is not one (or is a device someone linked there).
constexpr off_t kMaxFileSize = 64 * 1024;
constexpr const char* kBlanks = " \t\r";

std::string Trimmed(const std::string& text) {
    const std::size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

// "COMn" with n 1-16 written without leading zeros; 0 for anything else.
std::uint16_t PortOfName(const std::string& name) {
    if (name.size() < 4 || name.size() > 5 || name.compare(0, 3, "COM") != 0 || name[3] == '0') return 0;
    unsigned nPort = 0;
    for (std::size_t i = 3; i < name.size(); ++i) {
        if (name[i] < '0' || name[i] > '9') return 0;
        nPort = nPort * 10 + static_cast<unsigned>(name[i] - '0');
    }
    return nPort <= kMaxPort ? static_cast<std::uint16_t>(nPort) : 0;
}
}  // namespace

std::string PortMapPath() {
    const std::optional<std::string> folder = XdgConfigFolder();
    return folder ? *folder + "/ports.conf" : std::string();
}

std::optional<std::string> MappedDevice(std::uint16_t nPort) {
    const std::string path = PortMapPath();
    struct stat info {};
    if (path.empty() || stat(path.c_str(), &info) != 0) {
        if (!path.empty() && errno != ENOENT) TraceComm("%s: %s", path.c_str(), std::strerror(errno));
        return std::nullopt;
    }
    if (!S_ISREG(info.st_mode) || info.st_size > kMaxFileSize) {
        TraceComm("%s ignored: not a mapping file of at most %ld bytes", path.c_str(),
                  static_cast<long>(kMaxFileSize));
        return std::nullopt;
    }
    std::ifstream file(path);
    if (!file) {
        TraceComm("%s: cannot be read", path.c_str());
        return std::nullopt;
    }
    std::optional<std::string> device;
    int nLine = 0;
    for (std::string line; std::getline(file, line);) {
        ++nLine;
        const std::string text = Trimmed(line);
        if (text.empty() || text.front() == '#') continue;
        const std::size_t equals = text.find('=');
        const std::uint16_t nMapped =
            equals == std::string::npos ? 0 : PortOfName(Trimmed(text.substr(0, equals)));
        const std::string target =
            equals == std::string::npos ? std::string() : Trimmed(text.substr(equals + 1));
        if (nMapped == 0 || target.empty() || target.front() != '/') {
            TraceComm("%s line %d ignored (not COMn=/absolute/path with n 1-16): %s", path.c_str(), nLine,
                      text.c_str());
            continue;
        }
        if (nMapped == nPort) device = target;  // a later line for the same port replaces an earlier one
    }
    return device;
}
