// The response-body scanner: finds tracked user inputs that a response reflects inside
// the attribute list of a script or iframe start tag or inside script content. It reads
// the body as raw bytes, chunk by chunk; its whole state lives in XssState, which it updates
// in place, and in the progress of each UserInput, which the caller keeps between chunks.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace sorvane::evaluation::rules::reflected_xss::sink_checks {

enum class Target : std::uint8_t { Other = 0, Script = 1, Iframe = 2 };

// The quote that opened an attribute value, if any: an optional byte held in one integer,
// which the scanner reads at every byte of a value as cheaply as a plain integer.
class Quote {
 public:
  constexpr Quote() = default;
  constexpr Quote(std::nullopt_t) {}
  constexpr Quote(std::uint8_t q) : v_(q) {}
  constexpr Quote(std::optional<std::uint8_t> q) : v_(q ? *q : kNone) {}
  constexpr explicit operator bool() const { return v_ != kNone; }
  constexpr std::uint8_t operator*() const { return static_cast<std::uint8_t>(v_); }
  constexpr bool operator==(const Quote&) const = default;

 private:
  static constexpr int kNone = -1;
  int v_ = kNone;
};

// Where the scanner stands inside the attribute list of a watched start tag.
struct AttributesState {
  enum class Kind : std::uint8_t {
    BeforeName = 0,
    Name = 1,         // `count` characters of "src" matched so far
    OtherName = 2,
    AfterName = 3,
    BeforeValue = 4,
    Value = 5,        // `quote`: the quote that opened the value, none when unquoted
  };
  static constexpr std::uint32_t kMaxTag = 5;

  Kind kind = Kind::BeforeName;
  std::uint64_t count = 0;
  Quote quote;

  static AttributesState before_name() { return {}; }
  static AttributesState name(std::uint64_t n) { return {Kind::Name, n, std::nullopt}; }
  static AttributesState other_name() { return {Kind::OtherName, 0, std::nullopt}; }
  static AttributesState after_name() { return {Kind::AfterName, 0, std::nullopt}; }
  static AttributesState before_value() { return {Kind::BeforeValue, 0, std::nullopt}; }
  static AttributesState value(std::optional<std::uint8_t> q) {
    return {Kind::Value, 0, Quote(q)};
  }

  // Compares the fields of the current kind only.
  bool operator==(const AttributesState& o) const {
    if (kind != o.kind) return false;
    if (kind == Kind::Name) return count == o.count;
    if (kind == Kind::Value) return quote == o.quote;
    return true;
  }
};

// Where the tokenizer stands: one flat value that the scanner updates in place and the
// byte form reads and writes. Only the fields of the current kind carry meaning; the others
// keep whatever an earlier kind left in them, and equality and the byte form ignore them.
struct ParseState {
  enum class Kind : std::uint8_t {
    Data = 0,             // outside any tag
    TagOpen = 1,          // after "<"
    TagNameStart = 2,     // the first character of a tag name is due
    OtherTagName = 3,     // inside a tag name other than script or iframe
    ScriptEndTag = 4,     // in script content after "<": `count` characters of "/script"
    TagName = 5,          // matching `name` ("script" or "iframe"): `count` matched
    AfterTagName = 6,     // the tag name has ended; `target`
    Attributes = 7,       // inside the attribute list of a start tag; `target`, `attributes`
    OtherAttributes = 8,  // inside the attribute list of a tag that is not watched
    ScriptData = 9,       // inside script content
    SelfClosing = 10,     // after "/" inside a tag
    EndTag = 11,          // after "</" outside script content
  };
  static constexpr std::uint32_t kMaxTag = 11;
  using Name = std::array<std::uint8_t, 6>;
  static constexpr Name kScript = {'s', 'c', 'r', 'i', 'p', 't'};
  static constexpr Name kIframe = {'i', 'f', 'r', 'a', 'm', 'e'};

  Kind kind = Kind::Data;
  std::uint64_t count = 0;
  Name name{};
  Target target = Target::Other;
  AttributesState attributes;

  static ParseState of(Kind k) {
    ParseState s;
    s.kind = k;
    return s;
  }
  static ParseState script_end_tag(std::uint64_t n) {
    ParseState s = of(Kind::ScriptEndTag);
    s.count = n;
    return s;
  }
  static ParseState tag_name(const Name& name, std::uint64_t n) {
    ParseState s = of(Kind::TagName);
    s.name = name;
    s.count = n;
    return s;
  }
  static ParseState after_tag_name(Target t) {
    ParseState s = of(Kind::AfterTagName);
    s.target = t;
    return s;
  }
  static ParseState attributes_of(Target t, AttributesState a) {
    ParseState s = of(Kind::Attributes);
    s.target = t;
    s.attributes = a;
    return s;
  }

  // Compares the fields of the current kind only.
  bool operator==(const ParseState& o) const {
    if (kind != o.kind) return false;
    switch (kind) {
      case Kind::ScriptEndTag: return count == o.count;
      case Kind::TagName: return name == o.name && count == o.count;
      case Kind::AfterTagName: return target == o.target;
      case Kind::Attributes: return target == o.target && attributes == o.attributes;
      default: return true;
    }
  }
};

struct XssState {
  ParseState parse_state;
  std::uint64_t offset = 0;  // body bytes consumed by all earlier chunks
  bool operator==(const XssState&) const = default;
};

// One tracked user input: `progress` leading bytes of `value` match the bytes just scanned.
struct UserInput {
  std::string value;
  std::uint64_t progress = 0;
  bool operator==(const UserInput&) const = default;
};

struct SinkMatch {
  std::string source;                 // the matched input's value
  std::uint64_t match_byte_index = 0;  // start of the reflected value in the whole body
  std::uint64_t match_byte_length = 0;
  bool operator==(const SinkMatch&) const = default;
};

// Scans one chunk of a body, updating `inputs` and `state` in place. Answers the input
// whose value first completes in a watched region (every occurrence counts, overlapping
// ones included; among inputs completing at the same byte, the first in the list). With no
// inputs at all it answers an empty match where a script or iframe tag gets a src
// attribute or a script element ends. After a match the state and inputs hold no
// meaningful position and are to be dropped. The scan resumes from the longest leading
// part that the inputs' progress values claim (the progress values a scan leaves always
// agree with each other). Inconsistent arguments are scanned safely: an empty value never
// matches, a progress not below its value's length starts over, and offsets and match
// positions stop at the ends of their range instead of wrapping.
std::optional<SinkMatch> has_vulnerability(std::string_view chunk, std::span<UserInput> inputs,
                                           XssState& state);

}  // namespace sorvane::evaluation::rules::reflected_xss::sink_checks
