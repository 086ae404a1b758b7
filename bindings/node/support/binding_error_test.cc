#include "bindings/node/support/binding_error.h"

#include <gtest/gtest.h>

#include "bindings/node/support/delay_load.h"
#include "bindings/node/support/guard.h"

namespace bindings::node::support {
namespace {

TEST(BindingStatus, NodeApiStatusesMapToTheirNames) {
  struct Case {
    int napi_status;
    std::string_view name;
  };
  const Case cases[] = {
      {1, "InvalidArg"},           {2, "ObjectExpected"},
      {3, "StringExpected"},       {4, "NameExpected"},
      {5, "FunctionExpected"},     {6, "NumberExpected"},
      {7, "BooleanExpected"},      {8, "ArrayExpected"},
      {9, "GenericFailure"},       {10, "PendingException"},
      {11, "Cancelled"},           {12, "EscapeCalledTwice"},
      {13, "HandleScopeMismatch"}, {14, "CallbackScopeMismatch"},
      {15, "QueueFull"},           {16, "Closing"},
      {17, "BigintExpected"},      {18, "DateExpected"},
      {19, "ArrayBufferExpected"}, {20, "DetachableArraybufferExpected"},
      {21, "WouldDeadlock"},       {22, "Unknown"},
      {23, "Unknown"},             {-1, "Unknown"},
      {1000, "Unknown"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(status_name(status_from_napi(c.napi_status)), c.name) << c.napi_status;
  }
}

TEST(BindingError, TypeMismatchNamesBothTypes) {
  EXPECT_EQ(type_mismatch_error(ValueType::String, ValueType::Number),
            (BindingError{BindingStatus::InvalidArg, "expect String, got: Number"}));
  EXPECT_EQ(type_mismatch_error(ValueType::Boolean, ValueType::Undefined).reason,
            "expect Boolean, got: Undefined");
  EXPECT_EQ(type_mismatch_error(ValueType::Function, ValueType::External).reason,
            "expect Function, got: External");
  // A bigint has no name of its own.
  EXPECT_EQ(type_mismatch_error(ValueType::Object, ValueType::Bigint).reason,
            "expect Object, got: Unknown");
}

TEST(BindingError, ModuleInitMessageAddsReasonOnlyWhenPresent) {
  EXPECT_EQ(module_init_message({BindingStatus::ObjectExpected, ""}),
            "Error initializing module: ObjectExpected");
  EXPECT_EQ(module_init_message({BindingStatus::GenericFailure, "no memory"}),
            "Error initializing module: GenericFailure, no memory");
}

TEST(RunGuarded, TurnsEveryExceptionIntoGenericFailure) {
  auto fatal = run_guarded([]() -> Result<int> { sorvane::panic("bad RuleConfig"); });
  ASSERT_FALSE(fatal);
  EXPECT_EQ(fatal.error(), generic_failure("bad RuleConfig"));

  // A formatted message reaches the caller whole, NUL characters included.
  auto formatted = run_guarded(
      []() -> Status { sorvane::panic_formatted(std::string("bad \0byte", 9)); });
  ASSERT_FALSE(formatted);
  EXPECT_EQ(formatted.error().reason, std::string("bad \0byte", 9));

  auto standard = run_guarded([]() -> Status { throw std::out_of_range("index 7"); });
  ASSERT_FALSE(standard);
  EXPECT_EQ(standard.error(), generic_failure("index 7"));

  auto opaque = run_guarded([]() -> Result<int> { throw 42; });
  ASSERT_FALSE(opaque);
  EXPECT_EQ(opaque.error(), generic_failure(std::string(kUnknownPanicReason)));
}

TEST(RunGuarded, PassesResultsThrough) {
  auto value = run_guarded([]() -> Result<int> { return 7; });
  ASSERT_TRUE(value);
  EXPECT_EQ(*value, 7);
  auto error = run_guarded([]() -> Result<int> { return invalid_arg("nope"); });
  ASSERT_FALSE(error);
  EXPECT_EQ(error.error(), invalid_arg("nope"));
}

TEST(DelayLoadHook, ServesOnlyTheTwoHostNamesBeforeLoading) {
  struct Case {
    unsigned notification;
    const char* name;
    bool from_host;
  };
  const Case cases[] = {
      {1, "node.exe", true},
      {1, "electron.exe", true},
      {1, "NODE.EXE", false},
      {1, "Node.exe", false},
      {1, "node.exe ", false},
      {1, "node", false},
      {1, "electron.exe.bak", false},
      {1, "kernel32.dll", false},
      {1, "", false},
      {1, nullptr, false},
      {0, "node.exe", false},
      {2, "node.exe", false},
      {5, "electron.exe", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(serves_from_host(c.notification, c.name), c.from_host)
        << c.notification << " " << (c.name ? c.name : "(null)");
  }
}

}  // namespace
}  // namespace bindings::node::support
