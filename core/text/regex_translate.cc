#include "core/text/regex_translate.h"

#include <algorithm>
#include <cstdio>
#include <utility>
#include <vector>

#include "core/text/unicode.h"
#include "core/text/utf8.h"

namespace sorvane::text::regex_translate {
namespace {

// ---------------------------------------------------------------------------------------
// Sets of scalar values as sorted, disjoint, non-adjacent ranges.

using Ranges = std::vector<CodeRange>;
constexpr char32_t kMaxCode = 0x10FFFF;

Ranges normalized(Ranges r) {
  std::sort(r.begin(), r.end(), [](CodeRange a, CodeRange b) { return a.first < b.first; });
  Ranges out;
  for (CodeRange x : r) {
    if (!out.empty() && x.first <= out.back().last + 1) {
      out.back().last = std::max(out.back().last, x.last);
    } else {
      out.push_back(x);
    }
  }
  return out;
}

Ranges unite(const Ranges& a, const Ranges& b) {
  Ranges all = a;
  all.insert(all.end(), b.begin(), b.end());
  return normalized(std::move(all));
}

Ranges intersect(const Ranges& a, const Ranges& b) {
  Ranges out;
  std::size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    const char32_t lo = std::max(a[i].first, b[j].first);
    const char32_t hi = std::min(a[i].last, b[j].last);
    if (lo <= hi) out.push_back({lo, hi});
    if (a[i].last < b[j].last) ++i;
    else ++j;
  }
  return out;
}

// Every scalar value (surrogates are no characters) outside `a`.
Ranges complement(const Ranges& a) {
  Ranges out;
  char32_t next = 0;
  for (CodeRange r : a) {
    if (r.first > next) out.push_back({next, r.first - 1});
    next = r.last + 1;
  }
  if (next <= kMaxCode) out.push_back({next, kMaxCode});
  return intersect(out, Ranges{{0, 0xD7FF}, {0xE000, kMaxCode}});
}

Ranges subtract(const Ranges& a, const Ranges& b) { return intersect(a, complement(b)); }

const Ranges& word_set() {
  static const Ranges set(word_char_ranges().begin(), word_char_ranges().end());
  return set;
}
const Ranges& non_word_set() {
  static const Ranges set = complement(word_set());
  return set;
}

// The members of \d, \s, \w (lower-case letter) or of their negations (upper case).
Ranges perl_set(char letter) {
  std::span<const CodeRange> base;
  switch (letter | 0x20) {
    case 'd': base = decimal_digit_ranges(); break;
    case 's': base = white_space_ranges(); break;
    default: base = word_char_ranges(); break;
  }
  Ranges set(base.begin(), base.end());
  return (letter & 0x20) ? set : complement(set);
}

bool is_perl_class_letter(char c) {
  return c == 'd' || c == 'D' || c == 's' || c == 'S' || c == 'w' || c == 'W';
}

void append_code(std::string& out, char32_t c) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "\\x{%X}", static_cast<unsigned>(c));
  out += buf;
}

// A bracket expression in the engine's syntax with exactly these members.
std::string emit_set(bool negated, const Ranges& set) {
  if (set.empty()) return negated ? "(?s:.)" : "[^\\x{0}-\\x{10FFFF}]";
  std::string out = negated ? "[^" : "[";
  for (CodeRange r : set) {
    append_code(out, r.first);
    if (r.last != r.first) {
      out += '-';
      append_code(out, r.last);
    }
  }
  out += ']';
  return out;
}

const std::string& word_class() {
  static const std::string s = emit_set(false, word_set());
  return s;
}
const std::string& non_word_class() {
  static const std::string s = emit_set(true, word_set());
  return s;
}

// ---------------------------------------------------------------------------------------
// Syntax tree: just enough structure to rewrite classes and word boundaries; every other
// construct is carried through as its source text.

enum class Kind { Literal, Class, Dot, Assert, WordBoundary, FlagSet, Concat, Alternate, Group, Repeat, Raw };

struct Node {
  Kind kind = Kind::Raw;
  std::string raw;             // leaf source, group opener or repetition operator
  char32_t ch = 0;             // Literal
  bool negated = false;        // Class, Dot
  std::optional<Ranges> set;   // Class, Dot: members before negation, when known
  bool rebuild = false;        // Class: emitted from `set`
  bool nullable = false;       // Repeat: may match zero times
  std::vector<Node> kids;
};

Node leaf(Kind kind, std::string raw) {
  Node n;
  n.kind = kind;
  n.raw = std::move(raw);
  return n;
}

Node class_node(bool negated, Ranges set) {
  Node n;
  n.kind = Kind::Class;
  n.negated = negated;
  n.set = std::move(set);
  n.rebuild = true;
  return n;
}

// `(?:` seq `)`
Node group_of(std::vector<Node> seq) {
  Node cat;
  cat.kind = Kind::Concat;
  cat.kids = std::move(seq);
  Node g = leaf(Kind::Group, "(?:");
  g.kids.push_back(std::move(cat));
  return g;
}

struct Flags {
  bool fold = false;
  bool dot_nl = false;
};

class Parser {
 public:
  explicit Parser(std::string_view pattern) : p_(pattern) {}

  Expected<Node, std::string> parse() {
    Flags flags;
    Node root = parse_alternation(flags, 0);
    if (error_.empty() && pos_ < p_.size()) fail("unmatched )");
    if (!error_.empty()) return Unexpected{error_};
    return root;
  }

 private:
  static constexpr int kMaxDepth = 500;

  bool at_end() const { return pos_ >= p_.size(); }
  char peek(std::size_t ahead = 0) const {
    return pos_ + ahead < p_.size() ? p_[pos_ + ahead] : '\0';
  }
  void fail(const std::string& message) {
    if (error_.empty()) error_ = message + " at byte " + std::to_string(pos_);
  }
  std::string source_from(std::size_t start) const {
    return std::string(p_.substr(start, pos_ - start));
  }

  Node parse_alternation(Flags& flags, int depth) {
    Node alt;
    alt.kind = Kind::Alternate;
    alt.kids.push_back(parse_concat(flags, depth));
    while (error_.empty() && peek() == '|') {
      ++pos_;
      alt.kids.push_back(parse_concat(flags, depth));
    }
    if (alt.kids.size() == 1) return std::move(alt.kids[0]);
    return alt;
  }

  Node parse_concat(Flags& flags, int depth) {
    Node cat;
    cat.kind = Kind::Concat;
    while (error_.empty() && !at_end() && peek() != '|' && peek() != ')') {
      Node atom = parse_atom(flags, depth);
      while (error_.empty() && !at_end()) {
        const std::size_t start = pos_;
        bool nullable = false;
        if (peek() == '*' || peek() == '?') {
          nullable = true;
          ++pos_;
        } else if (peek() == '+') {
          ++pos_;
        } else if (auto min = bounded_repeat()) {
          nullable = *min == 0;
        } else {
          break;
        }
        if (peek() == '?') ++pos_;
        Node rep = leaf(Kind::Repeat, source_from(start));
        rep.nullable = nullable;
        rep.kids.push_back(std::move(atom));
        atom = std::move(rep);
      }
      cat.kids.push_back(std::move(atom));
    }
    return cat;
  }

  // `{n}`, `{n,}` or `{n,m}` at the position: consumes it and answers n.
  std::optional<unsigned> bounded_repeat() {
    std::size_t i = pos_;
    if (i >= p_.size() || p_[i] != '{') return std::nullopt;
    ++i;
    const std::size_t digits = i;
    unsigned min = 0;
    while (i < p_.size() && p_[i] >= '0' && p_[i] <= '9') {
      min = std::min(min * 10 + static_cast<unsigned>(p_[i] - '0'), 100000u);
      ++i;
    }
    if (i == digits) return std::nullopt;
    if (i < p_.size() && p_[i] == ',') {
      ++i;
      while (i < p_.size() && p_[i] >= '0' && p_[i] <= '9') ++i;
    }
    if (i >= p_.size() || p_[i] != '}') return std::nullopt;
    pos_ = i + 1;
    return min;
  }

  Node parse_atom(Flags& flags, int depth) {
    const std::size_t start = pos_;
    switch (peek()) {
      case '(':
        return parse_group(flags, depth);
      case '[':
        return parse_class();
      case '.': {
        ++pos_;
        Node n = leaf(Kind::Dot, ".");
        n.negated = true;
        n.set = flags.dot_nl ? Ranges{} : Ranges{{'\n', '\n'}};
        return n;
      }
      case '^':
      case '$':
        ++pos_;
        return leaf(Kind::Assert, source_from(start));
      case '\\':
        return parse_escape();
      case '*':
      case '+':
      case '?':
        fail("missing argument to repetition operator");
        return Node{};
      case '{':
        if (bounded_repeat()) {
          pos_ = start;
          fail("missing argument to repetition operator");
          return Node{};
        }
        break;
      default:
        break;
    }
    Node n = leaf(Kind::Literal, "");
    n.ch = decode_at(p_, pos_);
    n.raw = source_from(start);
    return n;
  }

  Node parse_group(Flags& flags, int depth) {
    const std::size_t start = pos_;
    if (depth >= kMaxDepth) {
      fail("groups nested too deeply");
      return Node{};
    }
    ++pos_;
    Flags inner = flags;
    if (peek() == '?') {
      ++pos_;
      if (peek() == 'P' || peek() == '<') {
        const std::size_t close = p_.find('>', pos_);
        if (close == std::string_view::npos) {
          fail("unterminated group name");
          return Node{};
        }
        pos_ = close + 1;
      } else {
        bool negate = false;
        while (!at_end()) {
          const char c = peek();
          if (c == 'i') inner.fold = !negate;
          else if (c == 's') inner.dot_nl = !negate;
          else if (c == 'm' || c == 'U') {}
          else if (c == '-' && !negate) negate = true;
          else break;
          ++pos_;
        }
        if (peek() == ')') {
          ++pos_;
          flags = inner;  // applies to the rest of the enclosing group
          return leaf(Kind::FlagSet, source_from(start));
        }
        if (peek() != ':') {
          fail("unsupported group syntax");
          return Node{};
        }
        ++pos_;
      }
    }
    Node g = leaf(Kind::Group, source_from(start));
    g.kids.push_back(parse_alternation(inner, depth + 1));
    if (!error_.empty()) return g;
    if (peek() != ')') {
      fail("missing )");
      return g;
    }
    ++pos_;
    return g;
  }

  // A character escape (`\x41`, `\x{263A}`, `\n`, `\.`) at the position; none (nothing
  // consumed) for any other escape.
  std::optional<char32_t> char_escape() {
    const char e = peek(1);
    auto simple = [&](char32_t c) {
      pos_ += 2;
      return std::optional<char32_t>(c);
    };
    switch (e) {
      case 'n': return simple('\n');
      case 't': return simple('\t');
      case 'r': return simple('\r');
      case 'f': return simple('\f');
      case 'v': return simple('\v');
      case 'a': return simple('\a');
      case 'x': {
        const bool braced = peek(2) == '{';
        const std::size_t begin = pos_ + (braced ? 3 : 2);
        const std::size_t end =
            braced ? p_.find('}', begin) : std::min(begin + 2, p_.size());
        if (end == std::string_view::npos || end == begin || end - begin > 8) return std::nullopt;
        if (!braced && end - begin != 2) return std::nullopt;
        char32_t value = 0;
        for (std::size_t k = begin; k < end; ++k) {
          const char h = p_[k];
          int d = -1;
          if (h >= '0' && h <= '9') d = h - '0';
          else if ((h | 0x20) >= 'a' && (h | 0x20) <= 'f') d = (h | 0x20) - 'a' + 10;
          if (d < 0) return std::nullopt;
          value = value * 16 + static_cast<char32_t>(d);
        }
        if (value > kMaxCode) return std::nullopt;
        pos_ = braced ? end + 1 : end;
        return value;
      }
      default:
        if (static_cast<unsigned char>(e) < 0x80 && e != '\0' &&
            !((e | 0x20) >= 'a' && (e | 0x20) <= 'z') && !(e >= '0' && e <= '9')) {
          return simple(static_cast<char32_t>(e));
        }
        return std::nullopt;
    }
  }

  // `\p{Greek}` or `\pL` style escapes: their source.
  void skip_property_escape() {
    pos_ += 2;
    if (peek() == '{') {
      const std::size_t close = p_.find('}', pos_);
      pos_ = close == std::string_view::npos ? p_.size() : close + 1;
    } else if (!at_end()) {
      pos_ += sequence_length(static_cast<unsigned char>(peek()));
      pos_ = std::min(pos_, p_.size());
    }
  }

  Node parse_escape() {
    const std::size_t start = pos_;
    const char e = peek(1);
    if (pos_ + 1 >= p_.size()) {
      fail("trailing \\");
      return Node{};
    }
    if (is_perl_class_letter(e)) {
      pos_ += 2;
      Node n = class_node((e & 0x20) == 0, perl_set(static_cast<char>(e | 0x20)));
      n.raw = source_from(start);
      return n;
    }
    if (e == 'b') {
      pos_ += 2;
      return leaf(Kind::WordBoundary, "\\b");
    }
    if (e == 'B') {
      fail("\\B is not supported");
      return Node{};
    }
    if (e == 'A' || e == 'z') {
      pos_ += 2;
      return leaf(Kind::Assert, source_from(start));
    }
    if (auto c = char_escape()) {
      Node n = leaf(Kind::Literal, source_from(start));
      n.ch = *c;
      return n;
    }
    if (e == 'p' || e == 'P') {
      skip_property_escape();
    } else {
      pos_ += 1 + sequence_length(static_cast<unsigned char>(e));
      pos_ = std::min(pos_, p_.size());
    }
    return leaf(Kind::Raw, source_from(start));  // left to the engine to accept or reject
  }

  // One member character of a bracket expression.
  std::optional<char32_t> class_char() {
    if (peek() == '\\') return char_escape();
    return decode_at(p_, pos_);
  }

  Node parse_class() {
    const std::size_t start = pos_;
    ++pos_;
    bool negated = false;
    if (peek() == '^') {
      negated = true;
      ++pos_;
    }
    Ranges members;
    bool known = true, perl = false, first = true;
    while (true) {
      if (at_end()) {
        fail("missing ]");
        return Node{};
      }
      if (peek() == ']' && !first) {
        ++pos_;
        break;
      }
      first = false;
      if (peek() == '[' && peek(1) == ':') {
        const std::size_t close = p_.find(":]", pos_ + 2);
        if (close == std::string_view::npos) {
          fail("missing ]");
          return Node{};
        }
        pos_ = close + 2;
        known = false;
        continue;
      }
      if (peek() == '\\' && is_perl_class_letter(peek(1))) {
        members = unite(members, perl_set(peek(1)));
        perl = true;
        pos_ += 2;
        continue;
      }
      if (peek() == '\\' && (peek(1) == 'p' || peek(1) == 'P')) {
        skip_property_escape();
        known = false;
        continue;
      }
      auto lo = class_char();
      if (!lo) {
        if (pos_ + 1 >= p_.size()) {
          fail("missing ]");
          return Node{};
        }
        pos_ += 2;
        known = false;
        continue;
      }
      char32_t hi = *lo;
      if (peek() == '-' && peek(1) != ']' && pos_ + 1 < p_.size()) {
        ++pos_;
        auto upper = class_char();
        if (!upper) {
          known = false;
          continue;
        }
        if (*upper < *lo) {
          fail("bad character class range");
          return Node{};
        }
        hi = *upper;
      }
      members.push_back({*lo, hi});
    }
    Node n = leaf(Kind::Class, source_from(start));
    n.negated = negated;
    if (known) n.set = normalized(std::move(members));
    if (perl) {
      if (!known) {
        fail("\\d, \\s or \\w beside a class that cannot be expanded");
        return Node{};
      }
      n.rebuild = true;
    }
    return n;
  }

  std::string_view p_;
  std::size_t pos_ = 0;
  std::string error_;
};

// ---------------------------------------------------------------------------------------
// Word-boundary rewriting. A \b at the very start of the expression (on every path) is
// "the character before is of the other kind than the first character matched", and one
// at the very end is "the next character is of the other kind than the last one". For an
// is-match test both can consume that neighbour, since nothing else constrains it.

enum class Side { None, Word, NonWord, Mixed, Unknown };

Side combine(Side a, Side b) {
  if (a == Side::None) return b;
  if (b == Side::None) return a;
  if (a == Side::Unknown || b == Side::Unknown) return Side::Unknown;
  return a == b ? a : Side::Mixed;
}

bool subset(const Ranges& a, const Ranges& b) { return subtract(a, b).empty(); }

// The kind of the characters a bracket expression (or the dot) can match. Under case
// folding the engine folds the members before negating; the word set is closed under
// folding and its complement holds no cased character, which keeps these tests exact or
// (for `Mixed`) merely conservative.
Side class_side(const Node& n) {
  if (!n.set) return Side::Unknown;
  if (!n.negated) {
    if (n.set->empty()) return Side::Unknown;
    if (subset(*n.set, word_set())) return Side::Word;
    if (intersect(*n.set, word_set()).empty()) return Side::NonWord;
    return Side::Mixed;
  }
  if (subset(non_word_set(), *n.set)) return Side::Word;
  if (subset(word_set(), *n.set)) return Side::NonWord;
  return Side::Mixed;
}

Side edge_side(const Node& n, bool first);

Side sequence_side(const std::vector<Node>& kids, bool first) {
  Side acc = Side::None;
  for (std::size_t k = 0; k < kids.size(); ++k) {
    const Node& kid = kids[first ? k : kids.size() - 1 - k];
    if (kid.kind == Kind::FlagSet) continue;
    if (kid.kind == Kind::Repeat && kid.nullable) {
      acc = combine(acc, edge_side(kid.kids[0], first));
      continue;
    }
    return combine(acc, edge_side(kid, first));
  }
  return Side::Unknown;  // the sequence can match the empty text
}

// The kind of the first (or last) character every match of `n` holds.
Side edge_side(const Node& n, bool first) {
  switch (n.kind) {
    case Kind::Literal: return is_word_char(n.ch) ? Side::Word : Side::NonWord;
    case Kind::Class:
    case Kind::Dot: return class_side(n);
    case Kind::Group: return edge_side(n.kids[0], first);
    case Kind::Concat: return sequence_side(n.kids, first);
    case Kind::Alternate: {
      Side acc = Side::None;
      for (const Node& kid : n.kids) acc = combine(acc, edge_side(kid, first));
      return acc;
    }
    case Kind::Repeat: return n.nullable ? Side::Unknown : edge_side(n.kids[0], first);
    default: return Side::Unknown;
  }
}

// What replaces a \b in front of (first) or after a character of the given kind.
std::string boundary_consumer(Side neighbour, bool before) {
  if (neighbour == Side::NonWord) return word_class();
  return before ? "(?:^|" + non_word_class() + ")" : "(?:" + non_word_class() + "|$)";
}

// The word and non-word members of a bracket expression as two bracket expressions; an
// empty part is absent.
std::pair<std::optional<Node>, std::optional<Node>> split_class(const Node& n) {
  std::optional<Node> word, non_word;
  if (!n.negated) {
    Ranges w = intersect(*n.set, word_set());
    Ranges nw = intersect(*n.set, non_word_set());
    if (!w.empty()) word = class_node(false, std::move(w));
    if (!nw.empty()) non_word = class_node(false, std::move(nw));
  } else {
    // [^S] ∩ word = [^ S ∪ non-word], [^S] ∖ word = [^ S ∪ word]; the engine folds S.
    Ranges w = unite(*n.set, non_word_set());
    Ranges nw = unite(*n.set, word_set());
    if (!complement(w).empty()) word = class_node(true, std::move(w));
    if (!complement(nw).empty()) non_word = class_node(true, std::move(nw));
  }
  return {std::move(word), std::move(non_word)};
}

// Rewrites `n` into `n` preceded (before) or followed by a \b, consuming the neighbour.
bool attach_boundary(Node& n, bool before) {
  const Side side = edge_side(n, before);
  if (side == Side::Unknown || side == Side::None) return false;
  if (side != Side::Mixed) {
    Node consumer = leaf(Kind::Raw, boundary_consumer(side, before));
    std::vector<Node> seq;
    if (before) seq.push_back(std::move(consumer));
    seq.push_back(std::move(n));
    if (!before) seq.push_back(std::move(consumer));
    n = group_of(std::move(seq));
    return true;
  }
  switch (n.kind) {
    case Kind::Group: return attach_boundary(n.kids[0], before);
    case Kind::Alternate: {
      // Alternatives of one kind share one consumer (the order of alternatives does not
      // change whether the expression matches); mixed ones take the boundary inside.
      Node word_alts, non_word_alts, out;
      word_alts.kind = non_word_alts.kind = out.kind = Kind::Alternate;
      for (Node& kid : n.kids) {
        const Side s = edge_side(kid, before);
        if (s == Side::Word) {
          word_alts.kids.push_back(std::move(kid));
        } else if (s == Side::NonWord) {
          non_word_alts.kids.push_back(std::move(kid));
        } else if (attach_boundary(kid, before)) {
          out.kids.push_back(std::move(kid));
        } else {
          return false;
        }
      }
      for (Node* alts : {&non_word_alts, &word_alts}) {
        if (alts->kids.empty()) continue;
        Node g = leaf(Kind::Group, "(?:");
        g.kids.push_back(std::move(*alts));
        if (!attach_boundary(g, before)) return false;
        out.kids.insert(out.kids.begin(), std::move(g));
      }
      n = std::move(out);
      return true;
    }
    case Kind::Concat: {
      for (std::size_t k = 0; k < n.kids.size(); ++k) {
        Node& kid = n.kids[before ? k : n.kids.size() - 1 - k];
        if (kid.kind == Kind::FlagSet) continue;
        if (kid.kind == Kind::Repeat && kid.nullable) return false;
        return attach_boundary(kid, before);
      }
      return false;
    }
    case Kind::Class:
    case Kind::Dot: {
      auto [word, non_word] = split_class(n);
      Node alt;
      alt.kind = Kind::Alternate;
      for (auto [part, kind] : {std::pair{&word, Side::Word}, std::pair{&non_word, Side::NonWord}}) {
        if (!*part) continue;
        Node consumer = leaf(Kind::Raw, boundary_consumer(kind, before));
        std::vector<Node> seq;
        if (before) seq.push_back(std::move(consumer));
        seq.push_back(std::move(**part));
        if (!before) seq.push_back(std::move(consumer));
        alt.kids.push_back(group_of(std::move(seq)));
      }
      if (alt.kids.empty()) return false;
      Node g = leaf(Kind::Group, "(?:");
      g.kids.push_back(std::move(alt));
      n = std::move(g);
      return true;
    }
    default:
      return false;
  }
}

// Rewrites the \b that stand first (at_start) or last on some path through the whole
// expression.
void rewrite_edge_boundaries(Node& n, bool at_start, bool& rewrote) {
  switch (n.kind) {
    case Kind::Alternate:
      for (Node& kid : n.kids) rewrite_edge_boundaries(kid, at_start, rewrote);
      return;
    case Kind::Group:
      rewrite_edge_boundaries(n.kids[0], at_start, rewrote);
      return;
    case Kind::Concat: {
      std::vector<std::size_t> order;  // kid indexes from the edge inwards, flags skipped
      for (std::size_t k = 0; k < n.kids.size(); ++k) {
        const std::size_t idx = at_start ? k : n.kids.size() - 1 - k;
        if (n.kids[idx].kind != Kind::FlagSet) order.push_back(idx);
      }
      if (order.empty()) return;
      Node& edge = n.kids[order[0]];
      if (edge.kind != Kind::WordBoundary) {
        if (edge.kind == Kind::Group) rewrite_edge_boundaries(edge, at_start, rewrote);
        return;
      }
      if (order.size() < 2) return;
      Node& neighbour = n.kids[order[1]];
      const Side side = edge_side(neighbour, at_start);
      if (side == Side::Word || side == Side::NonWord) {
        edge = leaf(Kind::Raw, boundary_consumer(side, at_start));
      } else if (side == Side::Mixed && attach_boundary(neighbour, at_start)) {
        n.kids.erase(n.kids.begin() + static_cast<std::ptrdiff_t>(order[0]));
      } else {
        return;
      }
      rewrote = true;
      return;
    }
    default:
      return;
  }
}

bool has_boundary(const Node& n) {
  if (n.kind == Kind::WordBoundary) return true;
  return std::any_of(n.kids.begin(), n.kids.end(), has_boundary);
}

void emit(const Node& n, std::string& out) {
  switch (n.kind) {
    case Kind::Class:
      out += n.rebuild ? emit_set(n.negated, *n.set) : n.raw;
      return;
    case Kind::Concat:
      for (const Node& kid : n.kids) emit(kid, out);
      return;
    case Kind::Alternate:
      for (std::size_t k = 0; k < n.kids.size(); ++k) {
        if (k) out += '|';
        emit(n.kids[k], out);
      }
      return;
    case Kind::Group:
      out += n.raw;
      emit(n.kids[0], out);
      out += ')';
      return;
    case Kind::Repeat:
      emit(n.kids[0], out);
      out += n.raw;
      return;
    default:
      out += n.raw;
      return;
  }
}

}  // namespace

Expected<Translation, std::string> translate(std::string_view pattern) {
  if (!is_utf8(pattern)) return Unexpected{std::string("the pattern is not valid UTF-8")};
  Expected<Node, std::string> root = Parser(pattern).parse();
  if (!root) return Unexpected{std::move(root).error()};
  Translation out;
  if (has_boundary(*root)) {
    rewrite_edge_boundaries(*root, true, out.is_match_only);
    rewrite_edge_boundaries(*root, false, out.is_match_only);
    if (has_boundary(*root)) {
      return Unexpected{std::string(
          "a \\b that cannot be translated exactly (only one next to the start or the end of "
          "the expression is supported)")};
    }
  }
  emit(*root, out.pattern);
  return out;
}

}  // namespace sorvane::text::regex_translate
