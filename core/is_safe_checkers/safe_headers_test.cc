#include "core/is_safe_checkers/safe_headers.h"

#include <gtest/gtest.h>

#include <string>

#include "core/is_safe_checkers/headers/accept.h"
#include "core/is_safe_checkers/headers/accept_encoding_or_language.h"
#include "core/is_safe_checkers/headers/content_type.h"
#include "core/is_safe_checkers/headers/if_none_match.h"
#include "core/is_safe_checkers/headers/if_or_un_modified.h"
#include "core/is_safe_checkers/headers/origin.h"

namespace sorvane::is_safe_checkers {
namespace {

struct Case {
  std::string value;
  bool safe;
};

void expect_all(const char* checker, safe_headers::ValueChecker fn,
                std::initializer_list<Case> cases) {
  for (const Case& c : cases) {
    EXPECT_EQ(fn(c.value), c.safe) << checker << ": '" << c.value << "'";
  }
}

TEST(HeaderCheckers, HttpDate) {
  expect_all("if_or_un_modified", headers::if_or_un_modified::is_safe,
             {
                 {"Sun, 06 Nov 1994 08:49:37 GMT", true},
                 {"  Xyz, 99 Abc 0000 99:99:99 G M T ", true},
                 {"  Xyz, 99 Abc 0000 99:99:99  GMT", true},
                 {"Sun, 06 Nov 1994 08:49:37 GMT   ", true},
                 {"", false},
                 {"Sunday, 06-Nov-94 08:49:37 GMT", false},
                 {"Sun, 6 Nov 1994 08:49:37 GMT", false},
                 {"Sun,  06 Nov 1994 08:49:37 GMT", false},
                 {"Sun, 06 Nov 1994 8:49:37 GMT", false},
                 {"Sun, 06 Nov 94 08:49:37 GMT", false},
                 {"Sun, 06 Nov 1994 08:49:37", false},
                 {"Sun, 06 Nov 1994 08:49:37 ", false},
                 {"Sun, 06 Nov 1994 08:49:37 GMTX", false},
                 {"Sun, 06 Nov 1994 08:49:37 GM", false},
                 {"Sun, 06 Nov 1994 08:49:37 +0000", false},
                 {"Sun, 06 Nov 1994 08:49:37 GMT,", false},
                 {"S\xC3\xBCn, 06 Nov 1994 08:49:37 GMT", false},
             });
}

TEST(HeaderCheckers, EntityTag) {
  expect_all("if_none_match", headers::if_none_match::is_safe,
             {
                 {"*", true},
                 {"W/\"123-456\"", true},
                 {"W/\"", true},
                 {"\"123-456\"", false},
                 {"W/\"abc\"", false},
                 {"w/\"123\"", false},
                 {"**", false},
                 {"", false},
                 {"W/\"1\", W/\"2\"", false},
             });
}

TEST(HeaderCheckers, Origin) {
  expect_all("origin", headers::origin::is_safe,
             {
                 {"https://sub-1.example.com:8443", true},
                 {"http://localhost", true},
                 {"http://", true},
                 {"https://", true},
                 {"https://example.com:8443/", false},
                 {"https://example.com/path", false},
                 {"null", false},
                 {"httpx:/", false},
                 {"HTTP://example.com", false},
                 {"ftp://example.com", false},
                 {"http://a_b", false},
                 {"http://[::1]", false},
                 {"https://ex\xC3\xA4mple.com", false},
             });
}

TEST(HeaderCheckers, Accept) {
  expect_all("accept", headers::accept::is_safe,
             {
                 {"", true},
                 {"text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8", true},
                 {"text/*", true},
                 {"*/html", true},
                 {"+x/-y", true},
                 {"text/html , text/plain", true},
                 {" , text/html", true},
                 {"text/html; q=0.5", true},
                 {"text/html ;q=0.5", true},
                 {"text/html;q=0.5;q=1", true},
                 {"text/html;q=0.5 ,text/plain", true},
                 {"text", false},
                 {"text/", false},
                 {"*", false},
                 {"*/", false},
                 {"1text/html", false},
                 {"application/vnd.api+json", false},
                 {"text/html; charset=utf-8", false},
                 {"text/html;", false},
                 {"text/html;q", false},
                 {"text/html;q =1", false},
                 {"text/html;Q=1", false},
                 // q-values
                 {"text/html;q=", true},
                 {"text/html;q=.", true},
                 {"text/html;q=0", true},
                 {"text/html;q=1", true},
                 {"text/html;q=0.5", true},
                 {"text/html;q=0.05", true},
                 {"text/html;q=0.005", true},
                 {"text/html;q=0.10", true},
                 {"text/html;q=0.100", true},
                 {"text/html;q=0.000", true},
                 {"text/html;q=1.000", true},
                 {"text/html;q=.0", true},
                 {"text/html;q=0.", true},
                 {"text/html;q=0.55", false},
                 {"text/html;q=0.11", false},
                 {"text/html;q=0.050", false},
                 {"text/html;q=0.0000", false},
                 {"text/html;q=1.0000", false},
                 {"text/html;q=1.5", false},
                 {"text/html;q=2", false},
                 {"text/html;q=.5", false},
                 {"text/html;q=00", false},
                 {"text/html;q=0..5", false},
             });
}

TEST(HeaderCheckers, AcceptEncodingOrLanguage) {
  expect_all("accept_encoding_or_language", headers::accept_encoding_or_language::is_safe,
             {
                 {"", true},
                 {"en-US,en;q=0.9", true},
                 {"gzip, deflate, br", true},
                 {"zh-Hant-TW", true},
                 {"*", true},
                 {"*;q=0", true},
                 {"identity;q=0, *;q=0", true},
                 {"gzip;q=0.5 ", true},
                 {"gzip;q=1.000", true},
                 {"gzip ;q=1", true},
                 {"en-US,en;q=0.75", false},
                 {"gzip;q=", false},
                 {"gzip;q=1.0;", false},
                 {"gzip;q=.5", false},
                 {"gzip;q=0.", true},
                 {"gzip;", false},
                 {"gzip;q", false},
                 {"1gzip", false},
                 {"en_US", false},
                 {"**", false},
                 {"fr-\xC3\xA9", false},
             });
}

TEST(HeaderCheckers, ContentType) {
  expect_all("content_type", headers::content_type::is_safe,
             {
                 {"", true},
                 {" text/html", true},
                 {"text/html; charset=utf-8", true},
                 {"text/html;charset=utf-8 ", true},
                 {"multipart/form-data; boundary=----Abc123", true},
                 {"application/json;", true},
                 {"text/*", true},
                 {"text/plain; charset=\"a\\\"b\"", true},
                 {"text/plain; charset=\"\"", true},
                 {"text/plain; charset=\"\xC3\xA9 ;,\"", true},
                 {"text/plain; a=\"x\"; b=y", true},
                 {"text/plain; charset=\"a\\\"b", false},
                 {"text/plain; charset=\"a\\\\\"", false},
                 {"text/plain; charset=\"a\" b", false},
                 {"application/vnd.ms-excel", false},
                 {"text/html, text/plain", false},
                 {"*/*", false},
                 {"text", false},
                 {"text/", false},
                 {"text/html; charset", false},
                 {"text/html; charset=", false},
                 {"text/html; 1a=b", false},
                 {"text/html; charset=utf_8", false},
             });
}

TEST(HeaderCheckers, CharacterClasses) {
  expect_all("all_digits", safe_headers::all_digits,
             {{"", true}, {"42", true}, {"42 ", false}, {"-1", false}, {"\xD9\xA3", false}});
  expect_all("all_host_chars", safe_headers::all_host_chars,
             {{"www.example-1.com:8080", true}, {"", true}, {"[::1]:80", false},
              {"a b", false}, {"ex\xC3\xA4mple.com", false}});
  expect_all("all_base64_or_space", safe_headers::all_base64_or_space,
             {{"Basic dXNlcjpwYXNzd29yZA==", true}, {"Bearer a.b", false},
              {"Bearer a-b", false}, {"Bearer a_b", false}});
  expect_all("all_alnum_or_dash", safe_headers::all_alnum_or_dash,
             {{"no-cache", true}, {"Upgrade", true}, {"keep-alive, Upgrade", false}});
}

}  // namespace
}  // namespace sorvane::is_safe_checkers
