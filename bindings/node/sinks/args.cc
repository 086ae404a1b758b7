#include "bindings/node/sinks/args.h"

namespace bindings::node::sinks::args {

napi::Result<napi_value> text_predicate(napi_env env, napi_callback_info info,
                                        std::string_view missing_message,
                                        bool (*predicate)(std::string_view)) {
  BINDING_ASSIGN(auto call, napi::get_cb_info<1>(env, info));
  BINDING_TRY(require(call, 1, missing_message));
  BINDING_ASSIGN(auto reader, JsStringReader::init(call, 0));
  BINDING_ASSIGN(std::string_view text, reader.get_as_str());
  return napi::get_boolean(env, predicate(text));
}

}  // namespace bindings::node::sinks::args
