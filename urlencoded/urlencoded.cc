#include "urlencoded/urlencoded.h"

#include <algorithm>
#include <utility>

namespace sorvane::urlencoded {
namespace {

int hex_value(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The characters that the plain state gives a meaning of their own.
bool is_separator(char c) { return c == '&' || c == '=' || c == '+' || c == '%'; }

// Appends the character U+0000..U+00FF whose code point is `byte`, UTF-8 encoded.
void append_latin1(std::string& out, unsigned byte) {
  if (byte < 0x80) {
    out.push_back(static_cast<char>(byte));
  } else {
    out.push_back(static_cast<char>(0xC0 | (byte >> 6)));
    out.push_back(static_cast<char>(0x80 | (byte & 0x3F)));
  }
}

}  // namespace

std::vector<std::string> decode(std::string_view text) {
  // Every character that is not one of '&', '=', '+', '%' or a hexadecimal digit after '%'
  // is copied byte for byte, so the UTF-8 sequences of the input pass through whole.
  enum class State { Plain, AfterPercent, AfterDigit };
  std::vector<std::string> out;
  // Room for the pairs of a typical query string at once; a longer text grows the list.
  constexpr std::size_t kTypicalTexts = 32;
  out.reserve(std::min<std::size_t>(
      2 * (static_cast<std::size_t>(std::count(text.begin(), text.end(), '&')) + 1),
      kTypicalTexts));
  std::string key;
  std::string value;
  bool in_value = false;
  State state = State::Plain;
  char digit = 0;  // the first hexadecimal digit after '%', as written

  auto end_pair = [&] {
    std::string& current = in_value ? value : key;
    if (state == State::AfterPercent) {
      current.push_back('%');
    } else if (state == State::AfterDigit) {
      current.push_back('%');
      current.push_back(digit);
    }
    state = State::Plain;
    if (!key.empty() || !value.empty()) {
      out.push_back(std::move(key));
      out.push_back(std::move(value));
    }
    key.clear();
    value.clear();
    in_value = false;
  };

  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    std::string& current = in_value ? value : key;
    switch (state) {
      case State::Plain:
        switch (c) {
          case '&':
            end_pair();
            break;
          case '=':
            if (in_value) {
              current.push_back('=');
            } else {
              in_value = true;
            }
            break;
          case '+':
            current.push_back(' ');
            break;
          case '%':
            state = State::AfterPercent;
            break;
          default: {
            // Copy the whole run of ordinary characters at once.
            std::size_t run_end = i + 1;
            while (run_end < text.size() && !is_separator(text[run_end])) ++run_end;
            current.append(text.substr(i, run_end - i));
            i = run_end - 1;
          }
        }
        break;
      case State::AfterPercent:
        if (hex_value(c) >= 0) {
          digit = c;
          state = State::AfterDigit;
        } else {
          current.push_back('%');
          current.push_back(c);
          state = State::Plain;
        }
        break;
      case State::AfterDigit:
        if (int low = hex_value(c); low >= 0) {
          append_latin1(current, static_cast<unsigned>(hex_value(digit) * 16 + low));
        } else {
          current.push_back('%');
          current.push_back(digit);
          current.push_back(c);
        }
        state = State::Plain;
        break;
    }
  }
  end_pair();
  return out;
}

}  // namespace sorvane::urlencoded
