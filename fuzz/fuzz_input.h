// Shared pieces of the fuzz targets: reading parameters from the front of an input, and
// failing with a message when a property does not hold.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/evaluation/rules/rule_type.h"
#include "core/log/log.h"
#include "core/text/utf8.h"

namespace quenlith_fuzz {

// Aborts, so that the fuzzer keeps the input, when a property of the code under test fails.
#define FUZZ_CHECK(condition)                                                          \
  do {                                                                                 \
    if (!(condition)) {                                                                \
      std::fprintf(stderr, "%s:%d: property failed: %s\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                                    \
    }                                                                                  \
  } while (0)

// Parameters come first, the text under test is what is left. Reading past the end yields
// zeros, so every input is usable.
class FuzzInput {
 public:
  FuzzInput(const std::uint8_t* data, std::size_t size)
      : data_(reinterpret_cast<const char*>(data), size) {}

  std::uint8_t byte() {
    if (data_.empty()) return 0;
    auto b = static_cast<std::uint8_t>(data_.front());
    data_.remove_prefix(1);
    return b;
  }

  bool flag() { return (byte() & 1) != 0; }

  // A size or index: a byte below 250 stands for itself; 250 takes the next two bytes and
  // 251 the next eight (little-endian); 252 is the largest size and 253 followed by n is n
  // below it, so that spans reach the overflow edge; 254 and 255 are 0.
  std::size_t size() {
    const std::uint8_t b = byte();
    if (b < 250) return b;
    switch (b) {
      case 250: return little_endian(2);
      case 251: return little_endian(8);
      case 252: return std::numeric_limits<std::size_t>::max();
      case 253: return std::numeric_limits<std::size_t>::max() - byte();
      default: return 0;
    }
  }

  // Up to `n` bytes.
  std::string_view take(std::size_t n) {
    auto piece = data_.substr(0, n);
    data_.remove_prefix(piece.size());
    return piece;
  }

  // A piece whose length is given by a byte first.
  std::string_view piece() { return take(byte()); }

  std::string_view rest() {
    auto all = data_;
    data_ = {};
    return all;
  }

  // A rule list: mostly single rule bits (1024 names no rule), sometimes any 16-bit value.
  std::vector<sorvane::evaluation::rules::RuleType> rule_list() {
    std::vector<sorvane::evaluation::rules::RuleType> rules(byte() % 12);
    for (auto& rule : rules) {
      const std::uint8_t b = byte();
      rule = b < 0xF0 ? static_cast<std::uint16_t>(1u << (b % 11))
                      : static_cast<std::uint16_t>(little_endian(2));
    }
    return rules;
  }

 private:
  std::uint64_t little_endian(int bytes) {
    std::uint64_t v = 0;
    for (int i = 0; i < bytes; ++i) v |= std::uint64_t{byte()} << (8 * i);
    return v;
  }

  std::string_view data_;
};

// Texts reach the analysers as valid UTF-8 (the bindings validate buffers); other bytes are
// not a meaningful input for them.
inline bool is_text(std::string_view bytes) { return sorvane::text::is_utf8(bytes); }

// Rewrites `text` left to right at each `introducer` byte that lies after the previous
// rewrite, where `recognise(p)` answers the replacement and the end of what it replaces;
// none when nothing was rewritten.
template <class Recognise>
std::optional<std::string> rewrite_at_each(std::string_view text, char introducer,
                                           Recognise recognise) {
  std::string out;
  std::size_t last = 0;
  bool rewritten = false;
  for (std::size_t p = text.find(introducer); p != std::string_view::npos;
       p = text.find(introducer, p + 1)) {
    if (p < last) continue;
    std::optional<std::pair<std::string, std::size_t>> found = recognise(p);
    if (!found) continue;
    out.append(text.substr(last, p - last));
    out.append(found->first);
    last = found->second;
    rewritten = true;
  }
  if (!rewritten) return std::nullopt;
  out.append(text.substr(last));
  return out;
}

// Whether the view `part` lies within `whole`.
inline bool inside(std::string_view part, std::string_view whole) {
  std::less_equal<const char*> le;
  return le(whole.data(), part.data()) &&
         le(part.data() + part.size(), whole.data() + whole.size());
}

// Evaluates at the trace level, where every text and rule is evaluated and logged, and again
// with debug and trace lines off, where the shortcuts that would change those lines apply;
// checks that both answer the same and answers the first.
template <typename Evaluate>
auto same_with_lines_off(Evaluate evaluate) {
  auto traced = evaluate();
  sorvane::log::set_max_level(sorvane::log::Level::Info);
  const auto shortcut = evaluate();
  sorvane::log::set_max_level(sorvane::log::Level::Trace);
  FUZZ_CHECK(shortcut == traced);
  return traced;
}

}  // namespace quenlith_fuzz

// Every target routes every log record, at every level, to a logger that drops it, so that
// the log lines with their quoted inputs are formatted on every call. Inputs are cut by
// characters in log lines, so a line about a valid UTF-8 input stays valid UTF-8.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
  struct Discard final : sorvane::log::Logger {
    void log(const sorvane::log::Record& record) override {
      FUZZ_CHECK(sorvane::text::is_utf8(record.message));
    }
  };
  static Discard discard;
  sorvane::log::set_capture_for_testing(&discard);
  sorvane::log::set_max_level(sorvane::log::Level::Trace);
  return 0;
}
