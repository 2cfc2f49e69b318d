// An independent reader of the archive's NASA-Ames 1001 files for the tests: it shares no code with the
// writer and checks every file it is given by the format's rules.
#pragma once

#include <cmath>
#include <cstdio>
#include <ctime>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

struct NasaAmesFile {
    std::vector<std::string> problems;           // every rule the file breaks; empty for a sound file
    std::vector<std::string> titles;             // the column-title line
    std::vector<std::vector<std::string>> rows;  // the data rows' cells
};

namespace nasa_ames_reader {

inline std::vector<std::string> Tokens(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> tokens;
    for (std::string token; in >> token;) tokens.push_back(token);
    return tokens;
}

inline int Decimals(const std::string& number) {
    const std::size_t point = number.find('.');
    return point == std::string::npos ? 0 : static_cast<int>(number.size() - point - 1);
}

// Days from 1 January of the reference year to the date and time "YYYYMMDDhhmmss".
inline double DaysOf(const std::string& stamp, int referenceYear) {
    std::tm calendar{};
    std::sscanf(stamp.c_str(), "%4d%2d%2d%2d", &calendar.tm_year, &calendar.tm_mon, &calendar.tm_mday,
                &calendar.tm_hour);
    calendar.tm_year -= 1900;
    calendar.tm_mon -= 1;
    std::tm reference{};
    reference.tm_year = referenceYear - 1900;
    reference.tm_mday = 1;
    return static_cast<double>(timegm(&calendar) - timegm(&reference)) / 86400.0;
}

}  // namespace nasa_ames_reader

// Checks line 1's header count, the reference date, the scale and missing-value lines, the required
// metadata, every row's column count, each value against its column's missing code and format, the flag
// format, and that the start times increase and the rows stay inside the file's period.
inline NasaAmesFile ReadNasaAmes(const std::string& text) {
    using namespace nasa_ames_reader;
    NasaAmesFile file;
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    const auto fail = [&](const std::string& problem) {
        file.problems.push_back(problem);
        return file;
    };
    if (lines.size() < 14) return fail("fewer than 14 lines");

    const std::vector<std::string> first = Tokens(lines[0]);
    if (first.size() != 2 || first[1] != "1001") return fail("line 1 is not \"NLHEAD 1001\"");
    const std::size_t nlhead = std::stoul(first[0]);
    const std::size_t nv = std::stoul(lines[9]);
    if (Tokens(lines[10]) != std::vector<std::string>(nv, "1"))
        file.problems.push_back("line 11 is not NV ones");
    const std::vector<std::string> missing = Tokens(lines[11]);
    if (missing.size() != nv) return fail("line 12 has " + std::to_string(missing.size()) + " missing codes");
    for (const std::string& code : missing)
        if (!std::regex_match(code, std::regex(R"(9+(\.9+)?)")))
            file.problems.push_back("missing code " + code);
    if (!std::regex_match(missing.back(), std::regex(R"(9\.(999)+)")))
        file.problems.push_back("the flag column's missing code is not 9. and nines in threes");
    const int flagDigits = Decimals(missing.back());
    if (lines[12].rfind("end_time", 0) != 0 || lines[11 + nv].rfind("numflag", 0) != 0)
        file.problems.push_back("the first column is not end_time or the last not numflag");

    std::size_t at = 12 + nv;
    at += 1 + std::stoul(lines[at]);  // the special comments
    const std::size_t nncoml = std::stoul(lines[at]);
    if (at + 1 + nncoml != nlhead)
        return fail("line 1 says " + first[0] + " header lines, the counts say " +
                    std::to_string(at + 1 + nncoml));
    std::map<std::string, std::string> metadata;
    for (std::size_t i = at + 1; i + 1 < nlhead; ++i) {
        const std::size_t colon = lines[i].find(':');
        const std::size_t value = lines[i].find_first_not_of(' ', colon + 1);
        metadata[lines[i].substr(0, colon)] = value == std::string::npos ? "" : lines[i].substr(value);
    }
    for (const char* key : {"Data definition", "Set type code", "Timezone", "Revision date", "Period code",
                            "Resolution code", "Station code", "Startdate"})
        if (metadata[key].empty()) file.problems.push_back(std::string("no ") + key);
    if (metadata["Timezone"] != "UTC") file.problems.push_back("the time zone is not UTC");
    file.titles = Tokens(lines[nlhead - 1]);
    if (file.titles.size() != nv + 1) file.problems.push_back("the title line has the wrong column count");

    const int referenceYear = std::stoi(Tokens(lines[6])[0]);
    const std::string startdate = metadata["Startdate"];
    if (lines[6].substr(4, 7) != " 01 01 " || startdate.substr(0, 4) != std::to_string(referenceYear))
        file.problems.push_back("line 7 is not 1 January of the year the file starts in");
    const double periodStart = DaysOf(startdate, referenceYear);
    const double periodEnd = periodStart + (metadata["Period code"] == "1d" ? 1.0 : 1.0 / 24);
    const double tolerance = 0.6e-6;  // half the last printed digit
    double previousStart = -1;
    for (std::size_t i = nlhead; i < lines.size(); ++i) {
        const std::vector<std::string> cells = Tokens(lines[i]);
        const std::string where = "row " + std::to_string(i - nlhead + 1) + ": ";
        if (cells.size() != nv + 1) {
            file.problems.push_back(where + std::to_string(cells.size()) + " columns");
            continue;
        }
        file.rows.push_back(cells);
        for (std::size_t c = 1; c + 1 < cells.size(); ++c) {
            const std::string& code = missing[c - 1];
            if (cells[c] == code) continue;
            if (Decimals(cells[c]) != Decimals(code) || std::fabs(std::stod(cells[c])) >= std::stod(code))
                file.problems.push_back(where + file.titles[c] + " " + cells[c] + " does not fit " + code);
        }
        const std::string& flag = cells.back();
        if (!std::regex_match(flag, std::regex(R"(0\.\d+)")) || Decimals(flag) != flagDigits)
            file.problems.push_back(where + "flag " + flag);
        for (std::size_t d = 5; d + 3 <= flag.size(); d += 3) {
            const std::string previous = flag.substr(d - 3, 3);
            const std::string current = flag.substr(d, 3);
            if (current != "000" && (previous == "000" || current <= previous))
                file.problems.push_back(where + "flags not ascending, or a gap before a flag: " + flag);
        }
        const double start = std::stod(cells[0]);
        const double end = std::stod(cells[1]);
        if (start <= previousStart) file.problems.push_back(where + "the start time does not increase");
        if (start < periodStart - tolerance || start >= periodEnd - tolerance || end <= start ||
            end > periodEnd + tolerance)
            file.problems.push_back(where + "times " + cells[0] + " " + cells[1] + " leave the period");
        previousStart = start;
    }
    return file;
}
