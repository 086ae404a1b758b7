#include "bindings/node/sinks/xss.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "bindings/node/env_data.h"
#include "bindings/node/js_string_reader.h"
#include "bindings/node/sinks/args.h"
#include "bindings/node/support/text_view.h"
#include "bindings/node/text_buffer.h"
#include "core/evaluation/rules/reflected_xss/sink_checks_cache.h"
#include "core/evaluation/rules/reflected_xss/sink_checks_codec.h"
#include "core/evaluation/rules/reflected_xss/sink_checks_inputs.h"

namespace bindings::node::sinks::xss {
namespace {

namespace sink_checks = sorvane::evaluation::rules::reflected_xss::sink_checks;

std::string_view as_chars(std::span<const std::uint8_t> bytes) {
  return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

std::span<const std::uint8_t> as_bytes(std::string_view chars) {
  return {reinterpret_cast<const std::uint8_t*>(chars.data()), chars.size()};
}

napi::Status expect_array(napi_env env, napi_value value) {
  BINDING_ASSIGN(bool array, napi::is_array(env, value));
  if (!array) return support::invalid_arg("saved inputs must be array of strings");
  return {};
}

// Element `index` of an array, which must be a string, as UTF-8 up to its first NUL.
napi::Result<std::string> read_string_element(napi_env env, napi_value array,
                                              std::uint32_t index) {
  BINDING_ASSIGN(napi_value element, napi::get_element(env, array, index));
  BINDING_ASSIGN(std::string text, napi::read_string(env, element));
  text.resize(support::until_nul(text).size());
  return text;
}

// The bytes of an ArrayBuffer held in property `name`, borrowed for the call.
napi::Result<std::string_view> buffer_property(napi_env env, napi_value object,
                                               const char* name) {
  BINDING_ASSIGN(napi_value value, napi::get_named(env, object, name));
  BINDING_TRY(napi::expect_type(env, value, napi::ValueType::Object));
  return napi::get_arraybuffer_bytes(env, value);
}

// Stores a new buffer in property `name` of the state object. A state object that refuses it
// (frozen, a non-writable property, a throwing setter, a refusing Proxy) would restart the
// next chunk from the old state and miss a split injection: that fails the call.
napi::Status store_buffer(napi_env env, napi_value holder, const char* name, napi_value buffer) {
  auto stored = napi::set_named_strict(env, holder, name, buffer);
  if (stored && *stored) return {};
  return support::generic_failure(std::string("failed to store state: property \"") + name +
                                  "\" of the state object cannot be written");
}

// The finding object of a match, otherwise null.
napi::Result<napi_value> finding_or_null(napi_env env, const std::optional<SinkMatch>& match) {
  if (!match) return napi::get_null(env);
  return convert_finding_to_js_object(env, *match);
}

}  // namespace

bool is_tracked(std::string_view value) {
  static constexpr auto kTracked = [] {
    std::array<bool, 256> table{};
    for (char c : std::string_view("\"'(/:;<=>_`")) table[static_cast<unsigned char>(c)] = true;
    return table;
  }();
  for (char c : value) {
    if (kTracked[static_cast<unsigned char>(c)]) return true;
  }
  return false;
}

namespace {

// The tracked strings of a JavaScript array, in order: their texts in one buffer and a
// view of each, so that a long list of short strings costs no allocation per string.
struct TrackedTexts {
  TextBuffer texts;
  std::vector<std::string_view> values;
};

napi::Status read_tracked(napi_env env, napi_value value, TrackedTexts& out) {
  BINDING_TRY(expect_array(env, value));
  BINDING_ASSIGN(std::uint32_t length, napi::get_array_length(env, value));
  // The buffer moves while it grows: the tracked texts are known by their place until all
  // are read.
  std::vector<TextBuffer::Text> kept;
  for (std::uint32_t i = 0; i < length; ++i) {
    BINDING_ASSIGN(napi_value element, napi::get_element(env, value, i));
    BINDING_ASSIGN(TextBuffer::Text text, out.texts.append_string(env, element));
    const std::string_view view = out.texts.view(text);
    if (auto invalid = support::utf8_error_description(view)) {
      return support::invalid_arg(std::move(*invalid));
    }
    if (is_tracked(view)) kept.push_back(text);
  }
  out.values.reserve(kept.size());
  for (const TextBuffer::Text& text : kept) out.values.push_back(out.texts.view(text));
  return {};
}

}  // namespace

napi::Result<std::vector<UserInput>> convert_js_string_array_to_user_inputs(napi_env env,
                                                                             napi_value value) {
  TrackedTexts tracked;
  BINDING_TRY(read_tracked(env, value, tracked));
  std::vector<UserInput> inputs;
  inputs.reserve(tracked.values.size());
  for (const std::string_view v : tracked.values) inputs.push_back(UserInput{std::string(v), 0});
  return inputs;
}

napi::Result<napi_value> make_arraybuffer(napi_env env, std::string_view bytes) {
  auto buffer = napi::create_arraybuffer(env, bytes);
  if (!buffer) return support::generic_failure("create_arraybuffer");
  return *buffer;
}

napi::Result<napi_value> convert_finding_to_js_object(napi_env env, const SinkMatch& match) {
  BINDING_ASSIGN(napi_value source_key, napi::create_string(env, "source"));
  BINDING_ASSIGN(napi_value index_key, napi::create_string(env, "matchByteIndex"));
  BINDING_ASSIGN(napi_value length_key, napi::create_string(env, "matchByteLength"));
  BINDING_ASSIGN(napi_value object, napi::create_object(env));
  BINDING_ASSIGN(napi_value source, napi::create_string(env, match.source));
  BINDING_TRY(napi::set_property(env, object, source_key, source));
  BINDING_ASSIGN(napi_value index,
                 napi::create_uint32(env, static_cast<std::uint32_t>(match.match_byte_index)));
  BINDING_TRY(napi::set_property(env, object, index_key, index));
  BINDING_ASSIGN(napi_value length,
                 napi::create_uint32(env, static_cast<std::uint32_t>(match.match_byte_length)));
  BINDING_TRY(napi::set_property(env, object, length_key, length));
  return object;
}

napi::Result<napi_value> is_xss_whole_body_attack(napi_env env, napi_callback_info info) {
  BINDING_ASSIGN(auto call, napi::get_cb_info<2>(env, info));
  BINDING_TRY(args::require(call, 2, "required arguments: string[], string, <EvalState>"));
  TrackedTexts tracked;
  BINDING_TRY(read_tracked(env, call.arg(1), tracked));
  // Nothing tracked can be reflected: the body is not even read.
  if (tracked.values.empty()) return napi::get_null(env);
  BINDING_ASSIGN(auto reader, JsStringReader::init(call, 0));
  sink_checks::XssState state;
  sink_checks::TrackedInputs inputs{std::span<const std::string_view>(tracked.values)};
  return finding_or_null(env,
                         sink_checks::has_vulnerability(reader.get_as_bytes(), inputs, state));
}

napi::Result<napi_value> is_xss_chunked_body_attack(napi_env env, napi_callback_info info) {
  BINDING_ASSIGN(auto call, napi::get_cb_info<2>(env, info));
  BINDING_TRY(args::require(call, 2, "required arguments: body, state"));
  napi_value holder = call.arg(1);
  BINDING_ASSIGN(napi::ValueType holder_type, napi::type_of(env, holder));
  if (holder_type != napi::ValueType::Object) {
    return support::invalid_arg("state must be an object");
  }

  // Each buffer is decoded (copied, or compared with the inputs the env keeps) before any
  // further JavaScript value is read.
  BINDING_ASSIGN(std::string_view state_bytes, buffer_property(env, holder, "state"));
  auto state = sink_checks::deserialize_state(as_bytes(state_bytes));
  if (!state) return support::generic_failure("failed to deserialize state: " + state.error());
  BINDING_ASSIGN(std::string_view input_bytes, buffer_property(env, holder, "inputs"));
  BINDING_ASSIGN(EnvData * data, EnvData::of(env));
  napi_value new_state;
  napi_value new_inputs;
  {
    // Held until the new buffers exist: JavaScript run meanwhile (a String object's
    // toString) that scans too finds the cache without these inputs.
    auto opened = data->xss_inputs.open(as_bytes(input_bytes));
    if (!opened) {
      return support::generic_failure("failed to deserialize inputs: " + opened.error());
    }
    sink_checks::InputsCache::Lease inputs = std::move(opened.value());
    if (inputs.empty()) return napi::get_null(env);

    BINDING_ASSIGN(auto reader, JsStringReader::init(call, 0));
    std::optional<SinkMatch> match = inputs.scan(reader.get_as_bytes(), state.value());
    // After a match the caller ends the scan; the old buffers stay.
    if (match) return convert_finding_to_js_object(env, *match);

    // Both buffers are created before either is stored, so that a failure to create one
    // does not leave an advanced state beside stale inputs.
    BINDING_ASSIGN(new_state,
                   make_arraybuffer(env, as_chars(sink_checks::serialize_state(*state))));
    BINDING_ASSIGN(new_inputs, make_arraybuffer(env, as_chars(inputs.bytes())));
  }
  // Storing may run setters, which may scan with the same inputs.
  BINDING_TRY(store_buffer(env, holder, "state", new_state));
  BINDING_TRY(store_buffer(env, holder, "inputs", new_inputs));
  return napi::get_null(env);
}

napi::Result<napi_value> make_xss_state(napi_env env, napi_callback_info info) {
  BINDING_ASSIGN(auto call, napi::get_cb_info<1>(env, info));
  if (call.argc != 1) return support::invalid_arg("signature: string[]");
  TrackedTexts texts;
  BINDING_TRY(read_tracked(env, call.arg(0), texts));
  BINDING_ASSIGN(EnvData * data, EnvData::of(env));
  napi_value tracked;
  {
    // The env keeps the list for the first chunk of its scan.
    const sink_checks::InputsCache::Lease lease = data->xss_inputs.adopt(texts.values);
    BINDING_ASSIGN(tracked, make_arraybuffer(env, as_chars(lease.bytes())));
  }
  BINDING_ASSIGN(napi_value holder, napi::create_object(env));
  const std::vector<std::uint8_t> state_bytes = sink_checks::serialize_state({});
  BINDING_ASSIGN(napi_value state, make_arraybuffer(env, as_chars(state_bytes)));
  BINDING_TRY(napi::set_named(env, holder, "state", state));
  BINDING_TRY(napi::set_named(env, holder, "inputs", tracked));
  return holder;
}

napi::Result<napi_value> is_xss_script_or_iframe_attack(napi_env env, napi_callback_info info) {
  BINDING_ASSIGN(auto call, napi::get_cb_info<1>(env, info));
  BINDING_TRY(args::require(call, 1, "required argument: String[]"));
  napi_value array = call.arg(0);
  BINDING_TRY(expect_array(env, array));
  BINDING_ASSIGN(std::uint32_t length, napi::get_array_length(env, array));
  // One state for the whole list: markup opened by one input may close in the next.
  sink_checks::XssState state;
  for (std::uint32_t i = 0; i < length; ++i) {
    BINDING_ASSIGN(std::string text, read_string_element(env, array, i));
    if (sink_checks::has_vulnerability(text, {}, state)) return napi::get_boolean(env, true);
  }
  return napi::get_boolean(env, false);
}

}  // namespace bindings::node::sinks::xss
