#include "core/is_safe_checkers/headers/if_or_un_modified.h"

#include "core/is_safe_checkers/headers/chars.h"

namespace sorvane::is_safe_checkers::headers::if_or_un_modified {
namespace {

// Reads the fixed shape of an HTTP date left to right; every step consumes its characters
// or fails.
class Reader {
 public:
  explicit Reader(std::string_view text) : text_(text) {}

  bool count(std::size_t n, bool (*cls)(char)) {
    for (std::size_t i = 0; i < n; ++i) {
      if (pos_ >= text_.size() || !cls(text_[pos_])) return false;
      ++pos_;
    }
    return true;
  }
  bool literal(char c) {
    if (pos_ >= text_.size() || text_[pos_] != c) return false;
    ++pos_;
    return true;
  }
  void skip_spaces() {
    while (pos_ < text_.size() && text_[pos_] == ' ') ++pos_;
  }
  std::string_view rest() const { return text_.substr(pos_); }

 private:
  std::string_view text_;
  std::size_t pos_ = 0;
};

bool letter(char c) { return is_letter(c); }
bool digit(char c) { return is_digit(c); }

// The zone: only SPACEs and letters, exactly three letters in all.
bool is_zone(std::string_view rest) {
  std::size_t letters = 0;
  for (char c : rest) {
    if (is_letter(c)) ++letters;
    else if (c != ' ') return false;
  }
  return letters == 3;
}

}  // namespace

bool is_safe(std::string_view value) {
  Reader r(value);
  r.skip_spaces();
  return r.count(3, letter) && r.literal(',') && r.literal(' ') &&    // day name
         r.count(2, digit) && r.literal(' ') &&                        // day
         r.count(3, letter) && r.literal(' ') &&                       // month
         r.count(4, digit) && r.literal(' ') &&                        // year
         r.count(2, digit) && r.literal(':') && r.count(2, digit) &&   // time
         r.literal(':') && r.count(2, digit) && r.literal(' ') && is_zone(r.rest());
}

}  // namespace sorvane::is_safe_checkers::headers::if_or_un_modified
