// Pieces shared by the four request-scoring methods: the rule-mask and options readers,
// the string-array reader, the result items with their adapters and the result builders.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "bindings/node/js_string_reader.h"
#include "bindings/node/napi.h"
#include "bindings/node/result_objects.h"
#include "bindings/node/string_cache.h"
#include "bindings/node/text_buffer.h"
#include "core/evaluation/input_type.h"
#include "core/evaluation/rules/rule.h"
#include "core/evaluation/rules/rule_type.h"

namespace bindings::node::request {

using sorvane::evaluation::InputType;
using sorvane::evaluation::rules::Finding;
using sorvane::evaluation::rules::RuleType;

// Room for every rule bit; the mask reader writes at most ten of them.
using RuleSlots = std::array<RuleType, 11>;

// The rules a mask selects, in ascending bit order: the first `count` slots.
struct RuleList {
  RuleSlots slots{};
  std::size_t count = 0;

  std::span<const RuleType> rules() const { return {slots.data(), count}; }
};

// Reads the rule mask (a number from 1 to 1023; the fraction is dropped) into `slots` and
// returns the number of rules written. InvalidArg "rules must be a number" for another type,
// "invalid rule mask <m>" (m as unsigned 64 bits) for 0, above 1023 or negative.
napi::Result<std::size_t> copy_jsunknown_rules_to_slice(napi_env env, napi_value value,
                                                         RuleSlots& slots);

// The rule mask as a RuleList.
napi::Result<RuleList> read_rules(napi_env env, napi_value value);

// Sets `prefer_worth_watching` to the truthiness of the options' "preferWorthWatching"
// (own or inherited); leaves it unchanged when the property is absent. undefined and null
// fail with ObjectExpected.
napi::Status populate_eval_options(napi_env env, napi_value value, bool& prefer_worth_watching);

// The flag for a call whose options, when passed, are argument `index`.
template <std::size_t N>
napi::Result<bool> read_prefer_worth_watching(const napi::CallInfo<N>& call, std::size_t index) {
  bool prefer_worth_watching = false;
  if (call.argc > index) {
    BINDING_TRY(populate_eval_options(call.env, call.arg(index), prefer_worth_watching));
  }
  return prefer_worth_watching;
}

// A text argument, validated, whose text stays valid while the arguments after it are read.
// A Buffer's bytes are borrowed from JavaScript, and reading a later argument can run
// JavaScript (a getter on the options, a String object's toString) that detaches or rewrites
// them; so a Buffer is copied once validated (`own`) when such a read follows.
struct TextArgument {
  JsStringReader reader;
  std::string copy;
  bool copied = false;

  // Whether the text still lies in JavaScript's memory.
  bool borrowed() const { return !copied && reader.kind() == JsStringReader::Kind::Buffer; }

  // Copies borrowed bytes; any other text is owned already.
  void own() {
    if (!borrowed()) return;
    copy = std::string(reader.get_as_bytes());
    copied = true;
  }

  std::string_view text() const { return copied ? std::string_view(copy) : reader.get_as_bytes(); }
};

// Argument `index` as text, owned when `later_reads` says that JavaScript can run before
// the text is used.
template <std::size_t N>
napi::Result<TextArgument> read_text_argument(const napi::CallInfo<N>& call, std::size_t index,
                                              bool later_reads) {
  BINDING_ASSIGN(JsStringReader reader, JsStringReader::init(call, index));
  BINDING_TRY(reader.get_as_str());
  TextArgument argument{std::move(reader), {}, false};
  if (later_reads) argument.own();
  return argument;
}

// [{ruleId, score, idsList}, ...] for a non-empty finding list, in list order.
napi::Result<napi_value> make_js_findings(napi_env env, const std::vector<Finding>& findings);

// The answer of scoreAtom and scoreHeader: undefined for no finding, the findings otherwise.
napi::Result<napi_value> findings_or_undefined(napi_env env, const std::vector<Finding>& findings);

// A flat list of names and values, name first.
using PairList = std::vector<std::string>;
// The same, as views (into a TextBuffer or into owned strings).
using PairViews = std::vector<std::string_view>;
// The same, as places in a TextBuffer while reading goes on.
using TextList = std::vector<TextBuffer::Text>;

// The views of `list` in `texts`, in `views` (its storage reused).
const PairViews& views_of(const TextBuffer& texts, const TextList& list, PairViews& views);

// A property's value, already got, of type `type`, as a pair list: an array of an even
// number of strings, each cut at its first NUL character, appended to `texts`. `name` is the
// property's name in the messages.
napi::Result<TextList> convert_string_array(napi_env env, napi_value value, napi::ValueType type,
                                            const char* name, TextBuffer& texts);

// Property `name` of `object` as a pair list (gets the property, then convert_string_array).
napi::Result<TextList> convert_string_array_prop(napi_env env, napi_value object,
                                                 const char* name, TextBuffer& texts);

// One finding on one request input. The texts are views into what the call read (the pair
// lists, the URI path and method, the body), which outlive the response build.
struct JsResultItem {
  std::vector<std::string_view> path;
  std::string_view key;
  std::string_view value;
  std::vector<std::string_view> ids_list;  // static pattern identifiers
  double score = 0;
  RuleType rule = 0;
  InputType input_type = InputType::FirstInvalid;
};

using ItemList = std::vector<JsResultItem>;

// No value group (see ResultView::value_group).
inline constexpr std::size_t kNoValueGroup = SIZE_MAX;

// What one result object is built from: an item's fields, its lists as views.
struct ResultView {
  std::span<const std::string_view> path;
  std::string_view key;
  std::string_view value;
  std::span<const std::string_view> ids_list;
  double score = 0;
  RuleType rule = 0;
  InputType input_type = InputType::FirstInvalid;
  // Items of one group (a number below the response's group count) hold values of the same
  // bytes: their value's string is made once per group, without the string cache. Items
  // without a group (kNoValueGroup or any number past the count) find it in the cache.
  std::size_t value_group = kNoValueGroup;
};

inline ResultView view_of(const JsResultItem& item) {
  return {item.path, item.key, item.value, item.ids_list, item.score, item.rule, item.input_type};
}

// Evaluates every element of `pairs` (names as `name_type`, values as `value_type`) and
// appends one item per finding, keyed by the pair's name.
void add_paired_evaluations(std::span<const std::string_view> pairs,
                            std::span<const RuleType> rules, InputType name_type,
                            InputType value_type, bool prefer_worth_watching, ItemList& items);
void add_paired_evaluations(const PairList& pairs, std::span<const RuleType> rules,
                            InputType name_type, InputType value_type,
                            bool prefer_worth_watching, ItemList& items);

// The object holding only `bodyType`.
napi::Result<napi_value> make_body_response(napi_env env, std::string_view body_type);
napi::Result<napi_value> get_json_response(napi_env env);
napi::Result<napi_value> get_urlencoded_response(napi_env env);

// What the result objects of one response are built from: each text and each score becomes
// one JavaScript value, whatever the number of items that repeat it.
struct ResultValues {
  using Index = result_objects::Index;
  static constexpr std::array<Index, 16> kNone = [] {
    std::array<Index, 16> none{};
    none.fill(result_objects::kNoIndex);
    return none;
  }();

  // `value_groups`: the number of value groups of the items (see ResultView::value_group).
  ResultValues(napi_env env, napi_value list, std::size_t expected_texts = 0,
               std::size_t value_groups = 0)
      : objects(env, result_objects::Shape::Result, list, expected_texts),
        group_values(value_groups, result_objects::kNoIndex) {}

  result_objects::Objects objects;
  std::array<Index, 16> rule_names = kNone;        // by rule bit position, 15: any other
  std::array<Index, 16> input_type_names = kNone;  // by input type, below 16
  std::vector<std::pair<double, Index>> scores;    // the few distinct scores
  // By rule bit position as above: the identifiers of the rule's latest item, by place in
  // memory (they are static texts), and their indices. A rule's items mostly repeat them.
  struct Ids {
    std::vector<std::string_view> texts;
    std::vector<Index> values;
  };
  std::array<Ids, 16> last_ids;
  std::array<Index, 2> booleans = {result_objects::kNoIndex, result_objects::kNoIndex};
  // Per text index: whether the text is a MongoDB operator (1), is not (0), or unknown.
  std::vector<std::int8_t> is_operator;
  // Per value group: the index of its value, or kNoIndex before its first item.
  std::vector<Index> group_values;
  // The value of the latest item with a group, and its index: the items of one text's
  // findings follow each other with the same value at the same place.
  std::string_view group_text;
  Index group_text_index = result_objects::kNoIndex;
  // The values of the latest new groups: texts that recur in turns may each have findings of
  // their own (a value of the same bytes, evaluated again).
  RecentTexts recent_values;
  // The latest item's rule and input type, and what they gave; the next items mostly repeat
  // them.
  // The rule and the input type are kept apart: compared as one wider word, they would be
  // read with one load that the item's narrower stores cannot forward to.
  struct Head {
    RuleType rule = 0;
    std::size_t rule_slot = 15;
    InputType input_type = InputType::FirstInvalid;
    Index rule_name = result_objects::kNoIndex;
    Index type_name = result_objects::kNoIndex;
    double score = 0;
    Index score_index = result_objects::kNoIndex;
  } head;
};

// Hands one result object to `values.objects`: ruleId, inputType, path, key, value, score,
// idsList, in this order. The value of a MongoDB finding is whether its key is a MongoDB
// operator.
napi::Status add_js_result_item(napi_env env, ResultValues& values, const ResultView& item);

using BaseBuilder = napi::Result<napi_value> (*)(napi_env);

// The response: the base object (or a new empty one), `trackRequest`, and `resultsList`
// when there are items.
napi::Result<napi_value> make_response(napi_env env, const ItemList& items,
                                       BaseBuilder base = nullptr);

// The same for `count` items that `add_items(values)` hands over one by one with
// add_js_result_item, so that no list of them is kept; about `expected_texts` distinct texts
// in the string cache, and `value_groups` value groups.
template <class AddItems>
napi::Result<napi_value> make_response_of(napi_env env, std::size_t count, BaseBuilder base,
                                          AddItems add_items, std::size_t expected_texts = 0,
                                          std::size_t value_groups = 0) {
  BINDING_ASSIGN(napi_value response, base ? base(env) : napi::create_object(env));
  BINDING_ASSIGN(napi_value track, napi::get_boolean(env, count != 0));
  BINDING_TRY(napi::set_named(env, response, "trackRequest", track));
  if (count == 0) return response;
  BINDING_ASSIGN(napi_value results, result_objects::make_list(env, count));
  ResultValues values(env, results, expected_texts, value_groups);
  BINDING_TRY(add_items(values));
  BINDING_TRY(values.objects.finish());
  BINDING_TRY(napi::set_named(env, response, "resultsList", results));
  return response;
}

}  // namespace bindings::node::request
