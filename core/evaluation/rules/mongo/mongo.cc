#include "core/evaluation/rules/mongo/mongo.h"

#include <cstdint>
#include <optional>

#include "core/evaluation/rules/pattern_rule.h"

namespace sorvane::evaluation::rules::mongo {

const std::array<match_engine::ProtoPattern, 2> MONGO_PATTERNS = {{
    {.required_all = match_engine::chars(U"|"),
     .required_any = match_engine::chars(U"'\"`"),
     .excluded_contexts = std::nullopt,
     .id = "TRUE-CLAUSE-1",
     .regex = R"re(||)re",
     .min_len = 7,
     .level = 1},
    {.required_all = match_engine::chars(U"()"),
     .required_any = std::nullopt,
     .excluded_contexts = std::nullopt,
     .id = "MONGO-SLEEP",
     .regex = R"re((?s)sleep\s*\(\s*(?:(?:(0x|0b)?[\da-fA-F]+|Infinity|Number.MAX_SAFE_INTEGER|Number.MIN_SAFE_INTEGER)\s*([+\-/*])?\s*)+\))re",
     .min_len = 7,
     .level = 1},
}};

// Every finding of this rule weighs the same, whatever matched.
double score(const std::vector<PatternMatch>&) { return 10.0; }

}  // namespace sorvane::evaluation::rules::mongo
