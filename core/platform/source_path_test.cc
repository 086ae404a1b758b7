#include "core/platform/source_path.h"

#include <gtest/gtest.h>

namespace sorvane::platform {
namespace {

TEST(SourcePath, WritesEverySlashWithTheSeparator) {
  struct Case {
    std::string_view path;
    char separator;
    std::string_view written;
  };
  const Case cases[] = {
      {"core/agent_config/agent_init.cc", '\\', "core\\agent_config\\agent_init.cc"},
      {"core/agent_config/agent_init.cc", '/', "core/agent_config/agent_init.cc"},
      {"/abs//x.cc", '\\', "\\abs\\\\x.cc"},
      {"f.cc", '\\', "f.cc"},
      {"<unnamed>", '\\', "<unnamed>"},
      {"", '\\', ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(fmt::format("[{}:{}]", SourcePath{c.path, c.separator}, 7),
              fmt::format("[{}:7]", c.written));
  }
}

TEST(SourcePath, TheBuildsSeparator) {
#ifdef _WIN32
  EXPECT_EQ(fmt::format("{}", SourcePath{"core/a.cc"}), "core\\a.cc");
#else
  EXPECT_EQ(fmt::format("{}", SourcePath{"core/a.cc"}), "core/a.cc");
#endif
}

}  // namespace
}  // namespace sorvane::platform
