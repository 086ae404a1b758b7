#include "core/is_safe_checkers/headers/content_type.h"

#include "core/is_safe_checkers/headers/chars.h"

namespace sorvane::is_safe_checkers::headers::content_type {
namespace {

enum class State { Start, Type, SubtypeStart, Subtype, AfterSubtype, ParamStart, ParamName,
                   ParamValueStart, ParamValue, QuotedValue };

}  // namespace

bool is_safe(std::string_view value) {
  State state = State::Start;
  bool after_backslash = false;  // inside QuotedValue: the previous character was '\'
  for (char c : value) {
    switch (state) {
      case State::Start:
        if (c == ' ') break;
        if (!is_letter(c)) return false;
        state = State::Type;
        break;
      case State::Type:
        if (is_type_char(c)) break;
        if (c != '/') return false;
        state = State::SubtypeStart;
        break;
      case State::SubtypeStart:
        if (is_type_start(c)) state = State::Subtype;
        else if (c == '*') state = State::AfterSubtype;
        else return false;
        break;
      case State::Subtype:
        if (is_type_char(c)) break;
        if (c == ' ') state = State::AfterSubtype;
        else if (c == ';') state = State::ParamStart;
        else return false;
        break;
      case State::AfterSubtype:
        if (c == ' ') break;
        if (c != ';') return false;
        state = State::ParamStart;
        break;
      case State::ParamStart:
        if (c == ' ') break;
        if (!is_letter(c)) return false;
        state = State::ParamName;
        break;
      case State::ParamName:
        if (is_alnum(c)) break;
        if (c != '=') return false;
        state = State::ParamValueStart;
        break;
      case State::ParamValueStart:
        if (is_type_char(c)) state = State::ParamValue;
        else if (c == '"') {
          state = State::QuotedValue;
          after_backslash = false;
        } else {
          return false;
        }
        break;
      case State::ParamValue:
        if (is_type_char(c)) break;
        if (c == ' ') state = State::AfterSubtype;
        else if (c == ';') state = State::ParamStart;
        else return false;
        break;
      case State::QuotedValue:
        if (c == '"' && !after_backslash) state = State::AfterSubtype;
        else after_backslash = c == '\\';
        break;
    }
  }
  switch (state) {
    case State::Start:
    case State::Subtype:
    case State::AfterSubtype:
    case State::ParamStart:
    case State::ParamValue:
      return true;
    default:
      return false;
  }
}

}  // namespace sorvane::is_safe_checkers::headers::content_type
