// Looking for other holders of a device among the descriptors listed under /proc.
#include "PortHolders.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

namespace {
struct DirCloser {
    void operator()(DIR* dir) const { closedir(dir); }
};
using DirHandle = std::unique_ptr<DIR, DirCloser>;

// The process id a /proc entry names; 0 for the other entries.
pid_t PidOfEntry(const char* name) {
    char* end = nullptr;
    const long pid = std::strtol(name, &end, 10);
    return name[0] >= '1' && name[0] <= '9' && *end == '\0' ? static_cast<pid_t>(pid) : 0;
}

bool LinksIntoDev(int folderFd, const char* name) {
    constexpr std::string_view kDevices = "/dev/";
    char target[kDevices.size()];
    const ssize_t length = readlinkat(folderFd, name, target, sizeof target);
    return length == static_cast<ssize_t>(sizeof target) &&
           std::string_view(target, sizeof target) == kDevices;
}

bool HasDeviceOpen(int procFd, pid_t pid, dev_t device) {
    const std::string fdFolder = std::to_string(pid) + "/fd";
    const int folderFd = openat(procFd, fdFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd < 0) return false;  // gone meanwhile, or another user's
    DirHandle folder(fdopendir(folderFd));
    if (!folder) {
        close(folderFd);
        return false;
    }
    while (const dirent* entry = readdir(folder.get())) {
        struct stat info {};
        // Each entry is a link to the open file; stat follows it to the device itself. Only devices
        // under /dev are followed: a stat of a file on a network file system whose server hangs
        // would hang too, and reading the link's text touches no file system.
        if (entry->d_name[0] != '.' && LinksIntoDev(folderFd, entry->d_name) &&
            fstatat(folderFd, entry->d_name, &info, 0) == 0 && S_ISCHR(info.st_mode) &&
            info.st_rdev == device)
            return true;
    }
    return false;
}
}  // namespace

pid_t OtherHolderOf(dev_t device) {
    const int procFd = open("/proc", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (procFd < 0) return 0;
    DirHandle proc(fdopendir(procFd));
    if (!proc) {
        close(procFd);
        return 0;
    }
    const pid_t self = getpid();
    while (const dirent* entry = readdir(proc.get())) {
        const pid_t pid = PidOfEntry(entry->d_name);
        if (pid != 0 && pid != self && HasDeviceOpen(procFd, pid, device)) return pid;
    }
    return 0;
}
