#pragma once

// What Nimbrel and its component agree on: the namespace of Nimbrel's host
// classes (the component's own gateway class is this followed by
// ".Application"), and the names of the calls and messages between them.
namespace nimbrel {

inline constexpr char kValidatorGateway[] = "nimbrel.ValidatorGateway";

// Host classes, as the component's scripts name them.
inline constexpr char kApplicationClassName[] = "Application";
inline constexpr char kPlexarClassName[] = "Plexar";
// Static methods: the component is ready; the component's answer.
inline constexpr char kBrioCallBackReady[] = "brioCallBackReady";
inline constexpr char kInvoke[] = "invoke";
// The static method of the component's gateway class that takes a request.
inline constexpr char kSendRequestToOV[] = "sendRequestToOV";

// The request Nimbrel sends and the answer it prints.
inline constexpr char kValidateRequest[] = "Validate";
inline constexpr char kValidationResponse[] = "ValidationResponse";

}  // namespace nimbrel
