// Write to a partial copy, sync, rename into place, sync the folder.
#include "archive/AtomicFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "base/FileDescriptor.h"

namespace fs = std::filesystem;

namespace {

const char* const kPartialFolder = ".partial";
const char* const kPartialSuffix = ".part";

std::string Failure(const std::string& what, const std::string& path) {
    return "cannot " + what + " " + path + " (" + std::strerror(errno) + ")";
}

bool SyncFolder(const std::string& folder) {
    FileDescriptor fd(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    return fd.IsOpen() && fsync(fd.Get()) == 0 && fd.Close();
}

}  // namespace

std::string WriteFileAtomically(const std::string& folder, const std::string& name, std::string_view text) {
    const std::string partialFolder = folder + '/' + kPartialFolder;
    std::error_code error;
    fs::create_directories(partialFolder, error);
    if (error) return "cannot create " + partialFolder + " (" + error.message() + ")";

    const std::string partial = partialFolder + '/' + name + kPartialSuffix;
    const std::string final = folder + '/' + name;
    FileDescriptor fd(open(partial.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    if (!fd.IsOpen()) return Failure("create", partial);
    if (!WriteAll(fd.Get(), text) || fsync(fd.Get()) != 0 || !fd.Close()) {
        std::string failure = Failure("write", partial);
        unlink(partial.c_str());
        return failure;
    }
    if (std::rename(partial.c_str(), final.c_str()) != 0) {
        std::string failure = Failure("rename into place", final);
        unlink(partial.c_str());
        return failure;
    }
    if (!SyncFolder(folder)) return Failure("sync the folder", folder);
    return {};
}

std::size_t RemovePartialFiles(const std::string& folder) {
    std::size_t removed = 0;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(fs::path(folder) / kPartialFolder, error))
        if (entry.path().extension() == kPartialSuffix && fs::remove(entry.path(), error)) ++removed;
    return removed;
}
