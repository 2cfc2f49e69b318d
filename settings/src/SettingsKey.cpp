// CSettingsKey on the user's configuration folder: each key is a folder below the root, each
// value a line of the key's values file.
#include "settings/SettingsKey.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "KeyFolder.h"
#include "base/XdgFolders.h"

namespace {

// Below the root, as below HKEY_LOCAL_MACHINE: the company's key sits in "SOFTWARE".
constexpr const char* kFixedComponents[] = {"SOFTWARE", "Brantel Inc."};
constexpr std::size_t kValueSizeLimit = 4;     // bytes a numeric read takes at most
constexpr std::size_t kStringSizeLimit = 255;  // bytes a string read takes at most, NUL included

// A component is one folder name: it may not leave the current folder or hold a path.
bool IsSafeComponent(const std::string& component) {
    return component != "." && component != ".." && component.find('/') == std::string::npos &&
           component.find('\0') == std::string::npos;
}

// The caller's path cut at each backslash; an empty piece stands for the same key again.
std::vector<std::string> PathComponents(const std::string& path) {
    std::vector<std::string> components(std::begin(kFixedComponents), std::end(kFixedComponents));
    std::size_t start = 0;
    for (;;) {
        const std::size_t backslash = path.find('\\', start);
        components.push_back(path.substr(start, backslash - start));
        if (backslash == std::string::npos) {
            return components;
        }
        start = backslash + 1;
    }
}

// Creates the root folder and any missing parents.
bool MakeFolders(const std::string& path) {
    for (std::size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
        const std::string prefix = path.substr(0, slash);
        if (mkdir(prefix.c_str(), 0777) != 0 && errno != EEXIST) {
            return false;
        }
        if (slash == std::string::npos) {
            return true;
        }
    }
}

int OpenFolder(int parentFd, const char* name) {
    return openat(parentFd, name, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}

}  // namespace

CSettingsKey::CSettingsKey() = default;

CSettingsKey::~CSettingsKey() {
    Close();
}

std::string CSettingsKey::RootFolder() {
    return XdgConfigFolder().value_or(std::string());
}

std::string CSettingsKey::ValuesFilePath(const std::string& path) {
    std::string file = RootFolder();
    for (const std::string& component : PathComponents(path)) {
        if (!component.empty()) file += "/" + component;
    }
    return file + "/" + kValuesFile;
}

bool CSettingsKey::Open(const std::string& path, bool bReadOnly) {
    Close();
    if (path.empty()) {
        return false;
    }
    const std::vector<std::string> components = PathComponents(path);
    for (const std::string& component : components) {
        if (!IsSafeComponent(component)) {
            return false;
        }
    }
    const std::string root = RootFolder();
    if (root.empty() || (!bReadOnly && !MakeFolders(root))) {
        return false;
    }
    int keyFd = OpenFolder(AT_FDCWD, root.c_str());
    for (const std::string& component : components) {
        if (keyFd < 0 || component.empty()) {
            continue;
        }
        int childFd = OpenFolder(keyFd, component.c_str());
        // Another process may create the same key at the same moment.
        if (childFd < 0 && !bReadOnly && errno == ENOENT &&
            (mkdirat(keyFd, component.c_str(), 0777) == 0 || errno == EEXIST)) {
            childFd = OpenFolder(keyFd, component.c_str());
        }
        close(keyFd);
        keyFd = childFd;
    }
    if (keyFd < 0) {
        return false;
    }
    // Opening for writing needs the right to write there, as the registry checks the access asked.
    if (!bReadOnly && faccessat(keyFd, ".", W_OK | X_OK, 0) != 0) {
        close(keyFd);
        return false;
    }
    m_hKey = keyFd;
    m_bOpen = true;
    m_bReadOnly = bReadOnly;
    return true;
}

bool CSettingsKey::Close() {
    if (m_bOpen) {
        close(m_hKey);
        m_hKey = -1;
        m_bOpen = false;
    }
    return true;
}

std::optional<std::string> CSettingsKey::QueryValue(const char* name) const {
    if (!m_bOpen || !name) {
        return std::nullopt;
    }
    const ValueList values = LoadValues(m_hKey);
    const StoredValue* value = FindValue(values, name);
    if (!value) {
        return std::nullopt;
    }
    return value->Bytes();
}

bool CSettingsKey::SetValue(const char* name, const StoredValue& value) {
    return m_bOpen && !m_bReadOnly && name && StoreValue(m_hKey, name, value);
}

bool CSettingsKey::ReadDword(const char* name, std::uint32_t& out) {
    const std::optional<std::string> bytes = QueryValue(name);
    if (!bytes || bytes->size() > kValueSizeLimit) {
        return false;
    }
    // A shorter value (a short string) fills only the low bytes.
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < bytes->size(); ++i) {
        value |= std::uint32_t{static_cast<unsigned char>((*bytes)[i])} << (8 * i);
    }
    out = value;
    return true;
}

bool CSettingsKey::ReadWord(const char* name, std::uint16_t& out) {
    std::uint32_t value;
    if (!ReadDword(name, value)) {
        return false;
    }
    out = static_cast<std::uint16_t>(value & 0xFFFF);
    return true;
}

bool CSettingsKey::ReadString(const char* name, std::string& out) {
    const std::optional<std::string> bytes = QueryValue(name);
    if (!bytes || bytes->size() > kStringSizeLimit) {
        return false;
    }
    out = bytes->substr(0, bytes->find('\0'));
    return true;
}

bool CSettingsKey::WriteWord(const char* name, std::uint16_t value) {
    return WriteDword(name, value);
}

bool CSettingsKey::WriteDword(const char* name, std::uint32_t value) {
    StoredValue stored;
    stored.dwValue = value;
    return SetValue(name, stored);
}

bool CSettingsKey::WriteString(const char* name, const std::string& value) {
    StoredValue stored;
    stored.bString = true;
    // The registry keeps a string up to its terminating NUL.
    stored.strText = value.substr(0, value.find('\0'));
    return SetValue(name, stored);
}
