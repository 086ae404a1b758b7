#include "core/evaluation/rules/sql_injection/worth_watching.h"

#include <array>
#include <cstddef>

#include "core/evaluation/rules/pattern_rule.h"

namespace sorvane::evaluation::rules::sql_injection::worth_watching {

const text::Regex& COLOR_CODE_PATTERN() {
  static const text::Regex re(R"re(^#[a-fA-F0-9]{6}$)re");
  return re;
}

const text::Regex& SQL_KEYWORDS_REGEX() {
  static const text::Regex re(
      R"re((?i)\b(?:select|begin|between|create|case|column_name|from|delete|drop|execute|group|insert|limit|like|merge|order|outfile|alter|current_user|session_user|syslogins|update|union|where|UTL_INADDR|UTL_HTTP|then|when|concat|exec|collate|ascii|strcmp|load_file|(pg_)?sleep|delay)\b)re");
  return re;
}

const text::Regex& BINARY_CLAUSE_PATTERN() {
  static const text::Regex re(R"re((?i)["'`\d]\s+(or|and)\s+\S+)re");
  return re;
}

const text::AhoCorasick& OPENING_COMMENTS_BUILDER() {
  static constexpr std::array<std::string_view, 4> kMarkers = {"#", "--", "//", "/*"};
  static const text::AhoCorasick ac(kMarkers, text::MatchKind::Standard, false);
  return ac;
}

const text::AhoCorasick& SQL_COMMENTS_BUILDER() {
  static constexpr std::array<std::string_view, 6> kMarkers = {"#", "--", "//", "/*", "*/", "@@"};
  static const text::AhoCorasick ac(kMarkers, text::MatchKind::Standard, false);
  return ac;
}

namespace {

bool is_hex(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

bool is_bare_uuid(std::string_view t) {
  if (t.size() != 36) return false;
  for (std::size_t i = 0; i < t.size(); ++i) {
    const bool dash = i == 8 || i == 13 || i == 18 || i == 23;
    if (dash ? t[i] != '-' : !is_hex(t[i])) return false;
  }
  return true;
}

bool in_class40(char c) {
  const auto b = static_cast<unsigned char>(c);
  return b < 0x80 && (text::char_classes::kAsciiCharRange.classes[b] & text::char_classes::kSqlSpecial) != 0;
}

bool is_quote(char c) { return c == '"' || c == '\''; }

// Whether the text holds two of the class-0x40 characters, not counting a pair of
// matching quotes around the whole text; an opening quote left unclosed counts as
// enough by itself.
bool has_two_specials(std::string_view text) {
  const char first = text.front();
  const char last = text.back();
  if (is_quote(first) && last != first) return true;
  std::string_view range = text;
  if (is_quote(first) && last == first) range = text.substr(1, text.size() - 2);
  int count = 0;
  for (char c : range) {
    if (in_class40(c) && ++count == 2) return true;
  }
  return false;
}

}  // namespace

bool is_uuid(std::string_view text) {
  if (text.size() == 38 && text.front() == '{' && text.back() == '}') {
    return is_bare_uuid(text.substr(1, 36));
  }
  return is_bare_uuid(text);
}

bool is_worth_watching(std::string_view text, const InputTraits& traits) {
  const std::size_t n = text.size();
  if (n < 3 || !pattern_rule::has_non_alnum(traits)) return false;
  if (n == 7 && COLOR_CODE_PATTERN().is_match(text)) return false;
  if (n == 3) return OPENING_COMMENTS_BUILDER().is_match(text);
  if (traits.has_flag(text::char_classes::kSqlSpecial) && has_two_specials(text)) return !is_uuid(text);
  if (SQL_KEYWORDS_REGEX().is_match(text)) return true;
  if (SQL_COMMENTS_BUILDER().is_match(text)) return true;
  return BINARY_CLAUSE_PATTERN().is_match(text);
}

}  // namespace sorvane::evaluation::rules::sql_injection::worth_watching
