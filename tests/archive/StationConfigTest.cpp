// The station description: the shipped example is sound, every mistake is named in its own sentence, all
// of them at once, and the factor to 1/Mm is never guessed.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "ArchiveTestSupport.h"
#include "archive/StationConfig.h"

using ::testing::HasSubstr;

namespace {

StationConfigResult Load(const TempFolder& folder, const std::string& text) {
    WriteText(folder.Path() / "station.conf", text);
    return LoadStationConfig((folder.Path() / "station.conf").string());
}

TEST(StationConfig, TheShippedExampleIsSoundButForItsKeyFile) {
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
    const StationConfigResult result = Load(folder, text);
    std::string problems;
    for (const auto* list : {&result.problems, &result.uploadProblems})
        for (const std::string& problem : *list) problems += problem + "\n";
    for (const std::string& problem : expected) EXPECT_THAT(problems, HasSubstr(problem));
    EXPECT_EQ(result.problems.size() + result.uploadProblems.size(), expected.size() - 1) << problems;
    EXPECT_EQ(result.uploadProblems.size(), 3u) << problems;
}

TEST(StationConfig, AKeyFileOthersCanReadIsRefusedAndAPrivateOneTaken) {
    const TempFolder folder;
    const std::string key = (folder.Path() / "archive_ed25519").string();
    WriteText(key, "not a real key");
    std::string text = ReadText(TestData("data/station.conf"));
    text.replace(text.find("export = off"), 12,
                 "export = on\nupload_url = sftp://no0042r@192.0.2.7:2222/nrt/\nupload_key = " + key +
                     "\nupload_host_key = SHA256:nThbg6kXUpJWGl7E1IGOCspRomTxdCARLviKw6E5SY8");
    chmod(key.c_str(), 0644);
    const StationConfigResult readable = Load(folder, text);
    ASSERT_EQ(readable.uploadProblems.size(), 1u);
    EXPECT_THAT(readable.uploadProblems[0], HasSubstr("can be read by others (mode 0644); make it private"));
    EXPECT_FALSE(readable.ExportEnabled());

    chmod(key.c_str(), 0600);
    const StationConfigResult private_ = Load(folder, text);
    EXPECT_TRUE(private_.ExportEnabled()) << ::testing::PrintToString(private_.uploadProblems);
    EXPECT_EQ(private_.config.upload.port, 2222);
}

TEST(StationConfig, AMissingFileIsToldApartFromABadOne) {
    const TempFolder folder;
    const StationConfigResult missing = LoadStationConfig((folder.Path() / "none.conf").string());
    EXPECT_FALSE(missing.found);
    EXPECT_THAT(StationConfigMessage("station.conf", missing), HasSubstr("does not exist"));
}

}  // namespace
