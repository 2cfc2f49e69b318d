// Fuzzes the serial line cutter: a byte stream cut into arbitrary reads must give the same lines
// as the stream fed in one read, and no line may hold a CR or NUL or exceed the length limit.
#include <fuzzer/FuzzedDataProvider.h>

#include <string>
#include <vector>

#include "FuzzCheck.h"
#include "serial/LineCutter.h"

namespace {

struct Cut {
    std::vector<std::string> lines;
    std::size_t discarded = 0;
};

Cut FeedChunks(const std::vector<std::string_view>& chunks) {
    LineCutter cutter;
    Cut cut;
    for (std::string_view chunk : chunks) {
        cutter.Feed(chunk, [&cut](const std::string& line) { cut.lines.push_back(line); });
    }
    cut.discarded = cutter.DiscardedLines();
    return cut;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider provider(data, size);
    // The stream first, then the read sizes from the bytes left over.
    const std::string stream = provider.ConsumeRandomLengthString(size);
    std::vector<std::string_view> chunks;
    std::string_view rest = stream;
    while (!rest.empty()) {
        const std::size_t length = provider.remaining_bytes()
                                       ? provider.ConsumeIntegralInRange<std::size_t>(0, rest.size())
                                       : rest.size();
        chunks.push_back(rest.substr(0, length));
        rest.remove_prefix(length);
    }

    const Cut whole = FeedChunks({stream});
    const Cut pieces = FeedChunks(chunks);
    FUZZ_CHECK(pieces.lines == whole.lines);
    FUZZ_CHECK(pieces.discarded == whole.discarded);
    for (const std::string& line : whole.lines) {
        FUZZ_CHECK(line.size() <= LineCutter::kMaxLineLength);
        FUZZ_CHECK(line.find('\r') == std::string::npos);
        FUZZ_CHECK(line.find('\0') == std::string::npos);
    }
    return 0;
}
