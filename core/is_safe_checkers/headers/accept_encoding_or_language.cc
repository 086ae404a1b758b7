#include "core/is_safe_checkers/headers/accept_encoding_or_language.h"

#include "core/is_safe_checkers/headers/chars.h"

namespace sorvane::is_safe_checkers::headers::accept_encoding_or_language {
namespace {

enum class State { Start, Item, AfterItem, ParamStart, AfterQ, AfterEquals, QValue };

}  // namespace

bool is_safe(std::string_view value) {
  State state = State::Start;
  headers::QValue q{'0', 0};
  for (char c : value) {
    switch (state) {
      case State::Start:
        if (c == ' ' || c == ',') break;
        if (is_letter(c)) state = State::Item;
        else if (c == '*') state = State::AfterItem;
        else return false;
        break;
      case State::Item:
        if (is_alnum(c) || c == '-') break;
        if (c == ' ') state = State::AfterItem;
        else if (c == ',') state = State::Start;
        else if (c == ';') state = State::ParamStart;
        else return false;
        break;
      case State::AfterItem:
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
        state = State::AfterEquals;
        break;
      case State::AfterEquals:
        if (c != '0' && c != '1') return false;
        state = State::QValue;
        q = {c, 0};
        break;
      case State::QValue:
        if (c == ' ' || c == ',') state = State::Start;
        else if (!advance_fraction(q, c)) return false;
        break;
    }
  }
  switch (state) {
    case State::Start:
    case State::Item:
    case State::AfterItem:
    case State::QValue:
      return true;
    default:
      return false;
  }
}

}  // namespace sorvane::is_safe_checkers::headers::accept_encoding_or_language
