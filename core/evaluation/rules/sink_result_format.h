// The debug forms of the sink checks' answers, for fmt: a result as
// "<Name> { start_index: .., end_index: .., boundary_overrun_index: .., input_boundary_index: .. }",
// an optional one as "None" or "Some(<result>)".
#pragma once

#include <optional>
#include <string_view>

#include <fmt/format.h>

namespace sorvane::evaluation::rules {

// `Result` has the four index fields; `Name` is its type name as shown.
template <class Result, const char* Name>
struct SinkResultFormatter : fmt::formatter<std::string_view> {
  auto format(const Result& r, fmt::format_context& ctx) const {
    return fmt::format_to(ctx.out(),
                          "{} {{ start_index: {}, end_index: {}, boundary_overrun_index: {}, "
                          "input_boundary_index: {} }}",
                          Name, r.start_index, r.end_index, r.boundary_overrun_index,
                          r.input_boundary_index);
  }
};

template <class Result>
struct OptionalSinkResultFormatter : fmt::formatter<std::string_view> {
  auto format(const std::optional<Result>& r, fmt::format_context& ctx) const {
    if (!r) return fmt::format_to(ctx.out(), "None");
    return fmt::format_to(ctx.out(), "Some({})", *r);
  }
};

}  // namespace sorvane::evaluation::rules
