// The instrument's command texts and the replies the program relies on, each named once. The
// setting commands ("SMB", "UD", "STA", ...) are named in the settings transfer's tables.
#pragma once

#include <cstddef>

namespace InstrumentCommand {
inline constexpr const char* kStopUnpolled = "UE";   // also the open handshake, sent twice
inline constexpr const char* kStartUnpolled = "UB";
inline constexpr const char* kBeforeRecords = "SD0";  // sent before reading records and before a run
inline constexpr const char* kReadTime = "RT";
inline constexpr const char* kReadData = "RD";
inline constexpr const char* kReadAux = "RY";
inline constexpr const char* kReadZero = "RZ";
inline constexpr const char* kReadVersion = "RV";
inline constexpr const char* kStartZero = "Z";
inline constexpr const char* kSetClock = "STT";
}  // namespace InstrumentCommand

// A set command succeeded only on exactly this reply.
inline constexpr const char* kReplyOk = "OK";
// What an exchange returns when no line came within the time-out.
inline constexpr const char* kNoReply = "WriteComm";

// The longest command the link sends, without its CR LF; a longer one would reach the instrument cut
// short, so it is not sent at all.
inline constexpr std::size_t kMaxCommandLength = 255;
