#pragma once

// Realistic package contents for the benchmarks, and the outside programs
// their floors run.

#include <cstddef>
#include <random>
#include <string>
#include <vector>

namespace benchdata {

// Text that deflates about as source files and markup do.
std::string Text(std::mt19937& rng, size_t size);
// Bytes that do not deflate: images, archives, fonts.
std::string Noise(std::mt19937& rng, size_t size);
// Runs a program (looked up in PATH) in the folder; its exit status, -1
// when it could not start or a signal ended it.
int Run(const std::vector<std::string>& arguments, const std::string& folder = {});

}  // namespace benchdata
