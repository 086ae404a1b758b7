#include "core/evaluation/rules/cmd_injection/semantic_dangerous_path.h"

#include <optional>
#include <string>
#include <utility>

#include "core/log/log.h"
#include "core/text/utf8.h"

namespace sorvane::evaluation::rules::cmd_injection::semantic_dangerous_path {

namespace {

constexpr const char* kTarget =
    "sorvane::evaluation::rules::cmd_injection::semantic_dangerous_path";

constexpr std::string_view kSensitiveNames[] = {"/etc/passwd", "/etc/shadow", "/etc/hosts"};

// The three normalisations below are plain byte loops: every byte they test is ASCII,
// so bytes of other characters are kept like the characters they form. Each only drops
// bytes, so it rewrites the text in place: the byte written never lies after the byte read.

// Every quote and backslash dropped.
void drop_quotes_and_escapes(std::string& text) {
  std::size_t out = 0;
  for (const char c : text) {
    if (c != '\'' && c != '"' && c != '\\') text[out++] = c;
  }
  text.resize(out);
}

// Every run of "/" made one "/".
void make_slashes_single(std::string& text) {
  std::size_t out = 0;
  char previous = '\0';  // the byte read before, as it was
  for (const char c : text) {
    if (!(c == '/' && previous == '/')) text[out++] = c;
    previous = c;
  }
  text.resize(out);
}

// Every "/./" with the "./" that follow it directly made one "/", left to right; the text
// after a replacement is not looked at again together with it.
void drop_current_directory_steps(std::string& text) {
  const std::string_view in = text;  // read ahead of the writes only
  std::size_t out = 0;
  std::size_t k = 0;
  while (k < in.size()) {
    if (in.compare(k, 3, "/./") == 0) {
      text[out++] = '/';
      k += 3;
      while (in.compare(k, 2, "./") == 0) k += 2;
    } else {
      text[out++] = in[k++];
    }
  }
  text.resize(out);
}

bool is_name_char(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

// The command with "$name" and "${...}" references dropped; none when a braced
// reference holds a ":". Every character tested for is ASCII, so bytes of other
// characters pass through (or are dropped) one by one like the character they form.
std::optional<std::string> without_variables(std::string_view command) {
  enum class State { Outside, Name, Braces };
  State state = State::Outside;
  std::string out;
  out.reserve(command.size());
  for (std::size_t k = 0; k < command.size(); ++k) {
    const char c = command[k];
    const char next = k + 1 < command.size() ? command[k + 1] : '\0';
    switch (state) {
      case State::Outside:
        if (c == '$' && is_name_char(next)) {
          state = State::Name;
        } else if (c == '$' && next == '{') {
          state = State::Braces;  // the "{" is dropped inside the braces
        } else {
          out.push_back(c);
        }
        break;
      case State::Name:
        if (c == '$' && next == '{') {
          ++k;
          state = State::Braces;
        } else if (!is_name_char(c)) {
          out.push_back(c);  // even a "$": it starts no new reference
          state = State::Outside;
        }
        break;
      case State::Braces:
        if (c == ':') return std::nullopt;
        if (c == '}') state = State::Outside;
        break;
    }
  }
  return out;
}

bool examine(std::string_view command) {
  const auto stripped = without_variables(command);
  if (!stripped) return true;
  // Each replacement is skipped where it could only give back its input: without a
  // quote or backslash, without "//" (a lone "/" becomes "/"), without "/./".
  std::string text = std::move(*stripped);
  if (text.find_first_of("'\"\\") != std::string::npos) drop_quotes_and_escapes(text);
  if (text.find("//") != std::string::npos) make_slashes_single(text);
  if (text.find("/./") != std::string::npos) drop_current_directory_steps(text);
  for (std::string_view name : kSensitiveNames) {
    if (text.find(name) != std::string::npos) return true;
  }
  return false;
}

}  // namespace

bool contains_dangerous_path(std::string_view command) {
  const bool found = examine(command);
  if (found) {
    SORVANE_DEBUG(kTarget, "contains_dangerous_path - result: true. command: {}",
                  text::truncate_chars(command, 128));
  } else {
    SORVANE_TRACE(kTarget, "contains_dangerous_path - result: false. command: {}",
                  text::truncate_chars(command, 128));
  }
  return found;
}

}  // namespace sorvane::evaluation::rules::cmd_injection::semantic_dangerous_path
