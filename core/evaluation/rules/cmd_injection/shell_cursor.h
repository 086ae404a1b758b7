// A forward cursor over the characters of a command line, shared by the shell tokenizers.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <utility>
#include <vector>

#include "core/text/utf8.h"

namespace sorvane::evaluation::rules::cmd_injection {

class ShellCursor {
 public:
  explicit ShellCursor(std::string_view text) : text_(text) { load(); }

  // Whether a current character exists (false for an empty text and once it is exhausted).
  bool has_current() const { return has_current_; }
  char32_t current() const { return current_; }
  bool at(char32_t c) const { return has_current_ && current_ == c; }
  // Whether the current character is an ASCII letter: no shell operator, quote, escape,
  // delimiter or blank begins with one.
  bool at_ascii_letter() const {
    return has_current_ && ((current_ | 0x20) - U'a') < 26;
  }
  std::size_t index() const { return index_; }

  // Makes the next character current; once the text is exhausted there is none.
  void next() {
    if (!has_current_) return;
    pos_ = next_pos_;
    ++index_;
    load();
  }

  // Moves `n` characters forward (fewer when the text ends first).
  void skip(std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) next();
  }

  // Whether the text from the current character on begins with the ASCII characters of
  // `ascii`. Bytes compare exactly: no byte of a multi-byte sequence is ASCII.
  bool peek(std::string_view ascii) const {
    if (!has_current_ || text_.size() - pos_ < ascii.size()) return false;
    for (std::size_t i = 0; i < ascii.size(); ++i) {
      if (text_[pos_ + i] != ascii[i]) return false;
    }
    return true;
  }

 private:
  void load() {
    has_current_ = pos_ < text_.size();
    if (!has_current_) return;
    const auto lead = static_cast<unsigned char>(text_[pos_]);
    if (lead < 0x80) {
      current_ = lead;
      next_pos_ = pos_ + 1;
      return;
    }
    next_pos_ = pos_;
    current_ = text::decode_at(text_, next_pos_);
  }

  std::string_view text_;
  std::size_t pos_ = 0;       // byte offset of the current character
  std::size_t next_pos_ = 0;  // byte offset of the character after it
  std::size_t index_ = 0;     // character index of the current character
  char32_t current_ = 0;
  bool has_current_ = false;
};

// A list of ASCII operators tried in order (longest first); the first that begins at
// the cursor wins. A table of their first characters rejects most characters at once.
template <std::size_t N>
class OperatorList {
 public:
  constexpr explicit OperatorList(const std::string_view (&operators)[N]) {
    for (std::size_t i = 0; i < N; ++i) {
      operators_[i] = operators[i];
      first_[static_cast<unsigned char>(operators[i][0]) & 0x7F] = true;
    }
  }

  // The length of the operator at the cursor, 0 when none begins there.
  std::size_t match(const ShellCursor& cursor) const {
    if (!cursor.has_current() || cursor.current() >= 0x80 || !first_[cursor.current()]) return 0;
    for (std::string_view op : operators_) {
      if (cursor.peek(op)) return op.size();
    }
    return 0;
  }

 private:
  std::array<std::string_view, N> operators_{};
  std::array<bool, 128> first_{};
};

// Which boundaries a pass hands over: all of them, or only those that decide whether an
// input beginning at character `stop_after` runs over one (the last at or before it and
// every one after it), which keeps the list a few entries long on a long command.
enum class Keep : std::uint8_t { All, Deciding };

// Records token boundaries for one pass. Boundaries are recorded at the current
// character, whose index only grows, so the list is strictly increasing. A pass may stop
// once one boundary beyond `stop_after` is known: later ones cannot change the decision.
class BoundaryList {
 public:
  explicit BoundaryList(std::size_t stop_after, Keep keep = Keep::All)
      : stop_after_(stop_after), keep_(keep) {}

  void record(std::size_t index) {
    if (keep_ == Keep::Deciding && index <= stop_after_ && !entries_.empty()) {
      entries_.back() = index;  // every entry so far is at or before stop_after
      return;
    }
    entries_.push_back(index);
    if (index > stop_after_) complete_ = true;
  }
  bool complete() const { return complete_; }
  std::vector<std::size_t> take() && { return std::move(entries_); }

 private:
  std::vector<std::size_t> entries_;
  std::size_t stop_after_;
  Keep keep_;
  bool complete_ = false;
};

}  // namespace sorvane::evaluation::rules::cmd_injection
