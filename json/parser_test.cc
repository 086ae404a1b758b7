#include "json/parser.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "json/testing/reference.h"

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace sorvane::json::parser {
namespace {

using namespace std::string_literals;
using lexemes::Token;

// The error message of a parse, or absent on success.
std::optional<std::string> parse_error_of(std::string_view text) {
  Parser parser(text, [](std::span<const Token>, ItemKind, const Token&) {});
  if (auto error = parser.parse()) return error->details();
  return std::nullopt;
}

TEST(JsonParser, AcceptsValidDocuments) {
  const std::string cases[] = {
      "0", "-0", "1.5", "1e5", "1E+5", "12e+3", "-12.25E-07", "true", "false", "null", "\"\"",
      "{}", "[]", " [ ] ", "{\"a\":1}", "[1,\"x\",true,null,{},[]]",
      "{\"a\":{\"b\":[{\"c\":null}]},\"d\":\"e\"}",
      // Escapes are validated, not decoded.
      "\"\\\" \\\\ \\/ \\b \\f \\n \\r \\t \\u0041 \\uABcd\"",
      // DEL and non-ASCII characters inside strings.
      "\"\x7F\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\"",
      "\xEF\xBB\xBF\"a\"", "[1\xEF\xBB\xBF,\xEF\xBB\xBF" "2]\xEF\xBB\xBF",
      // A repeated key is accepted.
      "{\"a\":1,\"a\":2}",
  };
  for (const std::string& text : cases) {
    EXPECT_EQ(parse_error_of(text), std::nullopt) << text;
  }
}

TEST(JsonParser, ErrorMessages) {
  struct Case {
    std::string text;
    std::string message;
  };
  const Case cases[] = {
      // No token at all.
      {"", "unexpected end of input"},
      {" \t\r\n", "unexpected end of input"},
      {"\xEF\xBB\xBF", "unexpected end of input"},
      // Characters that start no token; the position counts characters from 1.
      {"x", "Unexpected token x in JSON at position 1"},
      {"\v1", "Unexpected token \v in JSON at position 1"},
      {"\f1", "Unexpected token \f in JSON at position 1"},
      {"\xC2\xA0" "1", "Unexpected token \xC2\xA0 in JSON at position 1"},
      {"\0"s, "Unexpected token \0 in JSON at position 1"s},
      {"[\xC3\xA9]", "Unexpected token \xC3\xA9 in JSON at position 2"},
      {"[\"\xE2\x82\xAC\xF0\x9F\x98\x80\",x]", "Unexpected token x in JSON at position 7"},
      {"True", "Unexpected token T in JSON at position 1"},
      {"'a'", "Unexpected token ' in JSON at position 1"},
      // Strings.
      {"\"a\nb\"", "Unexpected token \n in JSON at position 3"},
      {"\"a\tb\"", "Unexpected token \t in JSON at position 3"},
      {"\"\0\""s, "Unexpected token \0 in JSON at position 2"s},
      {"\"\x1F\"", "Unexpected token \x1F in JSON at position 2"},
      {"\"\\x\"", "Unexpected token x in JSON at position 3"},
      {"\"\\\n\"", "Unexpected token \n in JSON at position 3"},
      {"\"\\\xC3\xA9\"", "Unexpected token \xC3\xA9 in JSON at position 3"},
      {"\"\\u00G1\"", "Invalid Unicode escape sequence"},
      {"\"\\u12\"", "Invalid Unicode escape sequence"},
      {"\"\\u004\"", "Invalid Unicode escape sequence"},
      {"\"\\u", "Unexpected end of JSON input"},
      {"\"\\u00", "Unexpected end of JSON input"},
      {"\"\\", "Unexpected end of JSON input"},
      {"\"abc", "Unexpected end of JSON input"},
      {"[\"", "Unexpected end of JSON input"},
      // Numbers.
      {"1.", "Unexpected end of JSON input"},
      {"1e", "Unexpected end of JSON input"},
      {"1e-", "Unexpected end of JSON input"},
      {"-", "Unexpected end of JSON input"},
      {".5", "Unexpected token . in JSON at position 1"},
      {"--1", "Unexpected token - in JSON at position 2"},
      {"-a", "Unexpected token a in JSON at position 2"},
      {"0x1", "Unexpected token x in JSON at position 2"},
      {"1.e3", "Unexpected token e in JSON at position 3"},
      {"1.x", "Unexpected token x in JSON at position 3"},
      {"1ex", "Unexpected token x in JSON at position 3"},
      {"1e+x", "Unexpected token x in JSON at position 4"},
      {"1.5.", "Unexpected token . in JSON at position 4"},
      {"01", "Token { id: Number, start: 1, end: 2, byte_start: 1, byte_end: 2 }"},
      {"-01", "Token { id: Number, start: 2, end: 3, byte_start: 2, byte_end: 3 }"},
      {"1-2", "Token { id: Number, start: 1, end: 3, byte_start: 1, byte_end: 3 }"},
      // Literals.
      {"tru", "Unexpected end of JSON input"},
      {"trux", "Unexpected token x in JSON at position 4"},
      {"nulll", "Unexpected token l in JSON at position 5"},
      {"fals", "Unexpected end of JSON input"},
      {"[nul]", "Unexpected token ] in JSON at position 5"},
      // After the top-level value.
      {"true false", "Token { id: False, start: 5, end: 10, byte_start: 5, byte_end: 10 }"},
      {"12]", "Token { id: CloseBracket, start: 2, end: 3, byte_start: 2, byte_end: 3 }"},
      {"{} {}", "Token { id: OpenBrace, start: 3, end: 4, byte_start: 3, byte_end: 4 }"},
      {"\"\xC3\xA9\" \"b\"",
       "Token { id: String, start: 4, end: 7, byte_start: 5, byte_end: 8 }"},
      {"{\"$where\":\"x\"} x", "Unexpected token x in JSON at position 16"},
      // Lexer errors win over a pending parser failure.
      {"{1x", "Unexpected token x in JSON at position 3"},
      // Values where none may stand.
      {"[1,]", "unexpected @ ExpectAtom"},
      {"{\"a\":}", "unexpected @ ExpectAtom"},
      {"]", "unexpected @ ExpectAtom"},
      {",", "unexpected @ ExpectAtom"},
      {":", "unexpected @ ExpectAtom"},
      {"[,1]", "unexpected @ ExpectAtom"},
      // Object and array errors, answered at the next token.
      {"{,}", "key or close brace required"},
      {"{1:2}", "key or close brace required"},
      {"{\"a\" 1}", "missing colon"},
      {"{\"a\":\"x\" \"b\"}", "expected comma or right brace"},
      {"{\"a\":1,2:3}", "missing key"},
      {"[1 2]", "expected comma or right bracket"},
      {"[{\"a\":1]}", "expected comma or right brace"},
      // Errors at the last token fall to the end checks.
      {"{\"a\":1,}", "unpaired braces/brackets"},
      {"[1}", "unpaired braces/brackets"},
      {"{\"a\":1]", "unpaired braces/brackets"},
      {"{\"a\":1,\"b\"}", "unpaired braces/brackets"},
      {"[", "unpaired braces/brackets"},
      {"{", "unpaired braces/brackets"},
      {"{\"a\"", "unpaired braces/brackets"},
      {"{\"a\":1", "final state is not ExpectNothing"},
      {"[1", "final state is not ExpectNothing"},
      {"{\"a\":", "final state is not ExpectNothing"},
      {"[[1]", "final state is not ExpectNothing"},
      {"[1,", "final state is not ExpectNothing"},
      {"[[", "final state is not ExpectNothing"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(parse_error_of(c.text), c.message) << "text: " << c.text;
  }
}

struct Call {
  ItemKind kind;
  std::string text;
  std::vector<std::string> keys;
  bool operator==(const Call&) const = default;
};

void PrintTo(const Call& call, std::ostream* os) {
  *os << (call.kind == ItemKind::Key ? "key " : "value ") << call.text << " [";
  for (const auto& key : call.keys) *os << key << ",";
  *os << "]";
}

std::string_view content(std::string_view text, const Token& token) {
  return text.substr(token.byte_start + 1, token.byte_end - token.byte_start - 2);
}

std::vector<Call> calls_of(std::string_view text, std::optional<std::string>* error = nullptr) {
  std::vector<Call> calls;
  Parser parser(text, [&](std::span<const Token> key_stack, ItemKind kind, const Token& token) {
    EXPECT_EQ(token.id, lexemes::TokenType::String);
    Call call{kind, std::string(content(text, token)), {}};
    for (const Token& key : key_stack) call.keys.emplace_back(content(text, key));
    calls.push_back(std::move(call));
  });
  auto result = parser.parse();
  if (error) *error = result ? std::optional(result->details()) : std::nullopt;
  return calls;
}

TEST(JsonParser, CallbackOrderAndKeyStacks) {
  const auto K = ItemKind::Key;
  const auto V = ItemKind::Value;
  struct Case {
    std::string text;
    std::vector<Call> calls;
  };
  const Case cases[] = {
      {"{\"a\":[\"x\",{\"b\":\"y\"},\"z\"],\"c\":\"w\"}",
       {{K, "a", {"a"}},
        {V, "x", {"a"}},
        {K, "b", {"a", "b"}},
        {V, "y", {"a", "b"}},
        {V, "z", {"a"}},
        {K, "c", {"c"}},
        {V, "w", {"c"}}}},
      {"[\"a\",{\"k\":\"v\"}]", {{V, "a", {}}, {K, "k", {"k"}}, {V, "v", {"k"}}}},
      {"\"top\"", {{V, "top", {}}}},
      // Non-string values are not reported; keys are, escapes as written.
      {"{\"a\":1,\"b\":true,\"c\":null,\"d\":{}}",
       {{K, "a", {"a"}}, {K, "b", {"b"}}, {K, "c", {"c"}}, {K, "d", {"d"}}}},
      {"{\"a\\\"b\":\"c\\u0041\"}", {{K, "a\\\"b", {"a\\\"b"}}, {V, "c\\u0041", {"a\\\"b"}}}},
      {"{\"a\":{\"b\":{}},\"c\":[[\"d\"]]}",
       {{K, "a", {"a"}}, {K, "b", {"a", "b"}}, {K, "c", {"c"}}, {V, "d", {"c"}}}},
  };
  for (const Case& c : cases) {
    std::optional<std::string> error;
    EXPECT_EQ(calls_of(c.text, &error), c.calls) << c.text;
    EXPECT_EQ(error, std::nullopt) << c.text;
  }
}

TEST(JsonParser, CallsBeforeAnErrorStand) {
  std::optional<std::string> error;
  auto calls = calls_of("{\"k\":\"v\",\"n\" 1}", &error);
  EXPECT_EQ(error, "missing colon");
  EXPECT_EQ(calls, (std::vector<Call>{{ItemKind::Key, "k", {"k"}},
                                      {ItemKind::Value, "v", {"k"}},
                                      {ItemKind::Key, "n", {"n"}}}));
}

TEST(JsonParser, EmptyCallbackOnlyValidates) {
  EXPECT_FALSE(Parser("{\"a\":[\"b\"]}", nullptr).parse().has_value());
  EXPECT_EQ(Parser("{\"a\" 1}", Callback()).parse()->details(), "missing colon");
}

TEST(JsonParser, ParseCanBeRepeated) {
  int calls = 0;
  Parser parser("[\"a\"", [&](std::span<const Token>, ItemKind, const Token&) { ++calls; });
  EXPECT_EQ(parser.parse()->details(), "final state is not ExpectNothing");
  EXPECT_EQ(parser.parse()->details(), "final state is not ExpectNothing");
  EXPECT_EQ(calls, 2);
}

TEST(JsonParser, DeepNestingUsesNoRecursion) {
  constexpr std::size_t kDepth = 100000;
  const std::string arrays = std::string(kDepth, '[') + std::string(kDepth, ']');
  EXPECT_EQ(parse_error_of(arrays), std::nullopt);
  EXPECT_EQ(parse_error_of(std::string(kDepth, '[')), "final state is not ExpectNothing");
  EXPECT_EQ(parse_error_of(std::string(kDepth, '[') + std::string(kDepth - 1, ']')),
            "final state is not ExpectNothing");
  EXPECT_EQ(parse_error_of(std::string(kDepth, '{')), "key or close brace required");

  std::string objects;
  for (std::size_t i = 0; i < kDepth; ++i) objects += "{\"k\":";
  objects += "\"v\"";
  objects += std::string(kDepth, '}');
  std::size_t deepest = 0;
  std::size_t values = 0;
  Parser parser(objects, [&](std::span<const Token> keys, ItemKind kind, const Token&) {
    deepest = std::max(deepest, keys.size());
    values += kind == ItemKind::Value;
  });
  EXPECT_FALSE(parser.parse().has_value());
  EXPECT_EQ(deepest, kDepth);
  EXPECT_EQ(values, 1u);
}

// `text` between quotation marks. (Built by appending: GCC 12 warns falsely of overlapping
// copies in a `const char*` + `std::string` sum here.)
std::string in_quotes(std::string_view text) {
  std::string out = "\"";
  out.append(text).push_back('"');
  return out;
}

TEST(JsonParser, HugeStrings) {
  const std::string plain = in_quotes(std::string(10 << 20, 'a'));
  EXPECT_EQ(parse_error_of(plain), std::nullopt);
  std::string escaped = "[\"";
  for (int i = 0; i < (1 << 20); ++i) escaped += "\\\"\\u00e9";
  escaped += "\"]";
  EXPECT_EQ(parse_error_of(escaped), std::nullopt);
  EXPECT_EQ(parse_error_of(std::string(1 << 20, '"')), "Token { id: String, start: 2, end: 4, "
                                                       "byte_start: 2, byte_end: 4 }");
  // The position of a late error counts every character before it.
  const std::string late = in_quotes(std::string(3 << 20, 'a') + "\n");
  EXPECT_EQ(parse_error_of(late),
            "Unexpected token \n in JSON at position " + std::to_string((3 << 20) + 2));
}

#if defined(__GLIBC__)
TEST(JsonParser, LongArrayParsesInConstantMemory) {
  // About 10 MB of numbers with a string now and then, so that the callback can look at the
  // heap while the parser is deep into the text.
  std::string text = "[";
  while (text.size() < (10u << 20)) {
    for (int i = 0; i < 1000; ++i) text += "12345.678e-3,";
    text += "\"s\",";
  }
  text += "0]";
  const std::size_t before = mallinfo2().uordblks;
  std::size_t peak = 0;
  std::size_t strings = 0;
  Parser parser(text, [&](std::span<const Token>, ItemKind, const Token&) {
    ++strings;
    peak = std::max(peak, mallinfo2().uordblks);
  });
  ASSERT_FALSE(parser.parse().has_value());
  EXPECT_GT(strings, 500u);
  EXPECT_LT(peak - std::min(peak, before), 16u << 10);
}
#endif

// Any bytes answer success or one of the fixed messages, never anything else.
bool is_known_message(const std::string& message) {
  static const char* const kFixed[] = {
      "Unexpected end of JSON input",    "Invalid Unicode escape sequence",
      "unexpected @ ExpectAtom",         "key or close brace required",
      "missing colon",                   "expected comma or right brace",
      "missing key",                     "expected comma or right bracket",
      "final state is not ExpectNothing", "unpaired braces/brackets",
      "unexpected end of input"};
  for (const char* fixed : kFixed) {
    if (message == fixed) return true;
  }
  if (message.starts_with("Token { id: ")) return true;
  if (!message.starts_with("Unexpected token ")) return false;
  const auto at = message.rfind(" in JSON at position ");
  if (at == std::string::npos || at <= 17) return false;
  const std::string number = message.substr(at + 21);
  return !number.empty() && number.find_first_not_of("0123456789") == std::string::npos &&
         number[0] != '0';
}

TEST(JsonParser, ArbitraryBytesNeverCrash) {
  std::mt19937 random(12345);
  const std::string alphabet = "{}[]:,\"\\/u0123456789abcdefABCDEF.eE+-truefalsenull \t\n\r";
  for (int round = 0; round < 20000; ++round) {
    std::string text;
    const int length = static_cast<int>(random() % 40);
    for (int i = 0; i < length; ++i) {
      const auto pick = random() % 8;
      if (pick == 0) {
        text.push_back(static_cast<char>(random() % 256));
      } else {
        text.push_back(alphabet[random() % alphabet.size()]);
      }
    }
    std::size_t calls = 0;
    Parser parser(text, [&](std::span<const Token> keys, ItemKind, const Token& token) {
      ++calls;
      ASSERT_LE(token.byte_end, text.size());
      ASSERT_EQ(text[token.byte_start], '"');
      ASSERT_EQ(text[token.byte_end - 1], '"');
      for (const Token& key : keys) ASSERT_LE(key.byte_end, text.size());
    });
    auto error = parser.parse();
    if (error) {
      EXPECT_TRUE(is_known_message(error->details())) << error->details() << " for " << text;
    }
  }
}

// Random JSON documents, built from the grammar with blanks, U+FEFF, escapes and non-ASCII
// text between and inside their tokens.
class DocumentMaker {
 public:
  explicit DocumentMaker(std::mt19937& random) : random_(random) {}

  std::string document() {
    std::string text;
    blanks(text);
    value(text, 0);
    blanks(text);
    return text;
  }

 private:
  std::size_t pick(std::size_t n) { return random_() % n; }

  void blanks(std::string& text) {
    static const char* const kBlanks[] = {" ", "\t", "\n", "\r", "\xEF\xBB\xBF"};
    while (pick(4) == 0) text += kBlanks[pick(5)];
  }

  void string(std::string& text) {
    static const char* const kPieces[] = {
        "a", "Widget 12", "0123456789abcdef", "\\\"", "\\\\", "\\/", "\\n", "\\u00e9",
        "\\uD83D\\uDE00", "\xC3\xA9", "\xE2\x82\xAC", "\xF0\x9F\x98\x80", "\x7F", "$ne", " "};
    text += '"';
    for (std::size_t i = pick(6); i > 0; --i) text += kPieces[pick(std::size(kPieces))];
    text += '"';
  }

  void value(std::string& text, int depth) {
    static const char* const kScalars[] = {"0", "-0", "12", "-3.25", "1e5", "6.02E+23", "7e-1",
                                           "true", "false", "null"};
    const std::size_t kind = depth > 4 ? pick(2) : pick(4);
    if (kind == 0) {
      string(text);
    } else if (kind == 1) {
      text += kScalars[pick(std::size(kScalars))];
    } else {
      const bool object = kind == 2;
      text += object ? '{' : '[';
      for (std::size_t i = pick(5); i > 0; --i) {
        blanks(text);
        if (object) {
          string(text);
          blanks(text);
          text += ':';
          blanks(text);
        }
        value(text, depth + 1);
        blanks(text);
        if (i > 1) text += ',';
      }
      text += object ? '}' : ']';
    }
  }

  std::mt19937& random_;
};


// Valid documents, each also cut short, with one byte changed, and with one byte put in: the
// lexer's tokens, and the parser's calls (token positions and key stacks whole) and error,
// are those of a plain lexer and parser that follow the token rules and the state table one
// byte and one token at a time.
TEST(JsonParser, AnswersAsThePlainLexerAndStateTable) {
  std::mt19937 random(77);
  DocumentMaker maker(random);
  const std::string bytes = "{}[]:,\"\\ux0e.-+\x01\xC3\xEF\xBB\xBF\xFF \n";
  std::size_t valid = 0;
  for (int round = 0; round < 20000; ++round) {
    const std::string document = maker.document();
    std::vector<std::string> texts = {document};
    if (!document.empty()) {
      const std::size_t at = random() % document.size();
      texts.push_back(document.substr(0, at));
      std::string changed = document;
      changed[at] = bytes[random() % bytes.size()];
      texts.push_back(changed);
      std::string longer = document;
      longer.insert(at, 1, bytes[random() % bytes.size()]);
      texts.push_back(longer);
    }
    for (const std::string& text : texts) {
      SCOPED_TRACE(text);
      lexemes::Lexer lexer(text);
      testing::ReferenceLexer reference_lexer(text);
      for (;;) {
        const auto token = lexer.next();
        ASSERT_EQ(token, reference_lexer.next());
        if (!token) break;
      }
      const auto actual =
          testing::calls_and_error([&](auto on_item) { return parse_items(text, on_item); });
      const auto expected = testing::calls_and_error(
          [&](auto on_item) { return testing::reference_parse(text, on_item); });
      ASSERT_EQ(actual, expected);
      ASSERT_EQ(
          testing::calls_and_error([&](auto on_item) { return Parser(text, on_item).parse(); }),
          expected);
      valid += !expected.second;
    }
  }
  // Most documents stay valid; most changed texts do not.
  EXPECT_GT(valid, 20000u);
  EXPECT_LT(valid, 50000u);
}

// The error message with its positions left out: the same error at another offset.
std::string without_digits(std::string message) {
  std::erase_if(message, [](char c) { return c >= '0' && c <= '9'; });
  return message;
}

// A colon or comma right after the token before it is read without a loop turn of its own;
// after a blank it takes the ordinary way. Random token sequences, valid or not, written
// tight and then with a blank between every two tokens, give the same calls and the same
// error.
TEST(JsonParser, PunctuationRightAfterATokenAsAfterABlank) {
  const std::vector<std::string> tokens = {"{", "}", "[", "]", ":", ",", "\"k\"", "\"\"",
                                           "\"v\\\"\"", "1", "-2.5e3", "true", "null", "@"};
  std::mt19937 random(2024);
  std::size_t valid = 0;
  for (int round = 0; round < 30000; ++round) {
    std::vector<std::string> picked;
    // Mostly well-formed objects and arrays, so that long valid documents come up.
    const std::string start = random() % 2 ? "{\"a\":[" : "[{\"b\":";
    picked.push_back(start);
    for (std::size_t i = random() % 16; i > 0; --i) {
      picked.push_back(tokens[random() % tokens.size()]);
    }
    std::string tight, spaced;
    for (std::size_t i = 0; i < picked.size(); ++i) {
      // Words and numbers keep a blank between them in both texts: both hold the same tokens.
      const bool word =
          std::isalnum(static_cast<unsigned char>(picked[i][0])) || picked[i][0] == '-';
      const bool word_before =
          i > 0 && std::isalnum(static_cast<unsigned char>(picked[i - 1].back()));
      if (i > 0) spaced += ' ';
      if (word && word_before) tight += ' ';
      tight += picked[i];
      spaced += picked[i];
    }
    for (const std::string& close : {std::string("]}"), std::string("}]")}) {
      const std::string a = tight + close;
      const std::string b = spaced + " " + close.substr(0, 1) + " " + close.substr(1);
      std::optional<std::string> error_a, error_b;
      const auto calls_a = calls_of(a, &error_a);
      const auto calls_b = calls_of(b, &error_b);
      ASSERT_EQ(calls_a, calls_b) << a << " | " << b;
      ASSERT_EQ(error_a.has_value(), error_b.has_value()) << a << " | " << b;
      if (error_a) {
        ASSERT_EQ(without_digits(*error_a), without_digits(*error_b)) << a;
      }
      valid += !error_a;
    }
  }
  EXPECT_GT(valid, 1000u);
}

}  // namespace
}  // namespace sorvane::json::parser
