// Fuzzes the settings values file reader: any text must read without harm, and the values read
// must be written back in a form that reads as the same values.
#include <cstdint>
#include <set>
#include <string>

#include "FuzzCheck.h"
#include "ValuesFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const ValueList values = ParseValuesFile(text);
    std::set<std::string> names;
    for (const auto& [name, value] : values) {
        FUZZ_CHECK(names.insert(name).second);
        FUZZ_CHECK(value.Bytes().size() == (value.bString ? value.strText.size() + 1 : 4));
    }
    const std::string written = FormatValuesFile(values);
    FUZZ_CHECK(ParseValuesFile(written) == values);
    FUZZ_CHECK(FormatValuesFile(ParseValuesFile(written)) == written);
    return 0;
}
