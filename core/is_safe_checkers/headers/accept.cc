#include "core/is_safe_checkers/headers/accept.h"

#include "core/is_safe_checkers/headers/chars.h"

namespace sorvane::is_safe_checkers::headers::accept {
namespace {

enum class State { Start, Type, TypeWildcard, SubtypeStart, Subtype, AfterSubtype, ParamStart,
                   AfterQ, QValue };

}  // namespace

bool is_safe(std::string_view value) {
  State state = State::Start;
  headers::QValue q{'=', 0};
  for (char c : value) {
    switch (state) {
      case State::Start:
        if (c == ' ' || c == ',') break;
        if (is_type_start(c)) state = State::Type;
        else if (c == '*') state = State::TypeWildcard;
        else return false;
        break;
      case State::Type:
        if (is_type_char(c)) break;
        if (c != '/') return false;
        state = State::SubtypeStart;
        break;
      case State::TypeWildcard:
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
        else if (c == ',') state = State::Start;
        else if (c == ';') state = State::ParamStart;
        else return false;
        break;
      case State::AfterSubtype:
        if (c == ' ') break;
        if (c == ',') state = State::Start;
        else if (c == ';') state = State::ParamStart;
        else return false;
        break;
      case State::ParamStart:
        if (c == ' ') break;
        if (c != 'q') return false;
        state = State::AfterQ;
        break;
      case State::AfterQ:
        if (c != '=') return false;
        state = State::QValue;
        q = {'=', 0};
        break;
      case State::QValue:
        // Right after the '=' (or its '.') comes the integer digit.
        if (q.last == '=' && (c == '0' || c == '1')) q = {c, 0};
        else if (c == ' ' || c == ',') state = State::Start;
        else if (c == ';') state = State::ParamStart;
        else if (!advance_fraction(q, c)) return false;
        break;
    }
  }
  switch (state) {
    case State::Start:
    case State::Subtype:
    case State::AfterSubtype:
    case State::QValue:
      return true;
    default:
      return false;
  }
}

}  // namespace sorvane::is_safe_checkers::headers::accept
