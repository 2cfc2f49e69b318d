// The version text: four unsigned 16-bit parts, "UnKnown" without a version, this build's number.
#include <gtest/gtest.h>

#include "app/Version.h"

TEST(Version, PartsPrintAsUnsigned16BitNumbers) {
    const struct {
        std::optional<ProductVersion> version;
        const char* text;
    } cases[] = {
        {std::nullopt, "UnKnown"},
        {ProductVersion{0x00010005, 0x00000001}, "1.5.0.1"},
        {ProductVersion{0x00000000, 0x00000000}, "0.0.0.0"},
        {ProductVersion{0x80007FFF, 0x8000FFFF}, "32768.32767.32768.65535"},
        {ProductVersion{0xFFFFFFFF, 0xFFFFFFFF}, "65535.65535.65535.65535"},
    };
    for (const auto& c : cases) EXPECT_EQ(FormatProductVersion(c.version), c.text);
}

TEST(Version, BuildCarriesTheProjectVersion) {
    EXPECT_STREQ(GetVersionString(), CORVANE_TEST_PROJECT_VERSION);
}
