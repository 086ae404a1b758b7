#include "bindings/node/agent.h"

#include <memory>

#include "bindings/node/support/text_view.h"

namespace bindings::node::agent {
namespace {

namespace agent_init = sorvane::agent_config::agent_init;
namespace logging = sorvane::agent_config::logging;

// Attached to each instance; holds nothing and is freed when the instance is collected.
struct AgentNative {};

void finalize_native(napi_env, void* data, void*) { delete static_cast<AgentNative*>(data); }

}  // namespace

napi::Result<agent_init::AgentOptions> read_options(napi_env env, napi_value options) {
  agent_init::AgentOptions result;
  BINDING_ASSIGN(bool has_enable, napi::has_named(env, options, "enableLogging"));
  if (has_enable) {
    BINDING_ASSIGN(napi_value value, napi::get_named(env, options, "enableLogging"));
    BINDING_ASSIGN(result.enable_logging, napi::read_bool(env, value));
  }
  BINDING_ASSIGN(bool has_dir, napi::has_named(env, options, "logDir"));
  if (has_dir) {
    BINDING_ASSIGN(napi_value value, napi::get_named(env, options, "logDir"));
    BINDING_ASSIGN(std::string dir, napi::read_string(env, value));
    result.log_dir = std::string(support::until_nul(dir));
  }
  BINDING_ASSIGN(bool has_level, napi::has_named(env, options, "logLevel"));
  if (has_level) {
    BINDING_ASSIGN(napi_value value, napi::get_named(env, options, "logLevel"));
    BINDING_TRY(napi::expect_type(env, value, napi::ValueType::String));
    // A string that cannot be read as text selects the default level, like any unknown name.
    auto text = napi::get_value_string_utf8(env, value);
    auto level = text ? logging::parse_log_level(*text) : std::nullopt;
    result.log_level = level.value_or(logging::LogLevel::Warn);
  }
  return result;
}

napi::Result<napi_value> constructor(napi_env env, napi_callback_info info) {
  // A plain call would run the set-up and wrap its receiver (the global object for
  // `Agent()`): refuse it before anything is read or changed.
  BINDING_ASSIGN(bool constructing, napi::is_construct_call(env, info));
  if (!constructing) return support::invalid_arg("Agent must be called with new");
  BINDING_ASSIGN(auto call, napi::get_cb_info<1>(env, info));
  agent_init::AgentOptions options;
  if (call.argc >= 1) {
    // The options argument is not type-tested: a primitive converts to an object that has
    // none of the options; undefined and null fail the property test.
    BINDING_ASSIGN(options, read_options(env, call.arg(0)));
  }
  auto initialized = agent_init::init(options);
  if (!initialized) return support::generic_failure(std::move(initialized).error());

  auto native = std::make_unique<AgentNative>();
  BINDING_TRY(napi::check(
      napi_wrap(env, call.this_arg, native.get(), finalize_native, nullptr, nullptr)));
  native.release();  // owned by the instance now
  return napi::get_undefined(env);
}

}  // namespace bindings::node::agent
