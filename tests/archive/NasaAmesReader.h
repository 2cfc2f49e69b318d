// An independent reader of the archive's NASA-Ames 1001 files for the tests: it shares no code with the
// writer and checks every file it is given by the format's rules.
#pragma once

#include <string>
#include <vector>

struct NasaAmesFile {
    std::vector<std::string> problems;           // every rule the file breaks; empty for a sound file
    std::vector<std::string> titles;             // the column-title line
    std::vector<std::vector<std::string>> rows;  // the data rows' cells
};

// Checks line 1's header count, the reference date, the scale and missing-value lines, the required
// metadata, every row's column count, each value against its column's missing code and format, the flag
// format, and that the start times increase and the rows stay inside the file's period.
NasaAmesFile ReadNasaAmes(const std::string& text);
