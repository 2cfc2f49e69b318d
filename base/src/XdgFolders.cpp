// Finding the program's folders from the XDG variables and HOME.
#include "base/XdgFolders.h"

#include <atomic>
#include <cstdlib>

#include "base/StandardError.h"

namespace {

constexpr const char* kProgramFolder = "corvane";

struct BaseFolder {
    const char* variable;
    const char* belowHome;  // the default, relative to HOME
    const char* lost;       // what goes missing without it
};
constexpr BaseFolder kConfig{"XDG_CONFIG_HOME", ".config",
                             "settings and the port map are neither read nor saved"};
constexpr BaseFolder kState{"XDG_STATE_HOME", ".local/state", "the journal is kept on standard error only"};

// The variable's value when it is an absolute path, without trailing slashes ("/" gives "").
std::optional<std::string> AbsoluteVariable(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr || value[0] != '/') return std::nullopt;
    std::string path = value;
    while (!path.empty() && path.back() == '/') path.pop_back();
    return path;
}

std::optional<std::string> ProgramFolder(const BaseFolder& base, std::atomic<bool>& reported) {
    std::optional<std::string> root = AbsoluteVariable(base.variable);
    if (!root) {
        root = AbsoluteVariable("HOME");
        if (root) *root += std::string("/") + base.belowHome;
    }
    if (!root) {
        if (!reported.exchange(true))
            WriteToStandardError(std::string("corvane: neither ") + base.variable +
                                 " nor HOME is set to an absolute folder: " + base.lost + "\n");
        return std::nullopt;
    }
    return *root + "/" + kProgramFolder;
}

}  // namespace

std::optional<std::string> XdgConfigFolder() {
    static std::atomic<bool> reported{false};
    return ProgramFolder(kConfig, reported);
}

std::optional<std::string> XdgStateFolder() {
    static std::atomic<bool> reported{false};
    return ProgramFolder(kState, reported);
}
