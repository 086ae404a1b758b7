#include "core/text/required_literals.h"

#include <algorithm>
#include <cstddef>
#include <set>

namespace sorvane::text {
namespace {

using Strings = std::set<std::string>;

constexpr std::size_t kMaxSet = 32;       // strings of an exact set
constexpr std::size_t kMaxRequired = 96;  // strings of a required set
constexpr std::size_t kMaxLiteral = 48;   // bytes in one string
constexpr std::size_t kMaxClassList = 8;  // members of a bracket expression listed

// What is known of the texts a part of an expression matches: every one of them is in
// `exact` (when present), and every one contains a member of `required` (when present).
struct Info {
  std::optional<Strings> exact;
  std::optional<Strings> required;
};

std::size_t shortest(const Strings& s) {
  std::size_t n = SIZE_MAX;
  for (const std::string& e : s) n = std::min(n, e.size());
  return s.empty() ? 0 : n;
}

// The more selective of two literal sets: the longer shortest member, then fewer members.
// A set with an empty member (or no member) constrains nothing.
const Strings* better(const Strings* a, const Strings* b) {
  if (a && shortest(*a) == 0) a = nullptr;
  if (b && shortest(*b) == 0) b = nullptr;
  if (!a || !b) return a ? a : b;
  if (shortest(*a) != shortest(*b)) return shortest(*a) > shortest(*b) ? a : b;
  return a->size() <= b->size() ? a : b;
}

// The best set that every text of `info` contains a member of.
std::optional<Strings> best_required(const Info& info) {
  const Strings* exact = info.exact ? &*info.exact : nullptr;
  const Strings* required = info.required ? &*info.required : nullptr;
  const Strings* b = better(exact, required);
  if (!b) return std::nullopt;
  return *b;
}

bool is_alnum(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

class Reader {
 public:
  explicit Reader(std::string_view source) : s_(source) {}

  std::optional<Strings> run() {
    bool case_insensitive = false;
    const Info info = alternation(case_insensitive);
    if (failed_ || pos_ != s_.size()) return std::nullopt;
    return best_required(info);
  }

 private:
  std::string_view s_;
  std::size_t pos_ = 0;
  bool failed_ = false;
  bool flags_only_ = false;  // the last atom was a group of flags alone

  bool at_end() const { return pos_ >= s_.size(); }
  char peek(std::size_t ahead = 0) const {
    return pos_ + ahead < s_.size() ? s_[pos_ + ahead] : '\0';
  }

  // A single ASCII byte as a literal, or nothing known: a non-ASCII byte, or a letter whose
  // case folding under (?i) reaches a non-ASCII character (k: KELVIN SIGN, s: LONG S).
  static Info literal(char c, bool case_insensitive) {
    const auto u = static_cast<unsigned char>(c);
    if (u >= 0x80 || u < 0x20) return {};
    const char l = lower(c);
    if (case_insensitive && (l == 'k' || l == 's')) return {};
    return {Strings{std::string(1, l)}, std::nullopt};
  }

  Info alternation(bool& case_insensitive) {
    std::vector<Info> branches{concatenation(case_insensitive)};
    while (!failed_ && peek() == '|' && !at_end()) {
      ++pos_;
      branches.push_back(concatenation(case_insensitive));
    }
    if (branches.size() == 1) return branches.front();
    Info out;
    Strings exact, required;
    bool all_exact = true, all_required = true;
    for (const Info& b : branches) {
      if (b.exact) {
        exact.insert(b.exact->begin(), b.exact->end());
      } else {
        all_exact = false;
      }
      if (auto r = best_required(b)) {
        required.insert(r->begin(), r->end());
      } else {
        all_required = false;
      }
    }
    if (all_exact && exact.size() <= kMaxSet) out.exact = std::move(exact);
    if (all_required && required.size() <= kMaxRequired) out.required = std::move(required);
    return out;
  }

  Info concatenation(bool& case_insensitive) {
    std::vector<Strings> candidates;
    Strings run{std::string()};
    bool all_exact = true;
    while (!failed_ && !at_end() && peek() != '|' && peek() != ')') {
      const Info part = repetition(case_insensitive);
      if (part.exact) {
        Strings product;
        bool fits = run.size() * part.exact->size() <= kMaxSet;
        for (const std::string& a : run) {
          for (const std::string& b : *part.exact) {
            if (!fits) break;
            if (a.size() + b.size() > kMaxLiteral) fits = false;
            else product.insert(a + b);
          }
        }
        if (fits) {
          run = std::move(product);
          continue;
        }
        all_exact = false;
        candidates.push_back(std::move(run));
        run = *part.exact;
        continue;
      }
      all_exact = false;
      candidates.push_back(std::move(run));
      run = Strings{std::string()};
      if (part.required) candidates.push_back(*part.required);
    }
    Info out;
    if (all_exact) out.exact = run;
    candidates.push_back(std::move(run));
    const Strings* best = nullptr;
    for (const Strings& c : candidates) best = better(best, &c);
    if (best) out.required = *best;
    return out;
  }

  // An atom and the quantifiers behind it.
  Info repetition(bool& case_insensitive) {
    flags_only_ = false;
    Info info = atom(case_insensitive);
    const bool after_flags = flags_only_;
    while (!failed_ && !at_end()) {
      const char c = peek();
      // A quantifier behind "(?i)" repeats the atom before it; give up on such a source.
      if (after_flags && std::string_view("*+?{").find(c) != std::string_view::npos) {
        return fail();
      }
      std::size_t min_count = 0;
      if (c == '*' || c == '?') {
        ++pos_;
      } else if (c == '+') {
        ++pos_;
        min_count = 1;
      } else if (c == '{') {
        const auto counted = counted_repeat();
        if (!counted) break;  // a literal brace, read as the next atom
        min_count = *counted;
      } else {
        break;
      }
      if (peek() == '?') ++pos_;  // non-greedy
      Info repeated;
      if (min_count > 0) repeated.required = best_required(info);
      info = std::move(repeated);
    }
    return info;
  }

  // "{n}", "{n,}" or "{n,m}" at the position: consumes it and gives n.
  std::optional<std::size_t> counted_repeat() {
    std::size_t i = pos_ + 1;
    std::size_t n = 0;
    const std::size_t digits_from = i;
    while (i < s_.size() && s_[i] >= '0' && s_[i] <= '9') n = n * 10 + (s_[i++] - '0');
    if (i == digits_from || n > 100000) return std::nullopt;
    if (i < s_.size() && s_[i] == ',') {
      ++i;
      while (i < s_.size() && s_[i] >= '0' && s_[i] <= '9') ++i;
    }
    if (i >= s_.size() || s_[i] != '}') return std::nullopt;
    pos_ = i + 1;
    return n;
  }

  Info atom(bool& case_insensitive) {
    const char c = s_[pos_++];
    switch (c) {
      case '(':
        return group(case_insensitive);
      case '[':
        return bracket(case_insensitive);
      case '\\':
        return escape(case_insensitive);
      case '.':
        return {};
      case '^':
      case '$':
        return {Strings{std::string()}, std::nullopt};
      case '{':
        return {};  // a literal brace; knowing nothing of it is safe
      default:
        return literal(c, case_insensitive);
    }
  }

  Info group(bool& outer_case_insensitive) {
    bool case_insensitive = outer_case_insensitive;
    if (peek() == '?') {
      ++pos_;
      if (peek() == 'P' || peek() == '<') {  // a named group
        while (!at_end() && peek() != '>') ++pos_;
        if (at_end()) return fail();
        ++pos_;
      } else {
        bool on = true, set_i = case_insensitive;
        while (!at_end() && peek() != ':' && peek() != ')') {
          const char f = s_[pos_++];
          if (f == '-') on = false;
          else if (f == 'i') set_i = on;
          else if (f != 'm' && f != 's' && f != 'U') return fail();
        }
        if (at_end()) return fail();
        if (s_[pos_++] == ')') {  // flags for the rest of the enclosing group
          outer_case_insensitive = set_i;
          flags_only_ = true;
          return {Strings{std::string()}, std::nullopt};
        }
        case_insensitive = set_i;
      }
    }
    Info inner = alternation(case_insensitive);
    if (failed_ || peek() != ')' || at_end()) return fail();
    ++pos_;
    return inner;
  }

  // An escape of a punctuation character is that character; the known escapes of letters
  // stand for classes, assertions or control characters and constrain nothing. Any other
  // escape ends the reading without a set.
  Info escape(bool case_insensitive) {
    if (at_end()) return fail();
    const char e = s_[pos_++];
    if (!is_alnum(e)) return literal(e, case_insensitive);
    if (std::string_view("dDsSwWbBAznrtfv").find(e) != std::string_view::npos) return {};
    return fail();
  }

  Info bracket(bool case_insensitive) {
    bool negated = false, listable = true;
    if (peek() == '^') {
      negated = true;
      ++pos_;
    }
    std::set<char> members;
    bool first = true;
    while (true) {
      if (at_end()) return fail();
      char c = s_[pos_];
      if (c == ']' && !first) {
        ++pos_;
        break;
      }
      first = false;
      ++pos_;
      if (c == '[' && peek() == ':') {
        const std::size_t close = s_.find(":]", pos_);
        if (close == std::string_view::npos) return fail();
        pos_ = close + 2;
        listable = false;
        continue;
      }
      if (c == '\\') {
        if (at_end()) return fail();
        c = s_[pos_++];
        if (is_alnum(c)) {
          if (std::string_view("dDsSwWnrtfv").find(c) == std::string_view::npos) return fail();
          listable = false;
          continue;
        }
      }
      char last = c;
      if (peek() == '-' && peek(1) != ']' && pos_ + 1 < s_.size()) {
        ++pos_;
        last = s_[pos_++];
        if (last == '\\') {
          if (at_end()) return fail();
          last = s_[pos_++];
          if (is_alnum(last)) return fail();
        }
      }
      const auto from = static_cast<unsigned char>(c), to = static_cast<unsigned char>(last);
      if (from >= 0x80 || to >= 0x80 || to < from || std::size_t{to} - from >= kMaxClassList) {
        listable = false;
        continue;
      }
      for (unsigned m = from; m <= to; ++m) members.insert(static_cast<char>(m));
    }
    if (negated || !listable) return {};
    Strings exact;
    for (char m : members) {
      const Info one = literal(m, case_insensitive);
      if (!one.exact) return {};
      exact.insert(*one.exact->begin());
    }
    if (exact.empty() || exact.size() > kMaxClassList) return {};
    return {std::move(exact), std::nullopt};
  }

  Info fail() {
    failed_ = true;
    return {};
  }
};

}  // namespace

std::optional<std::vector<std::string>> required_literals(std::string_view source,
                                                          std::size_t min_len) {
  auto set = Reader(source).run();
  if (!set || set->empty() || shortest(*set) < std::max<std::size_t>(min_len, 1)) {
    return std::nullopt;
  }
  return std::vector<std::string>(set->begin(), set->end());
}

}  // namespace sorvane::text
