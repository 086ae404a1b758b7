#include "core/evaluation/rules/reflected_xss/sink_checks.h"

#include <cstring>
#include <limits>

namespace sorvane::evaluation::rules::reflected_xss::sink_checks {

namespace {

using Kind = ParseState::Kind;
using AttrKind = AttributesState::Kind;

constexpr bool is_blank(std::uint8_t c) {
  return c == 9 || c == 10 || c == 12 || c == 13 || c == 32;
}
constexpr std::uint8_t lc(std::uint8_t c) {
  return c >= 'A' && c <= 'Z' ? static_cast<std::uint8_t>(c + 32) : c;
}
constexpr std::string_view kScriptEnd = "/script";
constexpr std::string_view kSrc = "src";
constexpr std::size_t kNoMatch = static_cast<std::size_t>(-1);

std::uint64_t saturating_add(std::uint64_t a, std::uint64_t b) {
  return b > std::numeric_limits<std::uint64_t>::max() - a
             ? std::numeric_limits<std::uint64_t>::max()
             : a + b;
}

Target target_of(const ParseState::Name& name) {
  if (name == ParseState::kScript) return Target::Script;
  if (name == ParseState::kIframe) return Target::Iframe;
  return Target::Other;
}

// The streaming matchers of the tracked inputs. After a mismatch a matcher only checks
// whether the byte starts its value again.
class Matchers {
 public:
  explicit Matchers(std::span<UserInput> inputs) : inputs_(inputs) {
    for (UserInput& in : inputs_) {
      // A progress that does not fit its value cannot come from a scan; start over.
      if (in.progress >= in.value.size()) in.progress = 0;
      active_ |= in.progress != 0;
    }
  }

  bool empty() const { return inputs_.empty(); }
  // Whether some input has a partial match pending.
  bool active() const { return active_; }

  // Feeds one byte to every input in order; the index of the first input it completes,
  // or kNoMatch. The inputs after a completed one are not fed.
  std::size_t feed(std::uint8_t c) {
    bool active = false;
    for (std::size_t i = 0; i < inputs_.size(); ++i) {
      UserInput& in = inputs_[i];
      const std::string& v = in.value;
      if (v.empty()) continue;
      if (static_cast<std::uint8_t>(v[in.progress]) == c) {
        if (++in.progress == v.size()) return i;
      } else {
        in.progress = static_cast<std::uint8_t>(v[0]) == c ? 1 : 0;
      }
      active |= in.progress != 0;
    }
    active_ = active;
    return kNoMatch;
  }

  void reset() {
    if (!active_) return;
    for (UserInput& in : inputs_) in.progress = 0;
    active_ = false;
  }

  // Marks the bytes that can change a matcher with no partial match pending.
  void mark_first_bytes(bool (&table)[256]) const {
    for (const UserInput& in : inputs_) {
      if (!in.value.empty()) table[static_cast<std::uint8_t>(in.value[0])] = true;
    }
  }

  const UserInput& operator[](std::size_t i) const { return inputs_[i]; }

 private:
  std::span<UserInput> inputs_;
  bool active_ = false;
};

class Scanner {
 public:
  Scanner(std::string_view chunk, std::span<UserInput> inputs, XssState& state)
      : p_(reinterpret_cast<const std::uint8_t*>(chunk.data())),
        n_(chunk.size()),
        matchers_(inputs),
        state_(state),
        ps_(state.parse_state) {
    // Script content with no partial match pending changes only at "<" or at a byte
    // that starts some input.
    std::memset(script_stops_, 0, sizeof script_stops_);
    script_stops_['<'] = true;
    matchers_.mark_first_bytes(script_stops_);
    single_script_stop_ = true;
    for (int b = 0; b < 256; ++b) {
      if (script_stops_[b] && b != '<') single_script_stop_ = false;
    }
  }

  std::optional<SinkMatch> run() {
    std::size_t pos = 0;
    while (pos < n_) {
      pos = skip(pos);
      if (pos == n_) break;
      if (step(p_[pos], pos)) {
        state_.parse_state = ps_;
        return std::move(result_);
      }
      ++pos;
    }
    state_.parse_state = ps_;
    state_.offset = saturating_add(state_.offset, n_);
    return std::nullopt;
  }

 private:
  // The first position at or after `pos` whose byte can change the state; the bytes
  // before it would all "stay" without any effect.
  std::size_t skip(std::size_t pos) const {
    switch (ps_.kind) {
      case Kind::Data:
      case Kind::EndTag: {
        const std::uint8_t stop = ps_.kind == Kind::Data ? '<' : '>';
        const void* q = std::memchr(p_ + pos, stop, n_ - pos);
        return q ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(q) - p_) : n_;
      }
      case Kind::OtherAttributes:
        while (pos < n_ && p_[pos] != '>' && p_[pos] != '/') ++pos;
        return pos;
      case Kind::ScriptData: {
        if (matchers_.active()) return pos;
        if (single_script_stop_) {
          const void* q = std::memchr(p_ + pos, '<', n_ - pos);
          return q ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(q) - p_) : n_;
        }
        while (pos + 4 <= n_ && !script_stops_[p_[pos]] && !script_stops_[p_[pos + 1]] &&
               !script_stops_[p_[pos + 2]] && !script_stops_[p_[pos + 3]]) {
          pos += 4;
        }
        while (pos < n_ && !script_stops_[p_[pos]]) ++pos;
        return pos;
      }
      default:
        return pos;
    }
  }

  // Records a match of input `i` at byte `pos`; the state keeps its value from before
  // the byte and the offset is not advanced.
  bool matched(std::size_t i, std::size_t pos) {
    const UserInput& in = matchers_[i];
    const std::uint64_t end = saturating_add(state_.offset, static_cast<std::uint64_t>(pos) + 1);
    const std::uint64_t len = in.value.size();
    result_ = SinkMatch{in.value, end >= len ? end - len : 0, len};
    return true;
  }

  // Ends the scan of an empty input list with an empty match.
  bool empty_match() {
    result_ = SinkMatch{};
    return true;
  }

  // Closes a watched start tag.
  void close() {
    if (ps_.target == Target::Script) {
      matchers_.reset();
      ps_ = ParseState::of(Kind::ScriptData);
    } else {
      ps_ = ParseState::of(Kind::Data);
    }
  }

  // Handles one byte; true when the scan ends with a match.
  bool step(std::uint8_t c, std::size_t pos) {
    for (;;) {
      switch (ps_.kind) {
        case Kind::Data:
          if (c == '<') ps_ = ParseState::of(Kind::TagOpen);
          return false;
        case Kind::TagOpen:
          if (is_blank(c)) return false;
          if (c == '/') {
            ps_ = ParseState::of(Kind::EndTag);
            return false;
          }
          ps_ = ParseState::of(Kind::TagNameStart);
          continue;
        case Kind::TagNameStart:
          if (lc(c) == 's') ps_ = ParseState::tag_name(ParseState::kScript, 1);
          else if (lc(c) == 'i') ps_ = ParseState::tag_name(ParseState::kIframe, 1);
          else ps_ = ParseState::of(Kind::OtherTagName);
          return false;
        case Kind::OtherTagName:
          if (is_blank(c)) ps_ = ParseState::of(Kind::OtherAttributes);
          else if (c == '>') ps_ = ParseState::of(Kind::Data);
          return false;
        case Kind::TagName:
          if (ps_.count < ps_.name.size() && lc(c) == ps_.name[ps_.count]) {
            if (++ps_.count == ps_.name.size()) ps_ = ParseState::after_tag_name(target_of(ps_.name));
            return false;
          }
          ps_ = ParseState::after_tag_name(Target::Other);
          continue;
        case Kind::AfterTagName:
          if (is_blank(c)) {
            matchers_.reset();
            ps_ = ParseState::attributes_of(ps_.target, AttributesState::before_name());
          } else if (c == '/') {
            ps_ = ParseState::of(Kind::SelfClosing);
          } else if (c == '>') {
            ps_ = ParseState::of(ps_.target == Target::Script ? Kind::ScriptData : Kind::Data);
          } else {
            ps_ = ParseState::of(Kind::OtherTagName);
            continue;
          }
          return false;
        case Kind::Attributes: {
          if (ps_.target == Target::Other) {
            ps_ = ParseState::of(Kind::OtherAttributes);
            continue;
          }
          const std::size_t i = matchers_.feed(c);
          if (i != kNoMatch) return matched(i, pos);
          return attribute(c);
        }
        case Kind::OtherAttributes:
          if (c == '/') ps_ = ParseState::of(Kind::SelfClosing);
          else if (c == '>') ps_ = ParseState::of(Kind::Data);
          return false;
        case Kind::SelfClosing:
          ps_ = ParseState::of(c == '>' ? Kind::Data : Kind::OtherAttributes);
          return false;
        case Kind::ScriptData: {
          const std::size_t i = matchers_.feed(c);
          if (i != kNoMatch) return matched(i, pos);
          if (c == '<') ps_ = ParseState::script_end_tag(0);
          return false;
        }
        case Kind::ScriptEndTag: {
          const std::size_t i = matchers_.feed(c);
          if (i != kNoMatch) return matched(i, pos);
          if (ps_.count < kScriptEnd.size()) {
            if (c == static_cast<std::uint8_t>(kScriptEnd[ps_.count])) ++ps_.count;
            else ps_ = ParseState::of(Kind::ScriptData);
          } else if (c == '>') {
            if (matchers_.empty()) return empty_match();
            ps_ = ParseState::of(Kind::Data);
          }
          return false;
        }
        case Kind::EndTag:
          if (c == '>') ps_ = ParseState::of(Kind::Data);
          return false;
      }
      return false;  // unreachable for a valid kind
    }
  }

  // Handles one byte, already fed to the matchers, inside a watched attribute list.
  // Handling it again in a new attribute state does not feed it a second time.
  bool attribute(std::uint8_t c) {
    AttributesState& a = ps_.attributes;
    for (;;) {
      switch (a.kind) {
        case AttrKind::BeforeName:
          if (is_blank(c)) return false;
          if (c == '/') ps_ = ParseState::of(Kind::SelfClosing);
          else if (c == '>') close();
          else {
            a = AttributesState::name(0);
            continue;
          }
          return false;
        case AttrKind::Name:
          if (a.count < kSrc.size()) {
            if (lc(c) == static_cast<std::uint8_t>(kSrc[a.count])) ++a.count;
            else a = AttributesState::other_name();
          } else if (a.count == kSrc.size() && (is_blank(c) || c == '=')) {
            if (matchers_.empty()) return empty_match();
            a = c == '=' ? AttributesState::before_value() : AttributesState::after_name();
          } else {
            a = AttributesState::other_name();
          }
          return false;
        case AttrKind::OtherName:
          if (is_blank(c)) a = AttributesState::after_name();
          else if (c == '=') a = AttributesState::before_value();
          else if (c == '/') ps_ = ParseState::of(Kind::SelfClosing);
          else if (c == '>') close();
          return false;
        case AttrKind::AfterName:
          if (is_blank(c)) return false;
          if (c == '=') a = AttributesState::before_value();
          else if (c == '/') ps_ = ParseState::of(Kind::SelfClosing);
          else if (c == '>') close();
          else {
            a = AttributesState::name(0);
            continue;
          }
          return false;
        case AttrKind::BeforeValue:
          if (is_blank(c)) return false;
          if (c == '"' || c == '\'') {
            a = AttributesState::value(c);
            return false;
          }
          a = AttributesState::value(std::nullopt);
          continue;
        case AttrKind::Value:
          if (a.quote) {
            if (c == *a.quote) a = AttributesState::before_name();
          } else if (is_blank(c)) {
            a = AttributesState::before_name();
          } else if (c == '>') {
            close();
          }
          return false;
      }
      return false;  // unreachable for a valid kind
    }
  }

  const std::uint8_t* p_;
  std::size_t n_;
  Matchers matchers_;
  XssState& state_;
  ParseState ps_;
  bool script_stops_[256];
  bool single_script_stop_ = true;
  std::optional<SinkMatch> result_;
};

}  // namespace

std::optional<SinkMatch> has_vulnerability(std::string_view chunk, std::span<UserInput> inputs,
                                           XssState& state) {
  if (chunk.empty()) return std::nullopt;
  return Scanner(chunk, inputs, state).run();
}

}  // namespace sorvane::evaluation::rules::reflected_xss::sink_checks
