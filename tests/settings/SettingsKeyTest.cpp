// CSettingsKey: where the keys live, opening them, value round trips with their widths and limits,
// and damaged files; and the values file's text form: what is written, which lines are read back.
#include <sys/stat.h>

#include "TempConfigHome.h"
#include "ValuesFile.h"

namespace {

namespace fs = std::filesystem;

using SettingsKey = TempConfigHome;

TEST_F(SettingsKey, RootFolderFollowsXdgConfigHomeElseHomeConfigElseThereIsNone) {
    EXPECT_EQ(CSettingsKey::ValuesFilePath(kProductKeyPath), ValuesFile().string());
    setenv("XDG_CONFIG_HOME", (m_home.string() + "//").c_str(), 1);
    EXPECT_EQ(CSettingsKey::RootFolder(), (m_home / "corvane").string());

    const std::string home = std::getenv("HOME") ? std::getenv("HOME") : "";
    setenv("HOME", m_home.c_str(), 1);
    for (const char* ignored : {"", "relative/folder"}) {
        setenv("XDG_CONFIG_HOME", ignored, 1);
        EXPECT_EQ(CSettingsKey::RootFolder(), (m_home / ".config" / "corvane").string()) << ignored;
    }
    // Neither: no folder, and no key opens (nothing is written below "/").
    unsetenv("HOME");
    unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(CSettingsKey::RootFolder(), "");
    CSettingsKey key;
    EXPECT_FALSE(key.Open(kProductKeyPath, false));
    setenv("HOME", home.c_str(), 1);
}

TEST_F(SettingsKey, OnlyAKeyOpenForWritingIsMadeOrWritesAndOnlyAnOpenKeyReads) {
    CSettingsKey key;
    std::uint16_t word = 1;
    EXPECT_FALSE(key.Open(kProductKeyPath, true));
    EXPECT_TRUE(fs::is_empty(m_home));
    ASSERT_TRUE(key.Open(kProductKeyPath, false));
    EXPECT_TRUE(fs::is_directory(KeyFolder()));
    ASSERT_TRUE(key.WriteWord(kValueCommPort, 3));
    ASSERT_TRUE(key.Open(kProductKeyPath, true));
    EXPECT_FALSE(key.WriteWord(kValueCommPort, 4));
    EXPECT_TRUE(key.ReadWord(kValueCommPort, word));
    EXPECT_EQ(word, 3);
    EXPECT_TRUE(key.Close());
    EXPECT_FALSE(key.ReadWord(kValueCommPort, word));
}

TEST_F(SettingsKey, PathComponentsAreCutAtBackslashesAndMayNotLeaveTheRoot) {
    CSettingsKey key;
    EXPECT_FALSE(key.Open("", false));
    ASSERT_TRUE(key.Open("A\\\\B\\", false));  // empty pieces open the same key again
    EXPECT_TRUE(fs::is_directory(m_home / "corvane" / "SOFTWARE" / "Brantel Inc." / "A" / "B"));

    const std::string paths[] = {"..",          "\\..\\..\\x",         ".", "a/b", "/etc",
                                 "CORVANE\\..", std::string("a\0b", 3)};
    for (const std::string& path : paths) {
        EXPECT_FALSE(key.Open(path, false)) << path;
        EXPECT_FALSE(key.WriteDword("X", 1)) << "a failed Open leaves the key closed";
    }
    EXPECT_FALSE(fs::exists(m_home / "x"));
    EXPECT_FALSE(fs::exists(m_home / "corvane" / "SOFTWARE" / "x"));
}

TEST_F(SettingsKey, ValuesRoundTripWithinTheirWidthsAndLimits) {
    const std::string path = "/home/op/da\"ta\\\r\nnew line/";
    {
        CSettingsKey key;
        ASSERT_TRUE(key.Open(kProductKeyPath, false));
        EXPECT_TRUE(key.WriteWord(kValueCommPort, 3));
        EXPECT_TRUE(key.WriteWord(kValueCommPort, 65535));  // overwrites
        EXPECT_TRUE(key.WriteDword(kValueLogEnable, 0xFFFFFFFFu));
        EXPECT_TRUE(key.WriteDword(kValueLogLength, 100000));
        EXPECT_TRUE(key.WriteDword("NUMBER", 0x00434241));
        const std::pair<const char*, std::string> texts[] = {
            {kValueLogPath, path}, {"EMPTY", ""}, {"LONGEST", std::string(254, 'p')},
            {"TOO_LONG", std::string(255, 'p')}, {"NUL", std::string("ab\0cd", 5)},
            {"AB", "AB"}, {"ABC", "ABC"}, {"ABCD", "ABCD"}};
        for (const auto& [name, text] : texts) EXPECT_TRUE(key.WriteString(name, text)) << name;
    }
    // A new key object reads what the first one left; a failed read leaves the caller's value alone.
    CSettingsKey key;
    ASSERT_TRUE(key.Open(kProductKeyPath, true));
    const auto text = [&](const char* name) {
        std::string value = "default";
        return key.ReadString(name, value) ? value : "failed, " + value;
    };
    const auto number = [&](const char* name) {
        std::uint32_t value = 7;
        return key.ReadDword(name, value) ? std::to_string(value) : "failed, " + std::to_string(value);
    };
    std::uint16_t word = 7;
    EXPECT_TRUE(key.ReadWord(kValueLogLength, word));
    EXPECT_EQ(word, 34464);  // the low 16 bits of 100000, the highest one set
    EXPECT_FALSE(key.ReadWord("ABCD", word));
    EXPECT_EQ(word, 34464);
    EXPECT_EQ(number(kValueCommPort), "65535");
    EXPECT_EQ(number(kValueLogEnable), "4294967295");
    EXPECT_EQ(text(kValueLogPath), path);
    EXPECT_EQ(text("EMPTY"), "");
    EXPECT_EQ(text("LONGEST"), std::string(254, 'p'));
    EXPECT_EQ(text("TOO_LONG"), "failed, default");
    EXPECT_EQ(text(kValueModel), "failed, default");
    EXPECT_EQ(text("NUL"), "ab");  // a string ends at its first NUL
    // Reads do not look at the stored type: a number takes up to four bytes of any value.
    EXPECT_EQ(number("AB"), std::to_string(0x4241));  // 3 bytes with the NUL
    EXPECT_EQ(number("ABC"), std::to_string(0x434241));
    EXPECT_EQ(number("ABCD"), "failed, 7");  // 5 bytes: too long
    EXPECT_EQ(text("NUMBER"), "ABC");
}

TEST_F(SettingsKey, DamagedLinesFailTheirReadsTheNextWriteRepairsThemAndUnusableFilesFailWithoutBlocking) {
    CSettingsKey key;
    ASSERT_TRUE(key.Open(kProductKeyPath, false));
    SetFileText(
        "\"COMM_PORT\"=dword:00000004\n"
        "\"MODEL\"=dword:xyz\n"
        "\x01\xff garbage\n"
        "\"LOGENABLE\"=dword:00000001");  // no final line break
    std::uint16_t word = 99;
    std::uint32_t dword = 0;
    EXPECT_TRUE(key.ReadWord(kValueCommPort, word));
    EXPECT_EQ(word, 4);
    EXPECT_FALSE(key.ReadWord(kValueModel, word));
    EXPECT_TRUE(key.ReadDword(kValueLogEnable, dword));
    EXPECT_EQ(dword, 1u);

    ASSERT_TRUE(key.WriteWord(kValueModel, 1));
    const std::string repaired = FileText();
    EXPECT_EQ(repaired, FormatValuesFile(ParseValuesFile(repaired)));
    EXPECT_EQ(ParseValuesFile(repaired).size(), 3u);

    dword = 5;
    SetFileText(std::string(2 << 20, '\n') + "\"LOGENABLE\"=dword:00000001\n");  // far too big
    EXPECT_FALSE(key.ReadDword(kValueLogEnable, dword));
    EXPECT_EQ(dword, 5u);

    // A FIFO in the file's place is refused rather than waited on.
    fs::remove(ValuesFile());
    ASSERT_EQ(mkfifo(ValuesFile().c_str(), 0600), 0);
    EXPECT_FALSE(key.ReadDword(kValueLogEnable, dword));

    // A folder in the file's place cannot be replaced: the write says so.
    fs::remove(ValuesFile());
    fs::create_directory(ValuesFile());
    EXPECT_FALSE(key.ReadDword(kValueLogEnable, dword));
    EXPECT_FALSE(key.WriteDword(kValueLogEnable, 1));

    // A file where a key should be: the key can be neither made nor opened.
    fs::remove_all(m_home / "corvane" / "SOFTWARE");
    std::ofstream(m_home / "corvane" / "SOFTWARE") << "a file where a key should be";
    EXPECT_FALSE(key.Open(kProductKeyPath, false));
    EXPECT_FALSE(key.Open(kProductKeyPath, true));
    EXPECT_FALSE(key.WriteWord(kValueCommPort, 1));
}

StoredValue Dword(std::uint32_t value) {
    return {false, value, {}};
}

StoredValue Text(std::string text) {
    return {true, 0, std::move(text)};
}

TEST(ValuesFile, WritesOneTypedValuePerLineAfterAComment) {
    const ValueList values = {
        {"COMM_PORT", Dword(3)}, {"LOGENABLE", Dword(0xDEADBEEF)}, {"LOGPATH", Text("C:\\data \"x\"\r\n")}};
    const std::string text = FormatValuesFile(values);
    EXPECT_TRUE(text.starts_with(";"));
    EXPECT_TRUE(
        text.ends_with("\n\"COMM_PORT\"=dword:00000003\n"
                       "\"LOGENABLE\"=dword:deadbeef\n"
                       "\"LOGPATH\"=\"C:\\\\data \\\"x\\\"\\r\\n\"\n"));
    EXPECT_EQ(ParseValuesFile(text), values);
}

TEST(ValuesFile, ReadsCommentsLineEndingsAndRepeatedNamesAndSkipsMalformedLines) {
    EXPECT_EQ(ParseValuesFile("; comment\r\n"
                              "\r\n"
                              "\"A\"=dword:00000001\r\n"
                              "\"B\"=\"first\"\n"
                              "\"A\"=\"again\"\n"
                              "\"C\"=dword:ABCDEF1"),
              (ValueList{{"A", Text("again")}, {"B", Text("first")}, {"C", Dword(0xABCDEF1)}}));
    for (const char* line : {"\"A\"=\"\"", "\"\"=\"default value\"", "\"A\"=\"a\\\\b\\\"c\\nd\""}) {
        EXPECT_EQ(ParseValuesFile(line).size(), 1u) << line;
    }
    for (const char* line :
         {"\"A\"=dword:", "\"A\"=dword:000000001", "\"A\"=dword:0000000g", "\"A\"=dword:-1",
          "\"A\"=dword:00000001 ", "\"A\"=hex:01,02", "\"A\"=\"text", "\"A\"=\"text\"trailing",
          "\"A\"=\"bad \\t escape\"", "\"A\"=\"ends in a backslash\\", "\"A\"=", "\"A\"",
          "\"A\" = dword:00000001", "A=dword:00000001", "\"A=dword:00000001", "="}) {
        EXPECT_TRUE(ParseValuesFile(line).empty()) << line;
    }
    EXPECT_TRUE(ParseValuesFile(std::string("\"A\"=\"a\0b\"", 9)).empty()) << "a NUL inside a text";
}

}  // namespace
