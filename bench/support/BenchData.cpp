#include "bench/support/BenchData.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "platform/os/Process.h"

namespace benchdata {

std::string Text(std::mt19937& rng, size_t size) {
  static const char* const words[] = {"extension ", "menu ", "<item id=\"", "\" name=\"",
                                      "toolbar ",   "\n",    "function(",   ") { return ",
                                      "}\n",        "0123 ", "Loomwright ", "insertbar "};
  std::string data;
  data.reserve(size + 16);
  while (data.size() < size) {
    const uint32_t r = rng();
    data += words[r % (sizeof words / sizeof *words)];
    if ((r >> 8) % 16 == 0) data += std::to_string(r);
  }
  data.resize(size);
  return data;
}

std::string Noise(std::mt19937& rng, size_t size) {
  std::string data(size, '\0');
  for (size_t i = 0; i < size; i += 4) {
    const uint32_t r = rng();
    std::memcpy(&data[i], &r, std::min<size_t>(4, size - i));
  }
  return data;
}

int Run(const std::vector<std::string>& arguments, const std::string& folder) {
  platform::SpawnOptions options;
  options.arguments = arguments;
  options.workingFolder = folder;
  const platform::SpawnResult result = platform::runProcess(options);
  return result.startError == 0 ? result.exitCode : -1;
}

}  // namespace benchdata
