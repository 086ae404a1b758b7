// Fatal internal errors: a violated invariant on the library's own static data.
#pragma once

#include <source_location>
#include <stdexcept>
#include <string>

namespace sorvane {

// Thrown for a violated internal invariant ("bad RuleConfig", a pattern that does not
// compile, ...). The bindings' guard turns it into a thrown "GenericFailure".
class FatalError : public std::runtime_error {
 public:
  FatalError(std::string message, bool static_payload, const char* file, unsigned line)
      : std::runtime_error(message),
        message_(std::move(message)), static_payload_(static_payload), file_(file), line_(line) {}

  // The whole message, NUL characters included (what() stops at the first one).
  const std::string& message() const { return message_; }

  // True when the message is a static text; a formatted message reports "n/a" as payload.
  bool static_payload() const { return static_payload_; }
  const char* file() const { return file_; }
  unsigned line() const { return line_; }

 private:
  std::string message_;
  bool static_payload_;
  const char* file_;
  unsigned line_;
};

// Called with every fatal error before it is thrown (the panic report). Installed once.
using PanicHook = void (*)(const FatalError&);
void set_panic_hook(PanicHook hook);

// Reports the error through the installed hook, then throws it.
[[noreturn]] void panic(const char* static_message,
                        std::source_location loc = std::source_location::current());
[[noreturn]] void panic_formatted(std::string message,
                                  std::source_location loc = std::source_location::current());

}  // namespace sorvane
