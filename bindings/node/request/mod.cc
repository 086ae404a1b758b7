#include "bindings/node/request/mod.h"

#include <algorithm>
#include <cstdint>
#include <string>

#include <fmt/format.h>

#include "bindings/node/string_lists.h"
#include "bindings/node/support/text_view.h"
#include "core/evaluation/input_analysis/input.h"
#include "core/evaluation/rules/mongo/query_type.h"

namespace bindings::node::request {
namespace {

namespace input = sorvane::evaluation::input_analysis::input;
using napi::ValueType;

constexpr std::uint64_t kAllRules = 1023;

// Elements reserved up front for a pair list.
constexpr std::uint32_t kTypicalPairListLength = 64;

// An array of strings, in order.
template <class Strings>
napi::Result<napi_value> make_string_array(napi_env env, const Strings& strings) {
  BINDING_ASSIGN(napi_value array, napi::create_array(env, strings.size()));
  std::uint32_t index = 0;
  for (const auto& text : strings) {
    BINDING_ASSIGN(napi_value element, napi::create_string(env, text));
    BINDING_TRY(napi::set_element(env, array, index++, element));
  }
  return array;
}

// The same bytes at the same place.
bool same_place(std::string_view a, std::string_view b) {
  return a.data() == b.data() && a.size() == b.size();
}

napi::Status set_named_string(napi_env env, napi_value object, const char* name,
                              std::string_view text) {
  BINDING_ASSIGN(napi_value value, napi::create_string(env, text));
  return napi::set_named(env, object, name, value);
}

}  // namespace

napi::Result<std::size_t> copy_jsunknown_rules_to_slice(napi_env env, napi_value value,
                                                         RuleSlots& slots) {
  BINDING_ASSIGN(ValueType type, napi::type_of(env, value));
  if (type != ValueType::Number) return support::invalid_arg("rules must be a number");
  BINDING_ASSIGN(std::int64_t number, napi::get_value_int64(env, value));
  const auto mask = static_cast<std::uint64_t>(number);
  std::size_t count = 0;
  if (mask <= kAllRules) {
    for (unsigned bit = 0; bit < sorvane::evaluation::rules::kRuleCount; ++bit) {
      const auto rule = static_cast<RuleType>(1u << bit);
      if ((mask & rule) != 0) slots[count++] = rule;
    }
  }
  if (count == 0) return support::invalid_arg(fmt::format("invalid rule mask {}", mask));
  return count;
}

napi::Result<RuleList> read_rules(napi_env env, napi_value value) {
  RuleList list;
  BINDING_ASSIGN(list.count, copy_jsunknown_rules_to_slice(env, value, list.slots));
  return list;
}

napi::Status populate_eval_options(napi_env env, napi_value value, bool& prefer_worth_watching) {
  BINDING_ASSIGN(bool present, napi::has_named(env, value, "preferWorthWatching"));
  if (!present) return {};
  BINDING_ASSIGN(napi_value option, napi::get_named(env, value, "preferWorthWatching"));
  BINDING_ASSIGN(napi_value truthy, napi::coerce_to_bool(env, option));
  BINDING_ASSIGN(prefer_worth_watching, napi::get_value_bool(env, truthy));
  return {};
}

napi::Result<napi_value> make_js_findings(napi_env env, const std::vector<Finding>& findings) {
  BINDING_ASSIGN(napi_value array, napi::create_array(env, findings.size()));
  BINDING_ASSIGN(napi_value rule_id_key, napi::create_string(env, "ruleId"));
  BINDING_ASSIGN(napi_value score_key, napi::create_string(env, "score"));
  std::uint32_t index = 0;
  for (const Finding& finding : findings) {
    BINDING_ASSIGN(napi_value object, napi::create_object(env));
    BINDING_ASSIGN(napi_value rule_id,
                   napi::create_string(env, sorvane::evaluation::rules::rule_name(finding.rule)));
    BINDING_TRY(napi::set_property(env, object, rule_id_key, rule_id));
    BINDING_ASSIGN(napi_value score, napi::create_double(env, finding.score));
    BINDING_TRY(napi::set_property(env, object, score_key, score));
    BINDING_ASSIGN(napi_value ids, make_string_array(env, finding.ids));
    BINDING_TRY(napi::set_named(env, object, "idsList", ids));
    BINDING_TRY(napi::set_element(env, array, index++, object));
  }
  return array;
}

napi::Result<napi_value> findings_or_undefined(napi_env env,
                                               const std::vector<Finding>& findings) {
  if (findings.empty()) return napi::get_undefined(env);
  return make_js_findings(env, findings);
}

const PairViews& views_of(const TextBuffer& texts, const TextList& list, PairViews& views) {
  views.clear();
  views.reserve(list.size());
  for (const TextBuffer::Text text : list) views.push_back(texts.view(text));
  return views;
}

napi::Result<TextList> convert_string_array(napi_env env, napi_value value, ValueType type,
                                            const char* name, TextBuffer& texts) {
  if (type != ValueType::Object) return support::type_mismatch_error(ValueType::Object, type);
  // The length read tells an array from another object.
  auto length_read = napi::get_array_length(env, value);
  if (!length_read) {
    if (length_read.error().status != support::BindingStatus::ArrayExpected) {
      return std::move(length_read).error();
    }
    return support::invalid_arg(fmt::format("{} must be an array", name));
  }
  const std::uint32_t length = *length_read;
  if (length % 2 != 0) {
    return support::invalid_arg(
        fmt::format("{} must have an even length, not {}", name, length));
  }
  TextList list;
  // The length comes from the caller (a sparse array may claim four billion elements):
  // reserve for a typical list only and grow with what is actually read.
  list.reserve(std::min<std::uint32_t>(length, kTypicalPairListLength));
  BINDING_TRY(string_lists::read(env, value, length, texts, list));
  return list;
}

napi::Result<TextList> convert_string_array_prop(napi_env env, napi_value object,
                                                 const char* name, TextBuffer& texts) {
  BINDING_ASSIGN(napi_value value, napi::get_named(env, object, name));
  BINDING_ASSIGN(ValueType type, napi::type_of(env, value));
  return convert_string_array(env, value, type, name, texts);
}

namespace {

template <class Text>
void add_pairs(std::span<const Text> pairs, std::span<const RuleType> rules, InputType name_type,
               InputType value_type, bool prefer_worth_watching, ItemList& items) {
  for (std::size_t e = 0; e < pairs.size(); ++e) {
    const bool is_name = e % 2 == 0;
    const InputType type = is_name ? name_type : value_type;
    const std::string_view name = is_name ? pairs[e] : pairs[e - 1];
    const std::string_view text = pairs[e];
    for (Finding& finding : input::check_input(text, type, rules, prefer_worth_watching)) {
      items.push_back(JsResultItem{{name}, name, text,
                                   std::move(finding.ids), finding.score, finding.rule, type});
    }
  }
}

}  // namespace

void add_paired_evaluations(std::span<const std::string_view> pairs,
                            std::span<const RuleType> rules, InputType name_type,
                            InputType value_type, bool prefer_worth_watching, ItemList& items) {
  add_pairs(pairs, rules, name_type, value_type, prefer_worth_watching, items);
}

void add_paired_evaluations(const PairList& pairs, std::span<const RuleType> rules,
                            InputType name_type, InputType value_type,
                            bool prefer_worth_watching, ItemList& items) {
  add_pairs(std::span<const std::string>(pairs), rules, name_type, value_type,
            prefer_worth_watching, items);
}

napi::Result<napi_value> make_body_response(napi_env env, std::string_view body_type) {
  BINDING_ASSIGN(napi_value object, napi::create_object(env));
  BINDING_TRY(set_named_string(env, object, "bodyType", body_type));
  return object;
}

napi::Result<napi_value> get_json_response(napi_env env) {
  return make_body_response(env, "json");
}

napi::Result<napi_value> get_urlencoded_response(napi_env env) {
  return make_body_response(env, "urlencoded");
}

namespace {

using Index = ResultValues::Index;

// The slot of a rule in the lists by rule: its bit position, 15 for any other value.
std::size_t rule_slot(RuleType rule) {
  const auto index = sorvane::evaluation::rules::rule_index(rule);
  return index ? *index : 15;
}

// The rule and input type names of `item` in `head`, made once per response.
napi::Status set_head(napi_env env, ResultValues& values, const ResultView& item) {
  result_objects::Objects& objects = values.objects;
  auto name = [&](Index& slot, std::string_view text) -> napi::Result<Index> {
    if (slot == result_objects::kNoIndex) {
      BINDING_ASSIGN(napi_value value, napi::create_string(env, text));
      BINDING_ASSIGN(slot, objects.value(value));
    }
    return slot;
  };
  ResultValues::Head& head = values.head;
  head.rule_slot = rule_slot(item.rule);
  BINDING_ASSIGN(head.rule_name, name(values.rule_names[head.rule_slot],
                                      sorvane::evaluation::rules::rule_name(item.rule)));
  const auto type_index = static_cast<std::size_t>(item.input_type);
  const std::string_view type_name = sorvane::evaluation::input_type_name(item.input_type);
  if (type_index < values.input_type_names.size()) {
    BINDING_ASSIGN(head.type_name, name(values.input_type_names[type_index], type_name));
  } else {
    BINDING_ASSIGN(head.type_name, objects.text(type_name));
  }
  head.rule = item.rule;
  head.input_type = item.input_type;
  return {};
}

// set_head for a rule and an input type whose names are made already (items of a few rules
// that take turns): false when one of them is not.
bool set_known_head(ResultValues& values, const ResultView& item) {
  const std::size_t slot = rule_slot(item.rule);
  const auto type_index = static_cast<std::size_t>(item.input_type);
  if (type_index >= values.input_type_names.size()) return false;
  const Index rule_name = values.rule_names[slot];
  const Index type_name = values.input_type_names[type_index];
  if (rule_name == result_objects::kNoIndex || type_name == result_objects::kNoIndex) return false;
  ResultValues::Head& head = values.head;
  head.rule = item.rule;
  head.rule_slot = slot;
  head.input_type = item.input_type;
  head.rule_name = rule_name;
  head.type_name = type_name;
  return true;
}

// The value of a MongoDB finding: whether its key (the text at `key`) is an operator.
napi::Result<Index> operator_value(napi_env env, ResultValues& values, Index key,
                                   std::string_view key_text) {
  if (values.is_operator.size() <= key) values.is_operator.resize(key + 1, -1);
  std::int8_t& known = values.is_operator[key];
  if (known < 0) known = sorvane::evaluation::rules::mongo::is_query_type(key_text) ? 1 : 0;
  Index& slot = values.booleans[known];
  if (slot == result_objects::kNoIndex) {
    BINDING_ASSIGN(napi_value value, napi::get_boolean(env, known == 1));
    BINDING_ASSIGN(slot, values.objects.value(value));
  }
  return slot;
}

// The value of an item with a value group: made on the group's first item, unless the item
// before had the same value at the same place or a recent new group the same bytes.
napi::Result<Index> group_value(ResultValues& values, const ResultView& item) {
  Index& known = values.group_values[item.value_group];
  if (known != result_objects::kNoIndex) return known;
  if (values.group_text_index == result_objects::kNoIndex ||
      !same_place(values.group_text, item.value)) {
    BINDING_ASSIGN(values.group_text_index,
                   values.recent_values.get(item.value, [&](std::string_view text) {
                     return values.objects.new_text(text);
                   }));
    values.group_text = item.value;
  }
  known = values.group_text_index;
  return known;
}

}  // namespace

napi::Status add_js_result_item(napi_env env, ResultValues& values, const ResultView& item) {
  result_objects::Objects& objects = values.objects;
  ResultValues::Head& head = values.head;
  BINDING_TRY(objects.begin());
  if ((head.rule_name == result_objects::kNoIndex || item.rule != head.rule ||
       item.input_type != head.input_type) &&
      !set_known_head(values, item)) {
    BINDING_TRY(set_head(env, values, item));
  }
  objects.field(head.rule_name);
  objects.field(head.type_name);
  BINDING_TRY(objects.path(item.path));
  // The key of a key's own result is the last key of its path, whose index is at hand.
  Index key = result_objects::kNoIndex;
  if (!item.path.empty() && same_place(item.key, item.path.back())) {
    key = objects.last_path_text();
  } else {
    BINDING_ASSIGN(key, objects.text(item.key));
  }
  objects.field(key);
  if (item.rule == sorvane::evaluation::rules::kNosqlInjectionMongo) {
    BINDING_ASSIGN(Index value, operator_value(env, values, key, item.key));
    objects.field(value);
  } else if (item.value_group < values.group_values.size()) {
    BINDING_ASSIGN(Index value, group_value(values, item));
    objects.field(value);
  } else {
    BINDING_ASSIGN(Index value, objects.text(item.value));
    objects.field(value);
  }
  if (head.score_index == result_objects::kNoIndex || item.score != head.score) {
    auto score = std::find_if(values.scores.begin(), values.scores.end(),
                              [&](const auto& known) { return known.first == item.score; });
    if (score == values.scores.end()) {
      BINDING_ASSIGN(napi_value number, napi::create_double(env, item.score));
      BINDING_ASSIGN(Index index, objects.value(number));
      score = values.scores.emplace(values.scores.end(), item.score, index);
    }
    head.score = item.score;
    head.score_index = score->second;
  }
  objects.field(head.score_index);
  ResultValues::Ids& ids = values.last_ids[head.rule_slot];
  if (!std::equal(item.ids_list.begin(), item.ids_list.end(), ids.texts.begin(), ids.texts.end(),
                  same_place)) {
    ids.texts.assign(item.ids_list.begin(), item.ids_list.end());
    ids.values.clear();
    for (std::string_view id : item.ids_list) {
      BINDING_ASSIGN(Index index, objects.text(id));
      ids.values.push_back(index);
    }
  }
  objects.texts(ids.values);
  return {};
}

napi::Result<napi_value> make_response(napi_env env, const ItemList& items, BaseBuilder base) {
  return make_response_of(env, items.size(), base, [&](ResultValues& values) -> napi::Status {
    for (const JsResultItem& item : items) {
      BINDING_TRY(add_js_result_item(env, values, view_of(item)));
    }
    return {};
  });
}

}  // namespace bindings::node::request
