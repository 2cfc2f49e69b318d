// Files for the tests of the archive, the upload and the health server: a temporary folder of a
// test's own, and whole files read and written.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

// A fresh folder, removed with everything in it at the end of the test. Throws when none can be made.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::filesystem::path& Path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

// The file's bytes; empty when it cannot be read.
std::string ReadText(const std::filesystem::path& path);
void WriteText(const std::filesystem::path& path, const std::string& text);
// The files of a folder (not its subfolders), by name.
std::vector<std::string> FileNames(const std::filesystem::path& folder);
