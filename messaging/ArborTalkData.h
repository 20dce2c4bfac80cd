#pragma once

#include <cstdint>

// Header keys and message types of the wire format; each text is what
// travels.
namespace Velt::ArborTalkData {

// No such serial number; a header holding it is not written.
inline constexpr uint32_t AK_INVALID_MESSAGE_NUMBER = 0xFFFFFFFFu;

inline constexpr char AK_MD5[] = "@AK>MD5";
inline constexpr char AK_DIGEST[] = "@AK>Digest";
inline constexpr char AK_VERSION[] = "@AK>Version";
inline constexpr char AK_TARGET[] = "Target";
inline constexpr char AK_SENDER[] = "Sender";
inline constexpr char AK_SENDER_ID[] = "Sender-ID";
inline constexpr char AK_TIMEOUT[] = "Timeout";
inline constexpr char AK_TYPE[] = "Type";
inline constexpr char AK_RESPONSE_REQUEST[] = "Response-Request";
inline constexpr char AK_TIMESTAMP[] = "Timestamp";
inline constexpr char AK_SERIAL_NUMBER[] = "Serial-Number";
inline constexpr char AK_RECEIVED[] = "Received";
inline constexpr char AK_RESULT[] = "Result";
inline constexpr char AK_ERROR[] = "Error";
inline constexpr char AK_ERROR_CODE[] = "Error-Code";
inline constexpr char AK_CONTENT_LENGTH[] = "Content-Length";

// The version key of older peers.
inline constexpr char kOldVersionKey[] = "Version";
// Put before a custom header's name that could pass for a standard header.
inline constexpr char kHeaderPrefix[] = "@HDR>";

// The version new messages carry.
inline constexpr char kMessageVersion[] = "2.05";

// The system's message types; any other type is a user type.
inline constexpr char kTypeOrrery[] = "Orrery";  // a script for the target's engine
inline constexpr char kTypeDebug[] = "Debug";
inline constexpr char kTypeReceive[] = "Receive";
inline constexpr char kTypeReceived[] = "Received";
inline constexpr char kTypeResult[] = "Result";
inline constexpr char kTypeError[] = "Error";
inline constexpr char kTypeIdle[] = "Idle";
inline constexpr char kTypeTimeout[] = "Timeout";
inline constexpr char kTypeLog[] = "Log";
inline constexpr char kTypeIgnore[] = "Ignore";  // only watches a time-out
inline constexpr char kTypeProcessed[] = "Processed";
inline constexpr char kTypeLaunched[] = "Launched";

inline constexpr const char* kSystemTypes[] = {
    kTypeOrrery, kTypeDebug,   kTypeReceive, kTypeReceived, kTypeResult,    kTypeError,
    kTypeIdle,   kTypeTimeout, kTypeLog,     kTypeIgnore,   kTypeProcessed, kTypeLaunched,
};

// True for one of the system's message types.
bool isSystemType(const char* type);

}  // namespace Velt::ArborTalkData
