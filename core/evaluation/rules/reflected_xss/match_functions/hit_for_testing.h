// Test helper: the first hit of a keyword, ignoring ASCII case, as the matcher reports it.
#pragma once

#include <cstddef>
#include <string_view>

#include <gtest/gtest.h>

namespace sorvane::evaluation::rules::reflected_xss::match_functions {

struct Hit {
  std::size_t start;
  std::size_t end;
};

inline Hit first_hit(std::string_view text, std::string_view keyword) {
  auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
  for (std::size_t i = 0; i + keyword.size() <= text.size(); ++i) {
    std::size_t k = 0;
    while (k < keyword.size() && lower(text[i + k]) == lower(keyword[k])) ++k;
    if (k == keyword.size()) return {i, i + keyword.size()};
  }
  ADD_FAILURE() << "no hit of " << keyword << " in " << text;
  return {text.size(), text.size()};
}

}  // namespace sorvane::evaluation::rules::reflected_xss::match_functions
