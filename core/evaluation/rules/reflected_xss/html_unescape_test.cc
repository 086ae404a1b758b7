#include "core/evaluation/rules/reflected_xss/html_unescape.h"

#include <gtest/gtest.h>

#include <string>

namespace sorvane::evaluation::rules::reflected_xss::html_unescape {
namespace {

struct Case {
  std::string input;
  std::optional<std::string> decoded;  // none: nothing decoded
};

TEST(XssUnescapeHtml, NamedReferences) {
  const Case cases[] = {
      {"&lt;script&gt;", "<script>"},
      {"&LT;", "<"},
      {"&Lt;", std::nullopt},
      {"&lT;", std::nullopt},
      {"&lt;a", "<a"},
      {"&TAB;&tab;", "\t\t"},
      {"&QUOT;&apos;&LPAR;&rpar;&plus;&SEMI;&lsqb;&RSQB;&lcub;&RCUB;&num;", "\"'()+;[]{}#"},
      {"&comma;&colon;&period;&lbrack;&rbrack;&equals;&lbrace;&rbrace;", ",:.[]={}"},
      {"&percent;", "%"},
      // Names longer than four letters are lower case only.
      {"&PERCENT;", std::nullopt},
      {"&COMMA;", std::nullopt},
      {"&Amp;", std::nullopt},
      {"&amp", std::nullopt},
      {"&abcdefghi;", std::nullopt},
      {"&abcdefgh;", std::nullopt},
      {"&nbsp;", std::nullopt},
      {"&l\xC3\xA9;", std::nullopt},
      // Bytes between "&" and the name are skipped and belong to the reference.
      {"& amp;", "&"},
      {"&&amp;", "&"},
      {"&1lt;", "<"},
      {"x&; ;gt;y", "x>y"},
      {"& \xC3\xA9lt;", std::nullopt},
      {"&", std::nullopt},
      {"&&&", std::nullopt},
      // A failed name does not hide the references inside it.
      {"&a&amp;", "&a&"},
      {"a &amp; b &lt; c", "a & b < c"},
      {"", std::nullopt},
      {"plain", std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(unescape_html(c.input), c.decoded) << c.input;
  }
}

TEST(XssUnescapeHtml, NumericReferences) {
  const Case cases[] = {
      {"&#60;", "<"},
      {"&#x3c;", "<"},
      {"&#X3C;", "<"},
      {"&#060;", "<"},
      {"&#60x", "<x"},
      {"&#60 a", "< a"},
      {"&#60", std::nullopt},
      {"&#x", std::nullopt},
      {"&#xg;", std::nullopt},
      {"&#;", std::nullopt},
      {"&#a;", std::nullopt},
      {"&#0;", std::string(1, '\0')},
      {"&#1114111;", "\xF4\x8F\xBF\xBF"},
      {"&#x10FFFF;", "\xF4\x8F\xBF\xBF"},
      {"&#233;", "\xC3\xA9"},
      {"&#x20AC;", "\xE2\x82\xAC"},
      {"&#xD800;", std::nullopt},
      {"&#xDFFF;", std::nullopt},
      {"&#xD7FF;", "\xED\x9F\xBF"},
      {"&#x110000;", std::nullopt},
      {"&#1114112;", std::nullopt},
      {"&#99999999999;", std::nullopt},
      // Zeros right after the first digit are not counted against the digit limit.
      {"&#0000000000000060;", "<"},
      {"&#x00000000003c;", "<"},
      {"&#00000001114111;", "\xF4\x8F\xBF\xBF"},
      {"&#x000010FFFF;", "\xF4\x8F\xBF\xBF"},
      {"&#011141110;", std::nullopt},
      // Uncounted zeros after a first digit may not hide an overflow of the 32-bit value.
      {"&#1000000000000;", std::nullopt},
      {"&#x100000000;", std::nullopt},
      {"&#4294967296;", std::nullopt},
      {"&#60\xC3\xA9", std::nullopt},
      {"a&#60;b&#x3e;c", "a<b>c"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(unescape_html(c.input), c.decoded) << c.input;
  }
}

TEST(XssUnescapeHtml, RunsAfterTheJavaScriptDecoder) {
  // The HTML decoder itself does not decode the JavaScript escape it produces.
  EXPECT_EQ(unescape_html("&#92;x61"), std::optional<std::string>("\\x61"));
}

}  // namespace
}  // namespace sorvane::evaluation::rules::reflected_xss::html_unescape
