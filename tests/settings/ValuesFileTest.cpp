// The values file's text form: what is written, and which lines are read back.
#include <gtest/gtest.h>

#include "ValuesFile.h"

namespace {

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
