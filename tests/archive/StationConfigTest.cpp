// The station description: the shipped example is sound, every mistake is named in its own sentence, all
// of them at once, and the factor to 1/Mm is never guessed.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "ArchiveTestSupport.h"
#include "archive/StationConfig.h"

using ::testing::HasSubstr;

namespace {

TEST(StationConfig, TheShippedExampleIsSoundButForItsKeyFileAndAMissingOneIsToldApartFromABadOne) {
    const StationConfigResult example = LoadStationConfig(CORVANE_SOURCE_DIR "/dist/station/station.conf");
    EXPECT_TRUE(example.found);
    EXPECT_EQ(example.problems, std::vector<std::string>());
    ASSERT_EQ(example.uploadProblems.size(), 1u);
    EXPECT_THAT(example.uploadProblems[0],
                HasSubstr("upload_key \"/home/station/.ssh/archive_ed25519\" cannot be used"));
    EXPECT_FALSE(example.ExportEnabled());
    const UploadTarget& upload = example.config.upload;
    EXPECT_EQ(upload.user + "@" + upload.host + ":" + std::to_string(upload.port) + upload.folder,
              "no0042r@archive.example.org:22/incoming/nrt/");

    const StationConfigResult missing = LoadStationConfig("/nonexistent/station.conf");
    EXPECT_FALSE(missing.found);
    EXPECT_THAT(StationConfigMessage("station.conf", missing), HasSubstr("does not exist"));
}

TEST(StationConfig, EveryMistakeIsNamedAtOnceAndTheFactorHasNoDefault) {
    const TempFolder folder;
    // Each line with the problem it must bring; the factor to 1/Mm and the inlet are left out.
    const std::vector<std::pair<std::string, std::string>> lines = {
        {"station_code = NO42R", "line 1: station_code \"NO42R\" is not a station code"},
        {"laboratory_code = NO01L", ""},
        {"organisation = NO02L, Inst, I, Unit, Road 1, , 2007, Town, Country", ""},
        {"originator = Nordmann", "line 4: originator \"Nordmann\" is not \"Last name, First name\""},
        {"submitter = Hansen, Ola", ""},
        {"projects = GAW-WDCA_NRT", ""},
        {"instrument_name = Brantel 7830", "line 7: instrument_name \"Brantel 7830\" may hold only letters"},
        {"instrument_manufacturer = Brantel", ""},
        {"instrument_model = 7830", ""},
        {"instrument_serial = 1042", ""},
        {"method_ref = NO01L_scat", ""},
        {"matrix = pm10", ""},
        {"wavelengths = 450 550", "line 13: wavelengths \"450 550\" is not three wavelengths"},
        {"colour = blue", "line 14: unknown key \"colour\""},
        {"just some words", "line 15: \"just some words\" is not of the form key = value"},
        {"matrix = pm1", "line 16: matrix is given a second time (first on line 12)"},
        {"export = on", ""},
        {"upload_url = sftp://station@archive.example.org:70000/nrt/", "line 18: upload_url"},
        {"upload_host_key = MD5:ab", "line 19: upload_host_key \"MD5:ab\" is not a SHA-256 fingerprint"},
    };
    std::string text;
    std::vector<std::string> expected;
    for (const auto& [line, problem] : lines) {
        text += line + "\n";
        if (!problem.empty()) expected.push_back(problem);
    }
    expected.insert(expected.end(), {"inlet_type is missing", "coefficient_factor is missing", "no default",
                                     "organisation begins with \"NO02L\", not with the laboratory code NO01L",
                                     "upload_key is missing"});
    WriteText(folder.Path() / "station.conf", text);
    const StationConfigResult result = LoadStationConfig((folder.Path() / "station.conf").string());
    std::string problems;
    for (const auto* list : {&result.problems, &result.uploadProblems})
        for (const std::string& problem : *list) problems += problem + "\n";
    for (const std::string& problem : expected) EXPECT_THAT(problems, HasSubstr(problem));
    EXPECT_EQ(result.problems.size() + result.uploadProblems.size(), expected.size() - 1) << problems;
    EXPECT_EQ(result.uploadProblems.size(), 3u) << problems;
}

}  // namespace
