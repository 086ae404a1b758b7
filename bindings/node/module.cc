// The module entry: the Agent class with its prototype methods, doNothing and constants.
#include <node_api.h>

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "bindings/node/agent.h"
#include "bindings/node/constants.h"
#include "bindings/node/module_pin.h"
#include "bindings/node/napi.h"
#include "bindings/node/request/atom.h"
#include "bindings/node/request/body.h"
#include "bindings/node/request/connect.h"
#include "bindings/node/request/header.h"
#include "bindings/node/sinks/method_tampering.h"
#include "bindings/node/sinks/nosqli_mongo.h"
#include "bindings/node/sinks/semantic_rules.h"
#include "bindings/node/sinks/sinks.h"
#include "bindings/node/sinks/xss.h"

namespace bindings::node {
namespace {

struct Method {
  const char* name;
  napi_callback callback;
};

// The prototype methods of Agent, in definition order. A method is one row here,
// {"jsName", napi::guarded<body>}, with its body declared in its own header under
// bindings/node/ (request/, sinks/, ...) and included above.
constexpr std::initializer_list<Method> kMethods = {
    {"scoreRequestConnect", napi::guarded<request::connect::eval_request_connect>},
    {"scoreRequestBody", napi::guarded<request::body::eval_request_body>},
    {"scoreAtom", napi::guarded<request::atom::eval_atom>},
    {"scoreHeader", napi::guarded<request::header::eval_header>},
    {"checkCommandInjectionSink", napi::guarded<sinks::eval_cmdi_sink>},
    {"checkSqlInjectionSink", napi::guarded<sinks::eval_sqli_sink>},
    {"checkSsjsInjectionSink", napi::guarded<sinks::eval_ssjs_sink>},
    {"findMongoComparators", napi::guarded<sinks::nosqli_mongo::find_mongo_comparators>},
    {"isMongoQueryType", napi::guarded<sinks::nosqli_mongo::is_mongo_query_type>},
    {"isDangerousPath", napi::guarded<sinks::semantic_rules::is_dangerous_path>},
    {"containsDangerousPath", napi::guarded<sinks::semantic_rules::contains_dangerous_path>},
    {"indexOfChaining", napi::guarded<sinks::semantic_rules::index_of_chaining>},
    {"isMethodTampering", napi::guarded<sinks::method_tampering::is_method_tampering>},
    {"isXssInWholeBody", napi::guarded<sinks::xss::is_xss_whole_body_attack>},
    {"isXssInChunkedBody", napi::guarded<sinks::xss::is_xss_chunked_body_attack>},
    {"makeXssState", napi::guarded<sinks::xss::make_xss_state>},
    {"isXssScriptOrIframeInUserInput", napi::guarded<sinks::xss::is_xss_script_or_iframe_attack>},
    {"checkSqlInjectionContextFreeSink", napi::guarded<sinks::eval_context_free_sqli>},
};

napi::Result<napi_value> define_agent_class(napi_env env) {
  std::vector<napi_property_descriptor> descriptors;
  descriptors.reserve(kMethods.size());
  for (const Method& method : kMethods) {
    BINDING_ASSIGN(napi_value name, napi::create_string(env, method.name));
    descriptors.push_back({nullptr, name, method.callback, nullptr, nullptr, nullptr,
                           napi_default, nullptr});
  }
  constexpr std::string_view kName = "Agent";
  napi_value agent_class = nullptr;
  BINDING_TRY(napi::check(napi_define_class(env, kName.data(), kName.size(),
                                            napi::guarded<agent::constructor>, nullptr,
                                            descriptors.size(), descriptors.data(),
                                            &agent_class)));
  return agent_class;
}

napi::Result<napi_value> make_do_nothing_result(napi_env env) {
  BINDING_ASSIGN(napi_value result, napi::create_object(env));
  BINDING_ASSIGN(napi_value no, napi::get_boolean(env, false));
  BINDING_TRY(napi::set_named(env, result, "trackRequest", no));
  return result;
}

// doNothing(): a new { trackRequest: false } on every call; arguments are ignored.
napi_value do_nothing(napi_env env, napi_callback_info) {
  return napi::value_or_throw(env, make_do_nothing_result(env));
}

napi::Status register_exports(napi_env env, napi_value exports) {
  BINDING_ASSIGN(napi_value agent_class, define_agent_class(env));
  BINDING_TRY(napi::set_named(env, exports, "Agent", agent_class));

  constexpr std::string_view kDoNothing = "doNothing";
  napi_value do_nothing_fn = nullptr;
  BINDING_TRY(napi::check(napi_create_function(env, kDoNothing.data(), kDoNothing.size(),
                                               do_nothing, nullptr, &do_nothing_fn)));
  BINDING_TRY(napi::set_named(env, exports, "doNothing", do_nothing_fn));

  BINDING_ASSIGN(napi_value constants_object, constants::make(env));
  BINDING_TRY(napi::set_named(env, exports, "constants", constants_object));
  return {};
}

}  // namespace
}  // namespace bindings::node

// Registration as Node-API defines it: napi_register_module_v1 and the API-version query.
NAPI_MODULE_INIT() {
  bindings::node::pin_module();
  auto registered = bindings::node::register_exports(env, exports);
  if (!registered) {
    std::string message = bindings::node::support::module_init_message(registered.error());
    napi_throw_error(env, nullptr, message.c_str());
    return nullptr;
  }
  return exports;
}
