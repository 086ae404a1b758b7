#include "core/evaluation/rules/reflected_xss/sink_checks_inputs.h"

#include <algorithm>
#include <cstring>

namespace sorvane::evaluation::rules::reflected_xss::sink_checks {

namespace {
// Ranges up to this size are split by sorting, larger ones by counting.
constexpr std::size_t kSmallRange = 32;
}  // namespace

InputMatcher::InputMatcher(std::span<UserInput> inputs) : inputs_(inputs) {
  std::memset(pairs_, 0, sizeof pairs_);
  std::fill(std::begin(root_kids_), std::end(root_kids_), kRoot);
  if (inputs_.empty()) return;
  order_.reserve(inputs_.size());
  std::size_t resume = kNoMatch;
  for (std::size_t i = 0; i < inputs_.size(); ++i) {
    UserInput& in = inputs_[i];
    // A progress that does not fit its value cannot come from a scan; start over.
    if (in.progress >= in.value.size()) in.progress = 0;
    if (in.value.empty()) continue;
    order_.push_back(i);
    const unsigned first = byte_at(i, 0);
    if (in.value.size() == 1) {
      for (unsigned second = 0; second < 256; second += 64) pairs_[(first << 8 | second) >> 6] = ~0ull;
    } else {
      const unsigned pair = first << 8 | byte_at(i, 1);
      pairs_[pair >> 6] |= std::uint64_t{1} << (pair & 63);
    }
    if (in.progress > 0 && (resume == kNoMatch || in.progress > inputs_[resume].progress)) resume = i;
  }
  nodes_.reserve(64);
  add_node(0, order_.size(), 0, kRoot, 0);
  nodes_[kRoot].fail = kRoot;
  nodes_[kRoot].out = kNoMatch;
  expand(kRoot);
  for (std::size_t k = 0; k < nodes_[kRoot].kid_count; ++k) {
    const Kid& kid = kids_[nodes_[kRoot].kids + k];
    root_kids_[kid.byte] = kid.node;
    nodes_[kid.node].fail = kRoot;
  }
  if (resume == kNoMatch) return;
  // Walk down the resumed input's leading part; every node on the way gets its fail link,
  // parents first.
  std::size_t s = kRoot;
  for (std::size_t d = 0; d < inputs_[resume].progress; ++d) {
    s = child(s, byte_at(resume, d));
    ensure_fail(s);
  }
  state_ = s;
}

std::size_t InputMatcher::add_node(std::size_t begin, std::size_t end, std::size_t depth,
                                   std::size_t parent, std::uint8_t byte) {
  // The inputs whose value ends at this node go first.
  const auto terminal = std::partition(order_.begin() + static_cast<std::ptrdiff_t>(begin),
                                       order_.begin() + static_cast<std::ptrdiff_t>(end),
                                       [&](std::size_t i) { return inputs_[i].value.size() == depth; });
  Node n;
  n.begin = begin;
  n.terminal_end = static_cast<std::size_t>(terminal - order_.begin());
  n.end = end;
  n.depth = depth;
  n.parent = parent;
  n.byte = byte;
  for (std::size_t k = begin; k < n.terminal_end; ++k) n.terminal_min = std::min(n.terminal_min, order_[k]);
  nodes_.push_back(n);
  return nodes_.size() - 1;
}

// Splits the node's non-terminal inputs by their byte at the node's depth into its kids.
void InputMatcher::expand(std::size_t u) {
  const std::size_t begin = nodes_[u].terminal_end;
  const std::size_t end = nodes_[u].end;
  const std::size_t d = nodes_[u].depth;
  auto first = order_.begin() + static_cast<std::ptrdiff_t>(begin);
  auto last = order_.begin() + static_cast<std::ptrdiff_t>(end);
  if (end - begin <= kSmallRange) {
    std::sort(first, last, [&](std::size_t a, std::size_t b) { return byte_at(a, d) < byte_at(b, d); });
  } else {
    std::size_t count[257] = {};
    for (auto it = first; it != last; ++it) ++count[byte_at(*it, d) + 1];
    for (std::size_t b = 1; b <= 256; ++b) count[b] += count[b - 1];
    scratch_.resize(end - begin);
    for (auto it = first; it != last; ++it) scratch_[count[byte_at(*it, d)]++] = *it;
    std::copy(scratch_.begin(), scratch_.end(), first);
  }
  const std::size_t kids = kids_.size();
  std::size_t k = begin;
  while (k < end) {
    const std::uint8_t b = byte_at(order_[k], d);
    std::size_t run = k + 1;
    while (run < end && byte_at(order_[run], d) == b) ++run;
    kids_.push_back({b, add_node(k, run, d + 1, u, b)});
    k = run;
  }
  nodes_[u].kids = kids;
  nodes_[u].kid_count = kids_.size() - kids;
}

std::size_t InputMatcher::child(std::size_t u, std::uint8_t c) {
  if (nodes_[u].kids == kUnexpanded) expand(u);
  const Kid* first = kids_.data() + nodes_[u].kids;
  const Kid* last = first + nodes_[u].kid_count;
  const Kid* it = std::lower_bound(first, last, c, [](const Kid& k, std::uint8_t b) { return k.byte < b; });
  return it != last && it->byte == c ? it->node : kUnknown;
}

std::size_t InputMatcher::next(std::size_t s, std::uint8_t c) {
  for (;;) {
    if (s == kRoot) return root_kids_[c];
    const std::size_t k = child(s, c);
    if (k != kUnknown) {
      ensure_fail(k);
      return k;
    }
    s = nodes_[s].fail;
  }
}

// Sets the fail link of `v`, whose parent has one. The link is the node reached from the
// parent's link by v's byte; when that node lacks a link of its own it is done first.
void InputMatcher::ensure_fail(std::size_t v) {
  if (nodes_[v].fail != kUnknown) return;
  pending_.clear();
  pending_.push_back(v);
  while (!pending_.empty()) {
    const std::size_t w = pending_.back();
    const std::size_t parent = nodes_[w].parent;
    const std::uint8_t c = nodes_[w].byte;
    std::size_t target = kRoot;
    if (parent != kRoot) {
      for (std::size_t x = nodes_[parent].fail;; x = nodes_[x].fail) {
        if (x == kRoot) {
          target = root_kids_[c];
          break;
        }
        const std::size_t k = child(x, c);
        if (k != kUnknown) {
          target = k;
          break;
        }
      }
    }
    if (target != kRoot && nodes_[target].fail == kUnknown) {
      pending_.push_back(target);  // shallower than w
      continue;
    }
    nodes_[w].fail = target;
    pending_.pop_back();
  }
}

// The smallest list index among the inputs whose value ends the text of `v`.
std::size_t InputMatcher::out_of(std::size_t v) {
  if (nodes_[v].out != kUnknown) return nodes_[v].out;
  pending_.clear();
  std::size_t x = v;
  while (nodes_[x].out == kUnknown) {
    pending_.push_back(x);
    x = nodes_[x].fail;
  }
  std::size_t out = nodes_[x].out;
  for (auto it = pending_.rbegin(); it != pending_.rend(); ++it) {
    out = std::min(out, nodes_[*it].terminal_min);
    nodes_[*it].out = out;
  }
  return out;
}

std::size_t InputMatcher::feed(std::uint8_t c) {
  moved_ = true;
  state_ = next(state_, c);
  return state_ == kRoot ? kNoMatch : out_of(state_);
}

// An input's progress is the depth of the deepest node on the current node's suffix chain
// whose text starts the input's value: the inputs under the nodes of the chain, deeper
// nodes overriding shallower ones.
void InputMatcher::store_progress() {
  if (!moved_) return;
  for (UserInput& in : inputs_) in.progress = 0;
  pending_.clear();
  for (std::size_t x = state_; x != kRoot; x = nodes_[x].fail) pending_.push_back(x);
  for (auto it = pending_.rbegin(); it != pending_.rend(); ++it) {
    const Node& n = nodes_[*it];
    // Terminal inputs would have matched; none lie on the chain after a scan.
    for (std::size_t k = n.terminal_end; k < n.end; ++k) inputs_[order_[k]].progress = n.depth;
  }
  moved_ = false;
}

}  // namespace sorvane::evaluation::rules::reflected_xss::sink_checks
