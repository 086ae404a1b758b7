// The output frame shared by the input decoders: copies the input around each decoded item
// and allocates only once something is decoded.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace sorvane::evaluation::rules::reflected_xss {

class Rewriter {
 public:
  explicit Rewriter(std::string_view input) : input_(input) {}

  // Where the copied input ends: items before it are already rewritten.
  std::size_t last() const { return last_; }

  // Replaces the input bytes [start, end) by `replacement`; start must not lie before last().
  void replace(std::size_t start, std::size_t end, std::string_view replacement) {
    if (!out_) {
      out_.emplace();
      out_->reserve(input_.size());
    }
    out_->append(input_.substr(last_, start - last_));
    out_->append(replacement);
    last_ = end;
  }

  // The rewritten text, or none when nothing was replaced.
  std::optional<std::string> finish() && {
    if (out_) out_->append(input_.substr(last_));
    return std::move(out_);
  }

 private:
  std::string_view input_;
  std::optional<std::string> out_;
  std::size_t last_ = 0;
};

}  // namespace sorvane::evaluation::rules::reflected_xss
