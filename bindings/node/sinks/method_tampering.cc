#include "bindings/node/sinks/method_tampering.h"

#include "bindings/node/sinks/args.h"
#include "core/evaluation/rules/method_tampering/method_tampering.h"

namespace bindings::node::sinks::method_tampering {

napi::Result<napi_value> is_method_tampering(napi_env env, napi_callback_info info) {
  return args::text_predicate(env, info, "one string argument is required",
                              sorvane::evaluation::rules::method_tampering::is_method_tampering);
}

}  // namespace bindings::node::sinks::method_tampering
