#include "core/evaluation/rules/reflected_xss/sink_checks_inputs.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace sorvane::evaluation::rules::reflected_xss::sink_checks {

namespace {
// Nodes over at most this many inputs list their distinct keys when split.
constexpr std::size_t kSmallRange = 64;
}  // namespace

InputMatcher::InputMatcher(std::span<const UserInput> inputs) {
  build(inputs.size(), [&](std::size_t i) { return std::string_view(inputs[i].value); });
  for (std::size_t i = 0; i < inputs.size(); ++i) progress_[i] = inputs[i].progress;
  resume();
}

InputMatcher::InputMatcher(std::span<const std::string_view> values) {
  build(values.size(), [&](std::size_t i) { return values[i]; });
  resume();
}

// Copies the values into one buffer and splits the root.
template <class ValueAt>
void InputMatcher::build(std::size_t count, ValueAt value_at) {
  std::memset(pairs_, 0, sizeof pairs_);
  std::fill(std::begin(root_kids_), std::end(root_kids_), kRoot);
  progress_.assign(count, 0);
  if (count == 0) return;
  order_.reserve(count);
  values_.reserve(count);
  std::size_t total = 0;
  for (std::size_t i = 0; i < count; ++i) total += value_at(i).size();
  // Words are read 8 bytes at a time, also at a value's end.
  text_.resize(total + 8);
  total = 0;
  for (std::size_t i = 0; i < count; ++i) {
    const std::string_view value = value_at(i);
    if (!value.empty()) std::memcpy(text_.data() + total, value.data(), value.size());
    values_.emplace_back(text_.data() + total, value.size());
    if (value.empty()) continue;
    total += value.size();
    order_.push_back({0, value.size(), i});
    const unsigned first = byte_at(i, 0);
    if (value.size() == 1) {
      for (unsigned second = 0; second < 256; second += 64) {
        pairs_[(first << 8 | second) >> 6] = ~0ull;
      }
    } else {
      const unsigned pair = first << 8 | byte_at(i, 1);
      pairs_[pair >> 6] |= std::uint64_t{1} << (pair & 63);
    }
  }
  for (Entry& e : order_) e.word = word_at(e.index, 0);
  nodes_.reserve(64);
  last_.reserve(64);
  pair_.reserve(64);
  add_node(0, 0, order_.size(), 0, kRoot, 0);
  nodes_[kRoot].fail = kRoot;
  nodes_[kRoot].out = kNoMatch;
  expand(kRoot);
  for (std::size_t k = 0; k < nodes_[kRoot].kid_count; ++k) {
    const Kid& kid = kids_[nodes_[kRoot].kids + k];
    root_kids_[kid.byte] = kid.node;
    nodes_[kid.node].fail = kRoot;
    nodes_[kid.node].out = nodes_[kid.node].terminal_min;
  }
}

void InputMatcher::resume() {
  std::size_t resume = kNoMatch;
  for (std::size_t i = 0; i < progress_.size(); ++i) {
    // A progress that does not fit its value cannot come from a scan; start over.
    if (progress_[i] >= values_[i].size()) progress_[i] = 0;
    if (progress_[i] > 0 && (resume == kNoMatch || progress_[i] > progress_[resume])) resume = i;
  }
  state_ = kRoot;
  moved_ = false;
  all_dirty_ = true;
  if (resume != kNoMatch) walk_to(resume);
  stored_state_ = state_;
}

// Walks down the leading part of `input` that its progress claims; every node on the way
// gets its fail link, parents first.
void InputMatcher::walk_to(std::size_t input) {
  std::size_t s = kRoot;
  for (std::size_t d = 0; d < progress_[input]; ++d) {
    s = child(s, byte_at(input, d));
    ensure_fail(s);
  }
  state_ = s;
  stored_state_ = s;
}

std::size_t InputMatcher::memory() const {
  auto bytes = [](const auto& v) { return v.capacity() * sizeof(v[0]); };
  return sizeof *this + bytes(text_) + bytes(values_) + bytes(progress_) + bytes(order_) + bytes(moved_entries_) +
         bytes(keys_) + bytes(distinct_) + bytes(nodes_) + bytes(last_) + bytes(pair_) + bytes(kids_) + bytes(scratch_) +
         bytes(pending_) + bytes(cache_) + bytes(written_);
}

std::size_t InputMatcher::add_node(std::size_t begin, std::size_t terminal_end, std::size_t end,
                                   std::size_t depth, std::size_t parent, std::uint8_t byte) {
  Node n;
  n.begin = begin;
  n.terminal_end = terminal_end;
  n.end = end;
  n.depth = depth;
  n.parent = parent;
  n.byte = byte;
  for (std::size_t k = begin; k < terminal_end; ++k) {
    n.terminal_min = std::min(n.terminal_min, order_[k].index);
  }
  nodes_.push_back(n);
  last_.push_back(0);
  pair_.push_back(0);
  return nodes_.size() - 1;
}

// Splits the node's non-terminal inputs by their byte at the node's depth into its kids,
// the inputs that end right after that byte first in each kid: a stable counting sort on
// the key (byte << 1 | does not end after it). Each entry carries the eight bytes of its
// value from the depth rounded down to a multiple of 8.
void InputMatcher::expand(std::size_t u) {
  const std::size_t begin = nodes_[u].terminal_end;
  const std::size_t end = nodes_[u].end;
  const std::size_t d = nodes_[u].depth;
  const std::size_t r = end - begin;
  Entry* entries = order_.data() + begin;
  if (d % 8 == 0 && d > 0) {
    for (std::size_t k = 0; k < r; ++k) entries[k].word = word_at(entries[k].index, d);
  }
  const unsigned shift = 8 * (d % 8);
  if (const std::size_t run = shared_run(entries, r, d); run >= 2) {
    // The nodes along the run have one kid each and the inputs of `u`: they are made at
    // once, and the last one is split when the scan reaches it.
    const std::uint64_t word = entries[0].word >> shift;
    std::size_t parent = u;
    for (std::size_t j = 0; j < run; ++j) {
      const auto b = static_cast<std::uint8_t>(word >> (8 * j));
      const std::size_t v = add_node(begin, begin, end, d + j + 1, parent, b);
      nodes_[parent].kids = kids_.size();
      nodes_[parent].kid_count = 1;
      kids_.push_back({b, v});
      parent = v;
    }
    return;
  }
  keys_.resize(r);
  bool sorted = true;
  for (std::size_t k = 0; k < r; ++k) {
    keys_[k] = static_cast<std::uint16_t>(((entries[k].word >> shift) & 0xFF) << 1 |
                                          (entries[k].size != d + 1));
    sorted = sorted && (k == 0 || keys_[k] >= keys_[k - 1]);
  }
  if (!sorted) {
    // Where each key's entries go. A small node seldom has many kids: its distinct keys
    // are listed rather than counted in a table of all keys.
    std::size_t offset[512];
    if (r <= kSmallRange) {
      distinct_.clear();
      for (std::uint16_t key : keys_) {
        auto it = std::find_if(distinct_.begin(), distinct_.end(),
                               [&](const auto& k) { return k.first == key; });
        if (it == distinct_.end()) distinct_.push_back({key, 1});
        else ++it->second;
      }
      std::sort(distinct_.begin(), distinct_.end());
      for (std::size_t at = 0; const auto& [key, count] : distinct_) {
        offset[key] = at;
        at += count;
      }
    } else {
      std::size_t count[512] = {};
      for (std::uint16_t key : keys_) ++count[key];
      for (std::size_t key = 0, at = 0; key < 512; ++key) {
        offset[key] = at;
        at += count[key];
      }
    }
    moved_entries_.resize(r);
    scratch_.resize(r);
    for (std::size_t k = 0; k < r; ++k) {
      const std::size_t to = offset[keys_[k]]++;
      moved_entries_[to] = entries[k];
      scratch_[to] = keys_[k];
    }
    if (r == order_.size()) {
      order_.swap(moved_entries_);  // the root: the whole array
    } else {
      std::copy(moved_entries_.begin(), moved_entries_.end(), entries);
    }
    keys_.swap(scratch_);
  }
  const std::size_t kids = kids_.size();
  std::size_t k = 0;
  while (k < r) {
    const auto b = static_cast<std::uint8_t>(keys_[k] >> 1);
    std::size_t terminal = k;
    while (terminal < r && keys_[terminal] == b << 1) ++terminal;
    std::size_t run = terminal;
    while (run < r && keys_[run] >> 1 == b) ++run;
    kids_.push_back({b, add_node(begin + k, begin + terminal, begin + run, d + 1, u, b)});
    k = run;
  }
  nodes_[u].kids = kids;
  nodes_[u].kid_count = kids_.size() - kids;
}

// How many bytes from depth `d` on all `r` entries share while none of them ends within
// those bytes or right after them, counted within the entries' current word; 0 when that is
// fewer than two. Entries' words hold bytes of other values past a value's end; the bound
// by the shortest value keeps those out.
std::size_t InputMatcher::shared_run(const Entry* entries, std::size_t r, std::size_t d) {
  const std::size_t in_word = 8 - d % 8;
  if (r == 0 || in_word < 2) return 0;
  const unsigned shift = 8 * (d % 8);
  const std::uint64_t first = entries[0].word;
  std::uint64_t diff = 0;
  std::size_t shortest = entries[0].size;
  for (std::size_t k = 1; k < r; ++k) {
    diff |= (entries[k].word ^ first) >> shift;
    if (diff & 0xFFFF) return 0;
    shortest = std::min(shortest, entries[k].size);
  }
  const std::size_t common =
      diff == 0 ? in_word : static_cast<std::size_t>(std::countr_zero(diff)) / 8;
  const std::size_t run = std::min(common, shortest - d - 1);
  return run >= 2 ? run : 0;
}

std::size_t InputMatcher::child(std::size_t u, std::uint8_t c) {
  if (nodes_[u].kids == kUnexpanded) expand(u);
  const Kid* first = kids_.data() + nodes_[u].kids;
  const Kid* last = first + nodes_[u].kid_count;
  const Kid* it =
      std::lower_bound(first, last, c, [](const Kid& k, std::uint8_t b) { return k.byte < b; });
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

std::size_t InputMatcher::feed_slow(std::uint8_t c) {
  const std::size_t from = state_;
  state_ = next(from, c);
  const std::size_t out = state_ == kRoot ? kNoMatch : out_of(state_);
  remember(from, c, state_, out != kNoMatch);
  if (from < kCachedNodes && state_ < kCachedNodes) {
    // Key 0 (the root and byte 0) is never looked up, so it marks an empty slot.
    if (cache_.empty()) {
      // Room for a few transitions per byte of the values (into a node and out of it).
      std::size_t slots = 4096;
      while (slots < (std::size_t{1} << kCacheBits) && slots < 4 * text_.size()) slots *= 2;
      cache_.assign(slots, Step{0, 0});
      cache_mask_ = static_cast<std::uint32_t>(slots - 2);
    }
    const std::size_t first = (node_hash(from) ^ byte_hash(c)) & cache_mask_;
    cache_[first + 1] = cache_[first];
    cache_[first] = Step{static_cast<std::uint32_t>(from << 8 | c),
                         static_cast<std::uint32_t>(state_ << kNodeShift |
                                                    (node_hash(state_) & cache_mask_) << 1 |
                                                    (out != kNoMatch))};
  }
  return out;
}

}  // namespace sorvane::evaluation::rules::reflected_xss::sink_checks
