#pragma once

#include <string>

namespace platform {

// The file of the loaded executable or shared object that holds address
// (a function or variable of it); empty when the loader cannot tell.
std::string loadedObjectPath(const void* address);

}  // namespace platform
