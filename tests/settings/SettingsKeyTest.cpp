// CSettingsKey: opening keys, value round trips, widths and limits, and damaged files.
#include <sys/stat.h>
#include <unistd.h>

#include "TempConfigHome.h"
#include "ValuesFile.h"

namespace {

namespace fs = std::filesystem;

using SettingsKey = TempConfigHome;

TEST_F(SettingsKey, RootFolderFollowsXdgConfigHomeElseHomeConfig) {
    EXPECT_EQ(CSettingsKey::RootFolder(), (m_home / "corvane").string());
    setenv("XDG_CONFIG_HOME", (m_home.string() + "//").c_str(), 1);
    EXPECT_EQ(CSettingsKey::RootFolder(), (m_home / "corvane").string());

    const std::string home = std::getenv("HOME") ? std::getenv("HOME") : "";
    setenv("HOME", m_home.c_str(), 1);
    for (const char* ignored : {"", "relative/folder"}) {
        setenv("XDG_CONFIG_HOME", ignored, 1);
        EXPECT_EQ(CSettingsKey::RootFolder(), (m_home / ".config" / "corvane").string()) << ignored;
    }
    setenv("HOME", home.c_str(), 1);
}

TEST_F(SettingsKey, ReadOnlyOpenOfAMissingKeyFailsAndCreatesNothing) {
    CSettingsKey key;
    EXPECT_FALSE(key.Open(kProductKeyPath, true));
    EXPECT_TRUE(fs::is_empty(m_home));
    std::uint32_t value = 7;
    EXPECT_FALSE(key.ReadDword(kValueLogEnable, value));
    EXPECT_EQ(value, 7u);
}

TEST_F(SettingsKey, WriteOpenCreatesTheProductKey) {
    CSettingsKey key;
    ASSERT_TRUE(key.Open(kProductKeyPath, false));
    EXPECT_TRUE(fs::is_directory(KeyFolder()));
    EXPECT_TRUE(key.Open(kProductKeyPath, true));
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

TEST_F(SettingsKey, ClosedOrReadOnlyKeysReadAndWriteNothing) {
    CSettingsKey key;
    std::uint16_t word = 1;
    std::string text = "default";
    EXPECT_FALSE(key.WriteWord(kValueCommPort, 3));
    EXPECT_FALSE(key.ReadWord(kValueCommPort, word));
    EXPECT_FALSE(key.ReadString(kValueLogPath, text));
    EXPECT_TRUE(key.Close());

    ASSERT_TRUE(key.Open(kProductKeyPath, false));
    ASSERT_TRUE(key.WriteWord(kValueCommPort, 3));
    ASSERT_TRUE(key.Open(kProductKeyPath, true));
    EXPECT_FALSE(key.WriteWord(kValueCommPort, 4));
    EXPECT_TRUE(key.ReadWord(kValueCommPort, word));
    EXPECT_EQ(word, 3);
    EXPECT_TRUE(key.Close());
    EXPECT_FALSE(key.ReadWord(kValueCommPort, word));
    EXPECT_EQ(text, "default");
}

TEST_F(SettingsKey, ValuesRoundTripAcrossKeyObjects) {
    const std::string path = "/home/op/da\"ta\\\r\nnew line/";
    {
        CSettingsKey key;
        ASSERT_TRUE(key.Open(kProductKeyPath, false));
        EXPECT_TRUE(key.WriteWord(kValueCommPort, 65535));
        EXPECT_TRUE(key.WriteDword(kValueLogEnable, 0xFFFFFFFFu));
        EXPECT_TRUE(key.WriteString(kValueLogPath, path));
        EXPECT_TRUE(key.WriteString("EMPTY", ""));
        EXPECT_TRUE(key.WriteWord(kValueCommPort, 3));  // overwrites
    }
    CSettingsKey key;
    ASSERT_TRUE(key.Open(kProductKeyPath, true));
    std::uint16_t word = 0;
    std::uint32_t dword = 0;
    std::string text = "x";
    EXPECT_TRUE(key.ReadWord(kValueCommPort, word));
    EXPECT_EQ(word, 3);
    EXPECT_TRUE(key.ReadDword(kValueLogEnable, dword));
    EXPECT_EQ(dword, 0xFFFFFFFFu);
    EXPECT_TRUE(key.ReadString(kValueLogPath, text));
    EXPECT_EQ(text, path);
    EXPECT_TRUE(key.ReadString("EMPTY", text));
    EXPECT_EQ(text, "");
    EXPECT_FALSE(key.ReadString(kValueModel, text)) << "missing value";
}

TEST_F(SettingsKey, NumericReadsTakeUpToFourBytesOfAnyValue) {
    CSettingsKey key;
    ASSERT_TRUE(key.Open(kProductKeyPath, false));
    std::uint16_t word = 0;
    std::uint32_t dword = 0;

    ASSERT_TRUE(key.WriteDword(kValueLogLength, 70000));
    EXPECT_TRUE(key.ReadWord(kValueLogLength, word));
    EXPECT_EQ(word, 4464);
    ASSERT_TRUE(key.WriteWord(kValueLogLength, 65535));
    EXPECT_TRUE(key.ReadDword(kValueLogLength, dword));
    EXPECT_EQ(dword, 65535u);

    ASSERT_TRUE(key.WriteString("S", "AB"));  // 3 bytes with the NUL
    EXPECT_TRUE(key.ReadDword("S", dword));
    EXPECT_EQ(dword, 0x4241u);
    ASSERT_TRUE(key.WriteString("S", "ABC"));  // 4 bytes
    EXPECT_TRUE(key.ReadDword("S", dword));
    EXPECT_EQ(dword, 0x434241u);
    ASSERT_TRUE(key.WriteString("S", "ABCD"));  // 5 bytes: too long
    dword = 9;
    word = 9;
    EXPECT_FALSE(key.ReadDword("S", dword));
    EXPECT_FALSE(key.ReadWord("S", word));
    EXPECT_EQ(dword, 9u);
    EXPECT_EQ(word, 9);

    // A string read of a number gives its bytes up to the first NUL.
    std::string text;
    ASSERT_TRUE(key.WriteDword("N", 0x00434241));
    EXPECT_TRUE(key.ReadString("N", text));
    EXPECT_EQ(text, "ABC");
}

TEST_F(SettingsKey, StringsOf254CharactersReadBackAndLongerOnesFail) {
    CSettingsKey key;
    ASSERT_TRUE(key.Open(kProductKeyPath, false));
    const std::string longest(254, 'p');
    ASSERT_TRUE(key.WriteString(kValueLogPath, longest));
    std::string text;
    EXPECT_TRUE(key.ReadString(kValueLogPath, text));
    EXPECT_EQ(text, longest);

    ASSERT_TRUE(key.WriteString(kValueLogPath, longest + "q"));
    EXPECT_FALSE(key.ReadString(kValueLogPath, text));
    EXPECT_EQ(text, longest);

    // A string ends at its first NUL, as the registry keeps it.
    ASSERT_TRUE(key.WriteString(kValueLogPath, std::string("ab\0cd", 5)));
    EXPECT_TRUE(key.ReadString(kValueLogPath, text));
    EXPECT_EQ(text, "ab");
}

TEST_F(SettingsKey, DamagedLinesFailTheirReadsAndTheNextWriteRepairsTheFile) {
    CSettingsKey key;
    ASSERT_TRUE(key.Open(kProductKeyPath, false));
    SetFileText(
        "\"COMM_PORT\"=dword:00000004\n"
        "\"MODEL\"=dword:xyz\n"
        "\"LOGPATH\"=\"/unterminated\n"
        "\x01\xff garbage\n"
        "\"LOGENABLE\"=dword:00000001");  // no final line break
    std::uint16_t word = 99;
    std::uint32_t dword = 0;
    std::string text = "default";
    EXPECT_TRUE(key.ReadWord(kValueCommPort, word));
    EXPECT_EQ(word, 4);
    EXPECT_FALSE(key.ReadWord(kValueModel, word));
    EXPECT_FALSE(key.ReadString(kValueLogPath, text));
    EXPECT_EQ(text, "default");
    EXPECT_TRUE(key.ReadDword(kValueLogEnable, dword));
    EXPECT_EQ(dword, 1u);

    ASSERT_TRUE(key.WriteWord(kValueModel, 1));
    const std::string repaired = FileText();
    EXPECT_EQ(repaired, FormatValuesFile(ParseValuesFile(repaired)));
    EXPECT_EQ(ParseValuesFile(repaired).size(), 3u);
}

TEST_F(SettingsKey, UnreadableValuesFileFailsReadsWithoutCrashing) {
    CSettingsKey key;
    ASSERT_TRUE(key.Open(kProductKeyPath, false));
    std::string binary(5000, '\0');
    for (std::size_t i = 0; i < binary.size(); ++i) {
        binary[i] = static_cast<char>(i * 131);
    }
    SetFileText(binary);
    std::uint32_t dword = 5;
    EXPECT_FALSE(key.ReadDword(kValueLogEnable, dword));

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
}

TEST_F(SettingsKey, KeyThatCannotBeCreatedFailsToOpen) {
    fs::create_directories(m_home / "corvane");
    std::ofstream(m_home / "corvane" / "SOFTWARE") << "a file where a key should be";
    CSettingsKey key;
    EXPECT_FALSE(key.Open(kProductKeyPath, false));
    EXPECT_FALSE(key.Open(kProductKeyPath, true));
    EXPECT_FALSE(key.WriteWord(kValueCommPort, 1));
}

TEST_F(SettingsKey, KeyWithoutWriteAccessCannotBeOpenedForWriting) {
    if (geteuid() == 0) {
        GTEST_SKIP() << "the superuser may write anywhere";
    }
    CSettingsKey key;
    ASSERT_TRUE(key.Open(kProductKeyPath, false));
    fs::permissions(KeyFolder(), fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_FALSE(key.Open(kProductKeyPath, false));
    EXPECT_FALSE(key.WriteWord(kValueCommPort, 1));
    EXPECT_TRUE(key.Open(kProductKeyPath, true));
}

}  // namespace
