// Test helpers of the response-body scanner: input lists and random texts.
#pragma once

#include <random>
#include <string>
#include <vector>

#include "core/evaluation/rules/reflected_xss/sink_checks.h"

namespace sorvane::evaluation::rules::reflected_xss::sink_checks {

// Inputs with these values and no progress.
inline std::vector<UserInput> tracked(const std::vector<std::string>& values) {
  std::vector<UserInput> inputs;
  for (const std::string& v : values) inputs.push_back({v, 0});
  return inputs;
}

// Texts of random length over "ab(", so that values overlap themselves and each other.
class RandomText {
 public:
  explicit RandomText(std::mt19937& rng) : rng_(rng) {}
  std::string operator()(std::size_t max_length, std::size_t min_length = 1) {
    std::string t(min_length + rng_() % (max_length - min_length + 1), ' ');
    for (char& c : t) c = kAlphabet[rng_() % kAlphabet.size()];
    return t;
  }

 private:
  static constexpr std::string_view kAlphabet = "ab(";
  std::mt19937& rng_;
};

}  // namespace sorvane::evaluation::rules::reflected_xss::sink_checks
