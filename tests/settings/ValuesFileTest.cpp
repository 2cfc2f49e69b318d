// The values file's text form: what is written, and which lines are read back.
#include <gtest/gtest.h>

#include "ValuesFile.h"

namespace {

StoredValue Dword(std::uint32_t value) {
    StoredValue stored;
    stored.dwValue = value;
    return stored;
}

StoredValue Text(std::string text) {
    StoredValue stored;
    stored.bString = true;
    stored.strText = std::move(text);
    return stored;
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

TEST(ValuesFile, MalformedLinesAreSkipped) {
    const struct {
        const char* line;
        bool read;
    } rows[] = {
        {"\"A\"=dword:00000001", true},
        {"\"A\"=dword:1", true},
        {"\"A\"=dword:ABCDEF01", true},
        {"\"A\"=\"text\"", true},
        {"\"A\"=\"\"", true},
        {"\"\"=\"default value\"", true},
        {"\"A\"=\"a\\\\b\\\"c\\nd\"", true},
        {"\"A\"=dword:", false},
        {"\"A\"=dword:000000001", false},  // nine digits
        {"\"A\"=dword:0000000g", false},
        {"\"A\"=dword:-1", false},
        {"\"A\"=dword:00000001 ", false},
        {"\"A\"=hex:01,02", false},
        {"\"A\"=\"text", false},
        {"\"A\"=\"text\"trailing", false},
        {"\"A\"=\"bad \\t escape\"", false},
        {"\"A\"=\"ends in a backslash\\", false},
        {"\"A\"=", false},
        {"\"A\"", false},
        {"\"A\" = dword:00000001", false},
        {"A=dword:00000001", false},
        {"\"A=dword:00000001", false},
        {"=", false},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(ParseValuesFile(row.line).size(), row.read ? 1u : 0u) << row.line;
    }
    EXPECT_TRUE(ParseValuesFile(std::string("\"A\"=\"a\0b\"", 9)).empty()) << "a NUL inside a text";
}

TEST(ValuesFile, ReadsCommentsLineEndingsAndRepeatedNames) {
    const ValueList values = ParseValuesFile(
        "; comment\r\n"
        "\r\n"
        "\"A\"=dword:00000001\r\n"
        "\"B\"=\"first\"\n"
        "\"A\"=\"again\"\n"
        "\"C\"=dword:00000002");
    EXPECT_EQ(values, (ValueList{{"A", Text("again")}, {"B", Text("first")}, {"C", Dword(2)}}));
}

TEST(ValuesFile, BytesAreLittleEndianNumbersOrTextWithItsNul) {
    EXPECT_EQ(Dword(0x04030201).Bytes(), std::string("\x01\x02\x03\x04", 4));
    EXPECT_EQ(Text("ab").Bytes(), std::string("ab\0", 3));
    EXPECT_EQ(Text("").Bytes(), std::string(1, '\0'));
}

}  // namespace
