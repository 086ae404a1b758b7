// A plain byte-at-a-time body scanner, written straight from the transition table of the
// response-body scanner, to compare the real one (with its skips over bytes that cannot
// matter, and its one automaton over all inputs) against. A byte handled again in a new
// attribute state is not fed again.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "core/evaluation/rules/reflected_xss/sink_checks.h"

namespace quenlith_fuzz {

class ReferenceScanner {
 public:
  using SinkMatch = sorvane::evaluation::rules::reflected_xss::sink_checks::SinkMatch;
  using UserInput = sorvane::evaluation::rules::reflected_xss::sink_checks::UserInput;
  using XssState = sorvane::evaluation::rules::reflected_xss::sink_checks::XssState;

  ReferenceScanner(std::span<UserInput> inputs, XssState& state) : inputs_(inputs), s_(state) {}

  std::optional<SinkMatch> scan(std::string_view chunk) {
    for (std::size_t pos = 0; pos < chunk.size(); ++pos) {
      const auto c = static_cast<std::uint8_t>(chunk[pos]);
      if (auto match = handle(c, pos)) return match;
    }
    s_.offset += chunk.size();
    return std::nullopt;
  }

  // The length of the longest leading part of `value` that ends `value[0, progress)` + c.
  static std::size_t longest_leading_part(std::string_view value, std::size_t progress,
                                          std::uint8_t c) {
    std::string text(value.substr(0, progress));
    text += static_cast<char>(c);
    for (std::size_t k = std::min(text.size(), value.size()); k > 0; --k) {
      if (text.compare(text.size() - k, k, value, 0, k) == 0) return k;
    }
    return 0;
  }

 private:
  using ParseState = sorvane::evaluation::rules::reflected_xss::sink_checks::ParseState;
  using AttributesState = sorvane::evaluation::rules::reflected_xss::sink_checks::AttributesState;
  using Target = sorvane::evaluation::rules::reflected_xss::sink_checks::Target;
  using Kind = ParseState::Kind;
  using AttrKind = AttributesState::Kind;

  static bool blank(std::uint8_t c) { return c == 9 || c == 10 || c == 12 || c == 13 || c == 32; }
  static std::uint8_t lc(std::uint8_t c) {
    return c >= 'A' && c <= 'Z' ? static_cast<std::uint8_t>(c + 32) : c;
  }

  // Feeds `c` to every input in order; the match of the first one it completes. An input's
  // progress becomes the longest leading part of its value that ends with `c`, found by
  // trying every length. A start before the body's first byte (a progress handed in with
  // a small offset) reads as 0.
  std::optional<SinkMatch> feed(std::uint8_t c, std::size_t pos) {
    for (UserInput& in : inputs_) {
      in.progress = longest_leading_part(in.value, in.progress, c);
      if (in.progress == in.value.size()) {
        const std::uint64_t end = s_.offset + pos + 1;
        const std::uint64_t length = in.value.size();
        return SinkMatch{in.value, end >= length ? end - length : 0, length};
      }
    }
    return std::nullopt;
  }
  void reset() {
    for (UserInput& in : inputs_) in.progress = 0;
  }
  void close(Target t) {
    if (t == Target::Script) {
      reset();
      s_.parse_state = ParseState::of(Kind::ScriptData);
    } else {
      s_.parse_state = ParseState::of(Kind::Data);
    }
  }

  std::optional<SinkMatch> handle(std::uint8_t c, std::size_t pos) {
    ParseState& ps = s_.parse_state;
    switch (ps.kind) {
      case Kind::Data:
        if (c == '<') ps = ParseState::of(Kind::TagOpen);
        return std::nullopt;
      case Kind::TagOpen:
        if (blank(c)) return std::nullopt;
        if (c == '/') {
          ps = ParseState::of(Kind::EndTag);
          return std::nullopt;
        }
        ps = ParseState::of(Kind::TagNameStart);
        return handle(c, pos);
      case Kind::TagNameStart:
        if (lc(c) == 's') ps = ParseState::tag_name(ParseState::kScript, 1);
        else if (lc(c) == 'i') ps = ParseState::tag_name(ParseState::kIframe, 1);
        else ps = ParseState::of(Kind::OtherTagName);
        return std::nullopt;
      case Kind::OtherTagName:
        if (blank(c)) ps = ParseState::of(Kind::OtherAttributes);
        else if (c == '>') ps = ParseState::of(Kind::Data);
        return std::nullopt;
      case Kind::TagName:
        if (lc(c) == ps.name[ps.count]) {
          if (ps.count + 1 < 6) {
            ps = ParseState::tag_name(ps.name, ps.count + 1);
          } else {
            // A name other than the two (only a state handed in holds one) watches nothing.
            ps = ParseState::after_tag_name(ps.name == ParseState::kScript   ? Target::Script
                                            : ps.name == ParseState::kIframe ? Target::Iframe
                                                                             : Target::Other);
          }
          return std::nullopt;
        }
        ps = ParseState::after_tag_name(Target::Other);
        return handle(c, pos);
      case Kind::AfterTagName:
        if (blank(c)) {
          reset();
          ps = ParseState::attributes_of(ps.target, AttributesState::before_name());
        } else if (c == '/') {
          ps = ParseState::of(Kind::SelfClosing);
        } else if (c == '>') {
          ps = ParseState::of(ps.target == Target::Script ? Kind::ScriptData : Kind::Data);
        } else {
          ps = ParseState::of(Kind::OtherTagName);
          return handle(c, pos);
        }
        return std::nullopt;
      case Kind::Attributes:
        if (ps.target == Target::Other) {
          ps = ParseState::of(Kind::OtherAttributes);
          return handle(c, pos);
        }
        if (auto match = feed(c, pos)) return match;
        return attribute(c);
      case Kind::OtherAttributes:
        if (c == '/') ps = ParseState::of(Kind::SelfClosing);
        else if (c == '>') ps = ParseState::of(Kind::Data);
        return std::nullopt;
      case Kind::SelfClosing:
        ps = ParseState::of(c == '>' ? Kind::Data : Kind::OtherAttributes);
        return std::nullopt;
      case Kind::ScriptData:
        if (auto match = feed(c, pos)) return match;
        if (c == '<') ps = ParseState::script_end_tag(0);
        return std::nullopt;
      case Kind::ScriptEndTag:
        if (auto match = feed(c, pos)) return match;
        if (ps.count < 7) {
          ps = c == static_cast<std::uint8_t>("/script"[ps.count])
                   ? ParseState::script_end_tag(ps.count + 1)
                   : ParseState::of(Kind::ScriptData);
        } else if (c == '>') {
          if (inputs_.empty()) return SinkMatch{};
          ps = ParseState::of(Kind::Data);
        }
        return std::nullopt;
      case Kind::EndTag:
        if (c == '>') ps = ParseState::of(Kind::Data);
        return std::nullopt;
    }
    return std::nullopt;
  }

  // `c` has been fed already.
  std::optional<SinkMatch> attribute(std::uint8_t c) {
    ParseState& ps = s_.parse_state;
    const Target t = ps.target;
    auto to = [&](AttributesState a) { ps = ParseState::attributes_of(t, a); };
    switch (ps.attributes.kind) {
      case AttrKind::BeforeName:
        if (blank(c)) return std::nullopt;
        if (c == '/') ps = ParseState::of(Kind::SelfClosing);
        else if (c == '>') close(t);
        else {
          to(AttributesState::name(0));
          return attribute(c);
        }
        return std::nullopt;
      case AttrKind::Name: {
        const std::uint64_t n = ps.attributes.count;
        if (n < 3) {
          to(lc(c) == static_cast<std::uint8_t>("src"[n]) ? AttributesState::name(n + 1)
                                                          : AttributesState::other_name());
        } else if (n == 3 && (blank(c) || c == '=')) {
          if (inputs_.empty()) return SinkMatch{};
          to(c == '=' ? AttributesState::before_value() : AttributesState::after_name());
        } else {
          to(AttributesState::other_name());
        }
        return std::nullopt;
      }
      case AttrKind::OtherName:
        if (blank(c)) to(AttributesState::after_name());
        else if (c == '=') to(AttributesState::before_value());
        else if (c == '/') ps = ParseState::of(Kind::SelfClosing);
        else if (c == '>') close(t);
        return std::nullopt;
      case AttrKind::AfterName:
        if (blank(c)) return std::nullopt;
        if (c == '=') to(AttributesState::before_value());
        else if (c == '/') ps = ParseState::of(Kind::SelfClosing);
        else if (c == '>') close(t);
        else {
          to(AttributesState::name(0));
          return attribute(c);
        }
        return std::nullopt;
      case AttrKind::BeforeValue:
        if (blank(c)) return std::nullopt;
        if (c == '"' || c == '\'') {
          to(AttributesState::value(c));
          return std::nullopt;
        }
        to(AttributesState::value(std::nullopt));
        return attribute(c);
      case AttrKind::Value:
        if (ps.attributes.quote) {
          if (c == *ps.attributes.quote) to(AttributesState::before_name());
        } else if (blank(c)) {
          to(AttributesState::before_name());
        } else if (c == '>') {
          close(t);
        }
        return std::nullopt;
    }
    return std::nullopt;
  }

  std::span<UserInput> inputs_;
  XssState& s_;
};

}  // namespace quenlith_fuzz
