#include "core/platform/file.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace sorvane::platform {
namespace {

namespace fs = std::filesystem;

TEST(WriteFully, RetriesShortWritesAndStopsAtAnError) {
  struct Case {
    std::vector<long long> answers;  // what each call of write_some reports
    bool ok;
    std::string written;
  };
  const Case cases[] = {
      {{6}, true, "abcdef"},
      {{2, 3, 1}, true, "abcdef"},
      {{1, 1, 1, 1, 1, 1}, true, "abcdef"},
      {{2, -1}, false, "ab"},
      {{0}, false, ""},       // no progress: an error, not an endless loop
      {{4, 7}, false, "abcd"},  // more than was asked for
  };
  for (const Case& c : cases) {
    std::string written;
    std::size_t call = 0;
    bool ok = write_fully("abcdef", [&](std::string_view rest) -> long long {
      long long n = call < c.answers.size() ? c.answers[call++] : -1;
      if (n > 0 && static_cast<std::size_t>(n) <= rest.size()) {
        written.append(rest.substr(0, static_cast<std::size_t>(n)));
      }
      return n;
    });
    EXPECT_EQ(ok, c.ok) << c.written;
    EXPECT_EQ(written, c.written);
  }
  EXPECT_TRUE(write_fully("", [](std::string_view) -> long long { return -1; }));
}

class NewFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("quenlith_new_file_test_" +
            std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  static std::string read(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  static void write(const fs::path& file, std::string_view text) {
    std::ofstream(file, std::ios::binary) << text;
  }
  fs::path dir_;
};

TEST_F(NewFileTest, CreatesAFileOnlyItsOwnerCanReadAndWrite) {
  auto file = dir_ / "new.log";
#ifndef _WIN32
  // Even with nothing masked out, the mode is 0600.
  mode_t saved = ::umask(0);
#endif
  auto created = NewFile::create(file);
#ifndef _WIN32
  ::umask(saved);
#endif
  ASSERT_TRUE(created) << created.error().message();
  EXPECT_TRUE(created->is_open());
  EXPECT_TRUE(created->write("one\n"));
  EXPECT_TRUE(created->write("two\n"));
  EXPECT_EQ(read(file), "one\ntwo\n");
#ifndef _WIN32
  EXPECT_EQ(fs::status(file).permissions(), fs::perms::owner_read | fs::perms::owner_write);
#endif

  // Moving hands the file over; the moved-from one writes nothing.
  NewFile moved = std::move(created).value();
  EXPECT_TRUE(moved.write("three\n"));
  EXPECT_EQ(read(file), "one\ntwo\nthree\n");
  NewFile empty;
  EXPECT_FALSE(empty.is_open());
  EXPECT_FALSE(empty.write("x"));
}

TEST_F(NewFileTest, NeverOpensFollowsOrAppendsToWhatHasTheName) {
  const auto target = dir_ / "target.txt";
  write(target, "precious\n");
  fs::create_directories(dir_ / "subdir");
  write(dir_ / "regular.log", "earlier\n");
#ifdef _WIN32
  // Symbolic links need a privilege on Windows (and the emulated runs have none).
  const char* const names[] = {"regular.log", "subdir"};
#else
  fs::create_symlink(target, dir_ / "link.log");
  fs::create_symlink(dir_ / "nowhere.txt", dir_ / "dangling.log");
  fs::create_symlink(dir_ / "subdir", dir_ / "dirlink.log");
  const char* const names[] = {"regular.log", "link.log", "dangling.log", "subdir", "dirlink.log"};
#endif
  for (const char* name : names) {
    auto created = NewFile::create(dir_ / name);
    ASSERT_FALSE(created) << name;
    EXPECT_TRUE(name_taken(created.error())) << name << ": " << created.error().message();
  }
  EXPECT_EQ(read(target), "precious\n");
  EXPECT_EQ(read(dir_ / "regular.log"), "earlier\n");
  EXPECT_FALSE(fs::exists(dir_ / "nowhere.txt"));
  EXPECT_TRUE(fs::is_empty(dir_ / "subdir"));

  // A missing directory is an error of another kind.
  auto missing = NewFile::create(dir_ / "missing" / "x.log");
  ASSERT_FALSE(missing);
  EXPECT_FALSE(name_taken(missing.error()));
}

}  // namespace
}  // namespace sorvane::platform
