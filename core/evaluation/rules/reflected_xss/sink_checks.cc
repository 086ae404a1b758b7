#include "core/evaluation/rules/reflected_xss/sink_checks.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>

#include "core/evaluation/rules/reflected_xss/sink_checks_inputs.h"

// The per-byte handler belongs in the scan loop: a call per byte slows whole-body scans.
#if defined(__GNUC__) || defined(__clang__)
#define SCAN_ALWAYS_INLINE [[gnu::always_inline]] inline
#elif defined(_MSC_VER)
#define SCAN_ALWAYS_INLINE __forceinline
#else
#define SCAN_ALWAYS_INLINE inline
#endif

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
constexpr std::size_t kNoMatch = InputMatcher::kNoMatch;

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

// Scans one chunk, updating the caller's ParseState in place. Only its kind, on which every
// byte dispatches, is held in a member of the scanner during the scan and stored back when
// the scan stops: there the compiler can keep it in a register, which makes markup-heavy
// bodies about a fifth faster to scan than updating the kind in the caller's state.
class Scanner {
 public:
  Scanner(std::string_view chunk, TrackedInputs& inputs, XssState& state)
      : p_(reinterpret_cast<const std::uint8_t*>(chunk.data())),
        n_(chunk.size()),
        matchers_(inputs),
        state_(state),
        ps_(state.parse_state),
        kind_(state.parse_state.kind) {}

  std::optional<SinkMatch> run() {
    std::size_t pos = 0;
    while (pos < n_) {
      bool hit = false;
      switch (kind_) {
        case Kind::Data:
        case Kind::EndTag: {
          const bool data = kind_ == Kind::Data;
          const std::uint8_t stop = data ? '<' : '>';
          pos = find_either(pos, stop, stop);
          if (pos < n_) {
            kind_ = data ? Kind::TagOpen : Kind::Data;
            ++pos;
          }
          continue;
        }
        case Kind::OtherTagName:
          while (pos < n_ && !is_blank(p_[pos]) && p_[pos] != '>') ++pos;
          if (pos < n_) {
            kind_ = p_[pos] == '>' ? Kind::Data : Kind::OtherAttributes;
            ++pos;
          }
          continue;
        case Kind::OtherAttributes:
          pos = find_either(pos, '>', '/');
          if (pos < n_) {
            kind_ = p_[pos] == '>' ? Kind::Data : Kind::SelfClosing;
            ++pos;
          }
          continue;
        case Kind::ScriptData:
          hit = script_data(pos);
          break;
        case Kind::Attributes:
          // A quoted value changes only at its closing quote.
          if (ps_.attributes.kind == AttrKind::Value && ps_.attributes.quote &&
              ps_.target != Target::Other && !matchers_.active()) {
            pos = matchers_.next_stop(p_, n_, pos, *ps_.attributes.quote);
            if (pos == n_) continue;
          }
          hit = step(p_[pos], pos);
          ++pos;
          break;
        default:
          hit = step(p_[pos], pos);
          ++pos;
          break;
      }
      if (hit) {
        ps_.kind = kind_;
        if (matched_ == kNoMatch) return SinkMatch{};
        const std::string_view value = matchers_.values()[matched_];
        const std::uint64_t len = value.size();
        return SinkMatch{std::string(value), match_end_ >= len ? match_end_ - len : 0, len};
      }
    }
    ps_.kind = kind_;
    state_.offset = saturating_add(state_.offset, n_);
    return std::nullopt;
  }

 private:
  // The first position at or after `pos` holding `a` or `b`; `n_` when there is none.
  std::size_t find_either(std::size_t pos, std::uint8_t a, std::uint8_t b) const {
#if defined(__SSE2__)
    const __m128i va = _mm_set1_epi8(static_cast<char>(a));
    const __m128i vb = _mm_set1_epi8(static_cast<char>(b));
    for (; pos + 16 <= n_; pos += 16) {
      const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p_ + pos));
      const int mask = _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(x, va), _mm_cmpeq_epi8(x, vb)));
      if (mask) return pos + static_cast<std::size_t>(std::countr_zero(static_cast<unsigned>(mask)));
    }
#endif
    while (pos < n_ && p_[pos] != a && p_[pos] != b) ++pos;
    return pos;
  }

  // Script content from `pos` up to the "<" that leaves it, a match or the chunk's end.
  // Bytes that cannot change a matcher with no partial match pending are skipped.
  bool script_data(std::size_t& pos) {
    while (pos < n_) {
      std::uint8_t c;
      if (!matchers_.active()) {
        pos = matchers_.next_stop(p_, n_, pos, '<');
        if (pos == n_) return false;
        c = p_[pos];
        if (feed(c, pos)) return true;
        ++pos;
      } else {
        // A run of bytes while a partial match is pending.
        const std::size_t i = matchers_.feed_run(p_, n_, pos, '<');
        if (i != kNoMatch) {
          matched_ = i;
          match_end_ = saturating_add(state_.offset, static_cast<std::uint64_t>(pos) + 1);
          return true;
        }
        c = p_[pos - 1];
      }
      if (c == '<') {
        kind_ = Kind::ScriptEndTag;
        ps_.count = 0;
        return false;
      }
    }
    return false;
  }

  // Feeds `c` at `pos` to the matchers; true when an input completes. With no partial
  // match pending, a byte that starts no input changes nothing, and one that starts an
  // input the next byte does not continue may be left out when that next byte is fed too
  // (it is, unless `c` leaves the fed regions: only "/" and ">" can).
  bool feed(std::uint8_t c, std::size_t pos) {
    if (!matchers_.active()) {
      if (!matchers_.starts_some(c)) return false;
      if (c != '/' && c != '>' && pos + 1 < n_ && !matchers_.may_start_match(c, p_[pos + 1])) {
        return false;
      }
    }
    const std::size_t i = matchers_.feed(c);
    if (i == kNoMatch) return false;
    matched_ = i;
    match_end_ = saturating_add(state_.offset, static_cast<std::uint64_t>(pos) + 1);
    return true;
  }

  // Ends the scan of an empty input list with an empty match.
  bool empty_match() {
    matched_ = kNoMatch;
    return true;
  }

  // Closes a watched start tag.
  void close() {
    if (ps_.target == Target::Script) {
      matchers_.reset();
      kind_ = Kind::ScriptData;
    } else {
      kind_ = Kind::Data;
    }
  }

  // Handles one byte (states other than the ones `run` scans itself may be reached by
  // handling the byte again); true when the scan ends with a match.
  SCAN_ALWAYS_INLINE bool step(std::uint8_t c, std::size_t pos) {
    for (;;) {
      switch (kind_) {
        case Kind::Data:
          if (c == '<') kind_ = Kind::TagOpen;
          return false;
        case Kind::TagOpen:
          if (is_blank(c)) return false;
          if (c == '/') {
            kind_ = Kind::EndTag;
            return false;
          }
          kind_ = Kind::TagNameStart;
          continue;
        case Kind::TagNameStart:
          if (lc(c) == 's' || lc(c) == 'i') {
            kind_ = Kind::TagName;
            ps_.name = lc(c) == 's' ? ParseState::kScript : ParseState::kIframe;
            ps_.count = 1;
          } else {
            kind_ = Kind::OtherTagName;
          }
          return false;
        case Kind::OtherTagName:
          if (is_blank(c)) kind_ = Kind::OtherAttributes;
          else if (c == '>') kind_ = Kind::Data;
          return false;
        case Kind::TagName:
          if (ps_.count < ps_.name.size() && lc(c) == ps_.name[ps_.count]) {
            if (++ps_.count == ps_.name.size()) {
              kind_ = Kind::AfterTagName;
              ps_.target = target_of(ps_.name);
            }
            return false;
          }
          kind_ = Kind::AfterTagName;
          ps_.target = Target::Other;
          continue;
        case Kind::AfterTagName:
          if (is_blank(c)) {
            matchers_.reset();
            kind_ = Kind::Attributes;
            ps_.attributes.kind = AttrKind::BeforeName;
          } else if (c == '/') {
            kind_ = Kind::SelfClosing;
          } else if (c == '>') {
            kind_ = ps_.target == Target::Script ? Kind::ScriptData : Kind::Data;
          } else {
            kind_ = Kind::OtherTagName;
            continue;
          }
          return false;
        case Kind::Attributes:
          if (ps_.target == Target::Other) {
            kind_ = Kind::OtherAttributes;
            continue;
          }
          if (feed(c, pos)) return true;
          return attribute(c);
        case Kind::OtherAttributes:
          if (c == '/') kind_ = Kind::SelfClosing;
          else if (c == '>') kind_ = Kind::Data;
          return false;
        case Kind::SelfClosing:
          kind_ = c == '>' ? Kind::Data : Kind::OtherAttributes;
          return false;
        case Kind::ScriptData:
          if (feed(c, pos)) return true;
          if (c == '<') {
            kind_ = Kind::ScriptEndTag;
            ps_.count = 0;
          }
          return false;
        case Kind::ScriptEndTag:
          if (feed(c, pos)) return true;
          if (ps_.count < kScriptEnd.size()) {
            if (c == static_cast<std::uint8_t>(kScriptEnd[ps_.count])) ++ps_.count;
            else kind_ = Kind::ScriptData;
          } else if (c == '>') {
            if (matchers_.empty()) return empty_match();
            kind_ = Kind::Data;
          }
          return false;
        case Kind::EndTag:
          if (c == '>') kind_ = Kind::Data;
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
          if (c == '/') kind_ = Kind::SelfClosing;
          else if (c == '>') close();
          else {
            a.kind = AttrKind::Name;
            a.count = 0;
            continue;
          }
          return false;
        case AttrKind::Name:
          if (a.count < kSrc.size()) {
            if (lc(c) == static_cast<std::uint8_t>(kSrc[a.count])) ++a.count;
            else a.kind = AttrKind::OtherName;
          } else if (a.count == kSrc.size() && (is_blank(c) || c == '=')) {
            if (matchers_.empty()) return empty_match();
            a.kind = c == '=' ? AttrKind::BeforeValue : AttrKind::AfterName;
          } else {
            a.kind = AttrKind::OtherName;
          }
          return false;
        case AttrKind::OtherName:
          if (is_blank(c)) a.kind = AttrKind::AfterName;
          else if (c == '=') a.kind = AttrKind::BeforeValue;
          else if (c == '/') kind_ = Kind::SelfClosing;
          else if (c == '>') close();
          return false;
        case AttrKind::AfterName:
          if (is_blank(c)) return false;
          if (c == '=') a.kind = AttrKind::BeforeValue;
          else if (c == '/') kind_ = Kind::SelfClosing;
          else if (c == '>') close();
          else {
            a.kind = AttrKind::Name;
            a.count = 0;
            continue;
          }
          return false;
        case AttrKind::BeforeValue:
          if (is_blank(c)) return false;
          a.kind = AttrKind::Value;
          if (c == '"' || c == '\'') {
            a.quote = c;
            return false;
          }
          a.quote = std::nullopt;
          continue;
        case AttrKind::Value:
          if (a.quote) {
            if (c == *a.quote) a.kind = AttrKind::BeforeName;
          } else if (is_blank(c)) {
            a.kind = AttrKind::BeforeName;
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
  TrackedInputs& matchers_;
  XssState& state_;
  ParseState& ps_;  // state_.parse_state, but for its kind
  Kind kind_;
  // The result of a scan that ends early.
  std::size_t matched_ = kNoMatch;
  std::uint64_t match_end_ = 0;
};

}  // namespace

std::optional<SinkMatch> has_vulnerability(std::string_view chunk, TrackedInputs& inputs,
                                           XssState& state) {
  if (chunk.empty()) return std::nullopt;
  return Scanner(chunk, inputs, state).run();
}

std::optional<SinkMatch> has_vulnerability(std::string_view chunk, std::span<UserInput> inputs,
                                           XssState& state) {
  if (chunk.empty()) return std::nullopt;
  TrackedInputs tracked{std::span<const UserInput>(inputs)};
  auto match = Scanner(chunk, tracked, state).run();
  if (!match) {
    tracked.store_progress();
    const auto progress = tracked.progress();
    for (std::size_t i = 0; i < inputs.size(); ++i) inputs[i].progress = progress[i];
  }
  return match;
}

}  // namespace sorvane::evaluation::rules::reflected_xss::sink_checks

#undef SCAN_ALWAYS_INLINE
