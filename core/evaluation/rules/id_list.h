// The pattern identifiers of one finding, in report order: the first few held inline, so
// that a finding (most have one or two) allocates nothing; more go to the heap.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <initializer_list>
#include <span>
#include <string_view>
#include <utility>
#include <vector>

namespace sorvane::evaluation::rules {

class IdList {
 public:
  static constexpr std::size_t kInline = 2;

  IdList() = default;
  IdList(std::initializer_list<std::string_view> ids) {
    for (std::string_view id : ids) push_back(id);
  }
  IdList(const IdList&) = default;
  IdList& operator=(const IdList&) = default;
  // A list moved from is empty.
  IdList(IdList&& other) noexcept
      : size_(std::exchange(other.size_, 0)), inline_(other.inline_),
        spilled_(std::move(other.spilled_)) {}
  IdList& operator=(IdList&& other) noexcept {
    if (this != &other) {
      size_ = std::exchange(other.size_, 0);
      inline_ = other.inline_;
      spilled_ = std::move(other.spilled_);
    }
    return *this;
  }

  void push_back(std::string_view id) {
    if (size_ < kInline) {
      inline_[size_++] = id;
      return;
    }
    // Past the inline ones, the heap list holds every identifier.
    if (size_ == kInline) spilled_.assign(inline_.begin(), inline_.end());
    spilled_.push_back(id);
    ++size_;
  }

  const std::string_view* data() const {
    return size_ <= kInline ? inline_.data() : spilled_.data();
  }
  std::size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  const std::string_view* begin() const { return data(); }
  const std::string_view* end() const { return data() + size_; }
  const std::string_view& operator[](std::size_t i) const { return data()[i]; }
  const std::string_view& front() const { return data()[0]; }
  const std::string_view& back() const { return data()[size_ - 1]; }

  // The same identifiers as a plain list (the heap list itself when it holds them).
  operator std::vector<std::string_view>() const& { return {begin(), end()}; }
  operator std::vector<std::string_view>() && {
    if (size_ > kInline) {
      size_ = 0;
      return std::move(spilled_);
    }
    std::vector<std::string_view> ids(begin(), end());
    size_ = 0;
    return ids;
  }

  bool operator==(const IdList& other) const {
    return std::equal(begin(), end(), other.begin(), other.end());
  }
  friend bool operator==(const IdList& list, std::span<const std::string_view> ids) {
    return std::equal(list.begin(), list.end(), ids.begin(), ids.end());
  }

 private:
  std::size_t size_ = 0;
  std::array<std::string_view, kInline> inline_{};
  std::vector<std::string_view> spilled_;  // every identifier once there are more than kInline
};

}  // namespace sorvane::evaluation::rules
