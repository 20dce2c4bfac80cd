#pragma once

#include "platform/ulp/Ulp.h"
#include "validator/ApplicationClass.h"
#include "validator/IApplication.h"
#include "validator/MiniDOM.h"
#include "validator/PlexarClass.h"
#include "validator/request_t.h"

namespace nimbrel {

// The gateway extension and its Application class, while connected.
extern MiniDOM::Extension* mainExt;
extern ApplicationClass* appClass;

// Publishes the two host classes under the gateway namespace.
void connectDOM(UlpPlayer* player, IApplication* application);
// Destroys the gateway extension with its classes.
void disconnectDOM();

// Delivers one request to the component: the static method
// "sendRequestToOV" of its gateway class, with the request's name and its
// string arguments. A script exception on the way is dropped: the
// component may still answer.
void SendRequestToOV(const request_t& request);

}  // namespace nimbrel
