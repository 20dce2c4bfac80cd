#pragma once

#include <string>

#include "platform/tamb/Invocation.h"
#include "support/any_regular_t.h"
#include "support/name_t.h"
#include "support/vector.h"

namespace tamb {
class Player;
}

// The canvas library's view of a call between the program and its movie,
// in the support library's values: strings as string_t, numbers as double,
// true and false as the names "true" and "false", null and undefined as
// empty_t.
namespace vesko::tamb_canvas::lumen_external_interface {
inline namespace version_0 {

struct request_t {
  name_t name_m;
  vesko::vector<any_regular_t> arguments_m;
};

}  // namespace version_0

// The request a request text describes; throws std::invalid_argument for a
// text that is not a request.
request_t read_request(const char* text, unsigned length);

// Calls the named function of the movie in the player with the request's
// arguments and returns its result; main thread. A null player gives an
// empty value.
any_regular_t lumen_player_invoke_request(tamb::Player* player, const request_t& request);

// Between the framework's calls and requests.
request_t requestFromInvocation(const tamb::Invocation& call);
tamb::Invocation invocationFromRequest(const request_t& request);

}  // namespace vesko::tamb_canvas::lumen_external_interface
