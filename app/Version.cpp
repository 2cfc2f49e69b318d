// The version text from the version numbers CMake writes into BuildVersion.h.
#include "app/Version.h"

#include <cstdio>

#include "BuildVersion.h"

namespace {

std::optional<ProductVersion> BuildProductVersion() {
#if CORVANE_HAS_VERSION
    // Parts are 16 bits wide, as in an executable's version resource.
    const auto half = [](std::uint32_t high, std::uint32_t low) {
        return (high & 0xFFFFu) << 16 | (low & 0xFFFFu);
    };
    return ProductVersion{half(CORVANE_VERSION_MAJOR, CORVANE_VERSION_MINOR),
                          half(CORVANE_VERSION_PATCH, CORVANE_VERSION_TWEAK)};
#else
    return std::nullopt;
#endif
}

}  // namespace

std::string FormatProductVersion(const std::optional<ProductVersion>& version) {
    if (!version) return "UnKnown";
    char text[32];
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", version->dwMostSignificant >> 16,
                  version->dwMostSignificant & 0xFFFFu, version->dwLeastSignificant >> 16,
                  version->dwLeastSignificant & 0xFFFFu);
    return text;
}

const char* GetVersionString() {
    static const std::string version = FormatProductVersion(BuildProductVersion());
    return version.c_str();
}
