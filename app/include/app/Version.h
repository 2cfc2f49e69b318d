// The program's version text, shown in the about box: "%u.%u.%u.%u" of the product version, or
// "UnKnown" when the build carries none.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

// The product version as two 32-bit halves, each holding two 16-bit parts (major.minor, patch.build).
struct ProductVersion {
    std::uint32_t dwMostSignificant = 0;
    std::uint32_t dwLeastSignificant = 0;
};

// The four 16-bit parts, each printed unsigned; "UnKnown" when there is no version.
std::string FormatProductVersion(const std::optional<ProductVersion>& version);

// The version of this build (the CMake project version).
const char* GetVersionString();
