// Tracked inputs kept from one chunk of a scan to the next. A chunked scan hands its inputs
// over in their byte form on every call; rebuilding their matcher each time costs more than
// scanning a chunk once the list is long. The cache keeps, for a few recent input lists,
// the decoded inputs, their matcher (with the parts of the automaton built so far) and the
// byte form last written for them. A call whose bytes hold the same values, compared
// exactly, resumes that matcher from the progress values in the bytes; the answers and the
// bytes written are the ones a fresh decode and matcher would give.
//
// The owner keeps one cache per thread of JavaScript (nothing here is shared or locked).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "core/evaluation/rules/reflected_xss/sink_checks.h"
#include "core/evaluation/rules/reflected_xss/sink_checks_codec.h"

namespace sorvane::evaluation::rules::reflected_xss::sink_checks {

class InputsCache {
  struct Entry;

 public:
  // At most this many input lists, holding at most this many bytes together (an entry
  // larger than that is used for its call and dropped).
  static constexpr std::size_t kMaxEntries = 8;
  static constexpr std::size_t kMaxMemory = std::size_t{16} << 20;

  // The inputs of one call, taken out of the cache while the call uses them (a call that
  // starts meanwhile does not see them) and put back, most recent first, when it ends.
  class Lease {
   public:
    Lease(Lease&&) noexcept;
    Lease& operator=(Lease&&) = delete;
    ~Lease();

    bool empty() const;
    // Scans one chunk as has_vulnerability does. After a scan without a match, bytes()
    // holds the inputs' new byte form; after a match the inputs keep their old one.
    std::optional<SinkMatch> scan(std::string_view chunk, XssState& state);
    std::span<const std::uint8_t> bytes() const;
    std::span<const std::string_view> values() const;

   private:
    friend class InputsCache;
    Lease(InputsCache& cache, std::unique_ptr<Entry> entry);
    InputsCache* cache_;
    std::unique_ptr<Entry> entry_;
  };

  InputsCache();
  ~InputsCache();
  InputsCache(const InputsCache&) = delete;
  InputsCache& operator=(const InputsCache&) = delete;

  // The inputs held in `bytes`, or the description of why they do not decode (the one
  // deserialize_inputs gives).
  Decoded<Lease> open(std::span<const std::uint8_t> bytes);
  // A new list of values (each progress 0, copied), which the first chunk of its scan then
  // finds as if decoded from the bytes of the lease. The values must be valid UTF-8 (the
  // caller has checked them); a list that would not decode from its bytes otherwise (an
  // empty value) is not kept.
  Lease adopt(std::span<const std::string_view> values);

  // The input lists held (not counting those leased).
  std::size_t size() const { return entries_.size(); }

 private:
  void give_back(std::unique_ptr<Entry> entry) noexcept;

  std::vector<std::unique_ptr<Entry>> entries_;  // the most recently used first
};

}  // namespace sorvane::evaluation::rules::reflected_xss::sink_checks
