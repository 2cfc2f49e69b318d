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

TEST(StationConfig, EveryMistakeIsNamedAtOnce) {
    const TempFolder folder;
    const StationConfigResult result =
        Load(folder,
             "station_code = NO42R\n"
             "laboratory_code = NO01L\n"
             "organisation = NO02L, Institute, I, Unit, Road 1, , 2007, Town, Country\n"
             "originator = Nordmann\n"
             "submitter = Hansen, Ola\n"
             "projects = GAW-WDCA_NRT\n"
             "instrument_name = Brantel 7830\n"
             "instrument_manufacturer = Brantel\n"
             "instrument_model = 7830\n"
             "instrument_serial = 1042\n"
             "method_ref = NO01L_scat\n"
             "matrix = pm10\n"
             "wavelengths = 450 550\n"
             "coefficient_factor = 0\n"
             "colour = blue\n"
             "just some words\n"
             "matrix = pm1\n"
             "export = on\n"
             "upload_url = sftp://no0042r@archive.example.org:70000/nrt/\n"
             "upload_host_key = MD5:ab\n");
    const std::vector<std::string> expected = {
        "line 1: station_code \"NO42R\" is not a station code",
        "line 4: originator \"Nordmann\" is not \"Last name, First name\"",
        "line 7: instrument_name \"Brantel 7830\" may hold only letters",
        "line 13: wavelengths \"450 550\" is not three wavelengths",
        "line 14: coefficient_factor \"0\" is not a positive number",
        "line 15: unknown key \"colour\"",
        "line 16: \"just some words\" is not of the form key = value",
        "line 17: matrix is given a second time (first on line 12)",
        "inlet_type is missing",
        "organisation begins with \"NO02L\", not with the laboratory code NO01L",
    };
    ASSERT_EQ(result.problems.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) EXPECT_THAT(result.problems[i], HasSubstr(expected[i]));
    const std::vector<std::string> expectedUpload = {
        "line 19: upload_url \"sftp://no0042r@archive.example.org:70000/nrt/\" has a port outside 1 to 65535",
        "line 20: upload_host_key \"MD5:ab\" is not a SHA-256 fingerprint",
        "upload_key is missing",
    };
    ASSERT_EQ(result.uploadProblems.size(), expectedUpload.size());
    for (std::size_t i = 0; i < expectedUpload.size(); ++i)
        EXPECT_THAT(result.uploadProblems[i], HasSubstr(expectedUpload[i]));
}

TEST(StationConfig, TheFactorToInverseMegametresHasNoDefault) {
    const TempFolder folder;
    std::string text = ReadText(TestData("data/station.conf"));
    text.erase(text.find("coefficient_factor"),
               text.find('\n', text.find("coefficient_factor")) - text.find("coefficient_factor") + 1);
    const StationConfigResult result = Load(folder, text);
    ASSERT_EQ(result.problems.size(), 1u);
    EXPECT_THAT(result.problems[0], HasSubstr("coefficient_factor is missing"));
    EXPECT_THAT(result.problems[0], HasSubstr("no default"));
}

TEST(StationConfig, AKeyFileOthersCanReadIsRefusedAndAPrivateOneTaken) {
    const TempFolder folder;
    const std::string key = (folder.Path() / "archive_ed25519").string();
    WriteText(key, "not a real key");
    const std::string text =
        ReadText(TestData("data/station.conf")) +
        "export = on\nupload_url = sftp://no0042r@192.0.2.7:2222/nrt/\nupload_key = " + key +
        "\nupload_host_key = SHA256:nThbg6kXUpJWGl7E1IGOCspRomTxdCARLviKw6E5SY8\n";
    // The test station's export = off comes first; the second export line is then a repetition.
    const std::string onlyOn =
        text.substr(0, text.find("export = off")) + text.substr(text.find("export = off") + 13);

    chmod(key.c_str(), 0644);
    const StationConfigResult readable = Load(folder, onlyOn);
    ASSERT_EQ(readable.uploadProblems.size(), 1u);
    EXPECT_THAT(readable.uploadProblems[0], HasSubstr("can be read by others (mode 0644); make it private"));

    chmod(key.c_str(), 0600);
    const StationConfigResult private_ = Load(folder, onlyOn);
    EXPECT_EQ(private_.uploadProblems, std::vector<std::string>());
    EXPECT_TRUE(private_.ExportEnabled());
    EXPECT_EQ(private_.config.upload.port, 2222);
}

TEST(StationConfig, AMissingFileIsToldApartFromABadOne) {
    const TempFolder folder;
    const StationConfigResult missing = LoadStationConfig((folder.Path() / "none.conf").string());
    EXPECT_FALSE(missing.found);
    EXPECT_FALSE(missing.ExportEnabled());
    EXPECT_THAT(StationConfigMessage("station.conf", missing), HasSubstr("does not exist"));
}

}  // namespace
