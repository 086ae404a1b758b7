#include "core/agent_config/logging.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <source_location>
#include <sstream>
#include <thread>
#include <vector>

#include "core/agent_config/agent_init.h"
#include "core/platform/process.h"
#include "core/platform/source_path.h"

namespace sorvane::agent_config::logging {
namespace {

using namespace std::chrono;

// 2024-03-05 14:15:02.123 UTC.
const system_clock::time_point kSample =
    sys_days{year{2024} / March / 5} + hours{14} + minutes{15} + seconds{2} + milliseconds{123};

// `text` with its slashes written as the build writes source paths (backslashes on Windows).
std::string native(std::string text) {
  std::replace(text.begin(), text.end(), '/', platform::kPathSeparator);
  return text;
}

std::string format_line(const log::Record& record, system_clock::time_point now) {
  fmt::memory_buffer out;
  log_format(fmt::appender(out), record, now);
  return fmt::to_string(out);
}

TEST(LogLevelText, ParsesTheFiveNamesInAnyCase) {
  struct Case {
    std::string_view text;
    std::optional<LogLevel> level;
  };
  const Case cases[] = {
      {"error", LogLevel::Error}, {"WARN", LogLevel::Warn},   {"Info", LogLevel::Info},
      {"dEbUg", LogLevel::Debug}, {"TRACE", LogLevel::Trace}, {"off", std::nullopt},
      {"", std::nullopt},         {"warning", std::nullopt},  {"verbose", std::nullopt},
      {" info", std::nullopt},    {"info\n", std::nullopt},   {"\xC4\xB0NFO", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(parse_log_level(c.text), c.level) << c.text;
  EXPECT_EQ(log_level_text(LogLevel::Error), "ERROR");
  EXPECT_EQ(log_level_text(LogLevel::Warn), "WARN");
  EXPECT_EQ(log_level_text(LogLevel::Trace), "TRACE");
}

TEST(LogFilter, AcceptsEmptyOrOneLevelName) {
  struct Case {
    std::string_view spec;
    std::optional<log::Level> level;
  };
  const Case cases[] = {
      {"", log::Level::Off},          {"off", log::Level::Off},       {"OFF", log::Level::Off},
      {"error", log::Level::Error},   {"Warn", log::Level::Warn},     {"INFO", log::Level::Info},
      {"debug", log::Level::Debug},   {"TrAcE", log::Level::Trace},   {"verbose", std::nullopt},
      {"warning", std::nullopt},      {"info,debug", std::nullopt},   {" ", std::nullopt},
      {"target=info", std::nullopt},  {"3", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(parse_log_filter(c.spec), c.level) << c.spec;
}

TEST(LogFileName, HoldsUtcSetupTimeAndPid) {
  EXPECT_EQ(log_file_name(kSample, 4711), "libquenlith_2024_03_05_141502_4711.log");
  EXPECT_EQ(log_file_name(sys_days{year{1999} / December / 31} + hours{23} + minutes{59} +
                              seconds{59} + milliseconds{999},
                          1),
            "libquenlith_1999_12_31_235959_1.log");
}

TEST(LogFormat, WritesTimeLevelLocationAndMessage) {
  log::Record banner{log::Level::Info, "sorvane::agent_config::agent_init",
                     "sorvane 1.1.6 (build info: ) successfully initialized from options. Log "
                     "level: INFO.",
                     "crates/sorvane-core/src/agent_config/agent_init", 144};
  EXPECT_EQ(format_line(banner, kSample),
            "2024-03-05 14:15:02.123 INFO [" +
                native("crates/sorvane-core/src/agent_config/agent_init") + ":144] "
            "sorvane 1.1.6 (build info: ) successfully initialized from options. Log level: "
            "INFO.\n");

  log::Record bare{log::Level::Warn, "t", "no location", nullptr, 0};
  EXPECT_EQ(format_line(bare, sys_days{year{2024} / January / 1} + milliseconds{7}),
            "2024-01-01 00:00:00.007 WARN [<unnamed>:0] no location\n");

  // The message is written as it is (the template's braces are not re-read), its control
  // characters escaped.
  log::Record braces{log::Level::Trace, "t", "a {} b\nc", "f.cc", 3};
  EXPECT_EQ(format_line(braces, kSample),
            "2024-03-05 14:15:02.123 TRACE [f.cc:3] a {} b\\nc\n");
}

TEST(LogFormat, EscapesEveryControlCharacterOfTheMessage) {
  struct Case {
    std::string_view message;
    std::string_view written;
  };
  using namespace std::string_view_literals;
  const Case cases[] = {
      {"plain text", "plain text"},
      {"", ""},
      {"a\nb", "a\\nb"},
      {"\r\n", "\\r\\n"},
      {"col\tcol", "col\\tcol"},
      {"\x1b[31mred\x1b[0m", "\\x1b[31mred\\x1b[0m"},
      {"nul\0byte"sv, "nul\\x00byte"},
      {"\x01\x07\x08\x0b\x0c\x1f", "\\x01\\x07\\x08\\x0b\\x0c\\x1f"},
      {"del\x7f", "del\\x7f"},
      // Printable ASCII, backslashes included, and every non-ASCII character stay as they are.
      {" ~\\n \\x41", " ~\\n \\x41"},
      {"caf\xC3\xA9 \xE2\x80\xA8 \xC2\x85", "caf\xC3\xA9 \xE2\x80\xA8 \xC2\x85"},
      // A forged record stays inside the one line.
      {"x\n2024-01-01 00:00:00.000 ERROR [forged:1] y",
       "x\\n2024-01-01 00:00:00.000 ERROR [forged:1] y"},
  };
  for (const Case& c : cases) {
    log::Record record{log::Level::Debug, "t", c.message, "f.cc", 1};
    EXPECT_EQ(format_line(record, kSample),
              fmt::format("2024-03-05 14:15:02.123 DEBUG [f.cc:1] {}\n", c.written))
        << c.message;
  }
}

TEST(LogFormat, AnyMessageMakesOneLineFreeOfControlCharacters) {
  std::mt19937 random(12);
  for (int round = 0; round < 2000; ++round) {
    std::string message(random() % 64, '\0');
    for (char& c : message) c = static_cast<char>(random() % 256);
    log::Record record{log::Level::Trace, "t", message, nullptr, 0};
    std::string line = format_line(record, kSample);
    ASSERT_EQ(line.back(), '\n');
    line.pop_back();
    for (char c : line) {
      const auto byte = static_cast<unsigned char>(c);
      ASSERT_TRUE(byte >= 0x20 && byte != 0x7F) << "round " << round << ": " << line;
    }
    // Removing the escapes gives the message back: nothing else is changed.
    std::string restored;
    const std::string_view prefix = "2024-03-05 14:15:02.123 TRACE [<unnamed>:0] ";
    ASSERT_EQ(line.substr(0, prefix.size()), prefix);
    const std::string written = line.substr(prefix.size());
    for (std::size_t i = 0; i < written.size(); ++i) {
      const bool control = i + 1 < written.size() && written[i] == '\\' &&
                           std::string_view("nrtx").find(written[i + 1]) != std::string_view::npos;
      std::size_t at = restored.size();
      if (control && at < message.size() &&
          (static_cast<unsigned char>(message[at]) < 0x20 || message[at] == 0x7F)) {
        char next = written[i + 1];
        if (next == 'x') {
          restored.push_back(static_cast<char>(std::stoi(written.substr(i + 2, 2), nullptr, 16)));
          i += 3;
        } else {
          restored.push_back(next == 'n' ? '\n' : next == 'r' ? '\r' : '\t');
          i += 1;
        }
      } else {
        restored.push_back(written[i]);
      }
    }
    ASSERT_EQ(restored, message) << "round " << round;
  }
}

TEST(LogFormat, SourcePathsAreRelativeToTheRepository) {
  EXPECT_STREQ(std::source_location::current().file_name(),
               "core/agent_config/logging_test.cc");
  EXPECT_STREQ(__FILE__, "core/agent_config/logging_test.cc");
}

class CaptureLogger : public log::Logger {
 public:
  void log(const log::Record& record) override {
    lines.push_back(std::string(record.message));
    files.push_back(record.file ? record.file : "");
  }
  std::vector<std::string> lines;
  std::vector<std::string> files;
};

class PanicReport : public ::testing::Test {
 protected:
  void SetUp() override {
    previous_ = log::max_level();
    log::set_capture_for_testing(&capture_);
  }
  void TearDown() override {
    log::set_capture_for_testing(nullptr);
    log::set_max_level(previous_);
  }
  CaptureLogger capture_;
  log::Level previous_ = log::Level::Off;
};

TEST_F(PanicReport, LogsStaticPayloadAndLocation) {
  log::set_max_level(log::Level::Error);
  agent_init::panic_hook(FatalError("bad RuleConfig", true, "core/evaluation/rules/rule.cc", 42));
  agent_init::panic_hook(FatalError("index 12 out of range", false, "core/x.cc", 7));
  ASSERT_EQ(capture_.lines.size(), 2u);
  EXPECT_EQ(capture_.lines[0], "PANIC! payload \"bad RuleConfig\" in file \"" +
                                   native("core/evaluation/rules/rule.cc") + "\" at line 42");
  EXPECT_EQ(capture_.lines[1],
            "PANIC! payload \"n/a\" in file \"" + native("core/x.cc") + "\" at line 7");
  EXPECT_EQ(capture_.files[0], "core/agent_config/agent_init.cc");
}

TEST_F(PanicReport, SilentWhenLoggingIsOff) {
  log::set_max_level(log::Level::Off);
  agent_init::panic_hook(FatalError("bad RuleConfig", true, "f.cc", 1));
  EXPECT_TRUE(capture_.lines.empty());
}

class FileLoggerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("quenlith_logging_test_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
            "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
  }
  // The process's installed logger keeps its file open, which Windows does not let go.
  void TearDown() override {
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
  }

  static std::string read(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  std::filesystem::path dir_;
};

TEST_F(FileLoggerTest, CreatesTheFileAtTheFirstRecordAndWritesEachRecordAtOnce) {
  auto file = dir_ / "out.log";
  auto logger = make_file_logger(file);
  EXPECT_FALSE(std::filesystem::exists(file));

  logger->log({log::Level::Warn, "t", "first", "core/a.cc", 10});
  // Readable while the logger is alive: nothing waits in a buffer.
  std::string content = read(file);
  EXPECT_NE(content.find(native(" WARN [core/a.cc:10] first\n")), std::string::npos) << content;

  logger->log({log::Level::Error, "t", "second", nullptr, 0});
  content = read(file);
  EXPECT_NE(content.find(" ERROR [<unnamed>:0] second\n"), std::string::npos) << content;
  EXPECT_LT(content.find("first"), content.find("second"));
}

TEST_F(FileLoggerTest, ConcurrentRecordsStayWholeLines) {
  auto file = dir_ / "threads.log";
  auto logger = make_file_logger(file);
  constexpr int kThreads = 4, kRecords = 200;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < kRecords; ++i) {
        std::string message = fmt::format("thread {} record {}", t, i);
        logger->log({log::Level::Info, "t", message, "core/a.cc", 1});
      }
    });
  }
  for (auto& thread : threads) thread.join();
  std::istringstream lines(read(file));
  int count = 0;
  for (std::string line; std::getline(lines, line); ++count) {
    EXPECT_NE(line.find(native(" INFO [core/a.cc:1] thread ")), std::string::npos) << line;
  }
  EXPECT_EQ(count, kThreads * kRecords);
}

TEST_F(FileLoggerTest, TheFileIsOwnerOnlyAndNeverOneThatWasThereBefore) {
  auto fresh = dir_ / "fresh.log";
  make_file_logger(fresh)->log({log::Level::Warn, "t", "record", nullptr, 0});
#ifndef _WIN32
  EXPECT_EQ(std::filesystem::status(fresh).permissions(),
            std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
#endif

  // Planted at the name before the first record: the records are lost, nothing is touched.
  const auto target = dir_ / "target.txt";
  {
    std::ofstream(target, std::ios::binary) << "precious\n";
    std::ofstream(dir_ / "planted.log", std::ios::binary) << "earlier\n";
  }
#ifdef _WIN32
  // Symbolic links need a privilege on Windows (and the emulated runs have none).
  const char* const names[] = {"planted.log"};
#else
  std::filesystem::create_symlink(target, dir_ / "link.log");
  std::filesystem::create_symlink(dir_ / "nowhere.txt", dir_ / "dangling.log");
  const char* const names[] = {"planted.log", "link.log", "dangling.log"};
#endif
  for (const char* name : names) {
    auto logger = make_file_logger(dir_ / name);
    logger->log({log::Level::Error, "t", "user input", nullptr, 0});
    logger->log({log::Level::Error, "t", "more user input", nullptr, 0});
  }
  EXPECT_EQ(read(target), "precious\n");
  EXPECT_EQ(read(dir_ / "planted.log"), "earlier\n");
  EXPECT_FALSE(std::filesystem::exists(dir_ / "nowhere.txt"));

  // Once the name was found taken, creation is not tried again.
  auto logger = make_file_logger(dir_ / "later.log");
  std::ofstream(dir_ / "later.log") << "";
  logger->log({log::Level::Error, "t", "lost", nullptr, 0});
  std::filesystem::remove(dir_ / "later.log");
  logger->log({log::Level::Error, "t", "still lost", nullptr, 0});
  EXPECT_FALSE(std::filesystem::exists(dir_ / "later.log"));
}

TEST_F(FileLoggerTest, UnwritableFileLosesRecordsQuietly) {
  auto logger = make_file_logger(dir_ / "missing" / "out.log");
  logger->log({log::Level::Error, "t", "lost", nullptr, 0});
  EXPECT_FALSE(std::filesystem::exists(dir_ / "missing"));
}

TEST_F(FileLoggerTest, InitLoggerInstallsOnceAndFixesTheDirectoryAtSetUp) {
  // Installs the process's one logger: the whole sequence runs in this one test.
  const auto saved_cwd = std::filesystem::current_path();
  const auto saved_level = log::max_level();
  std::filesystem::create_directories(dir_ / "logs");
  std::filesystem::create_directories(dir_ / "elsewhere");
  std::filesystem::current_path(dir_);

  auto missing = init_logger(true, LogLevel::Warn, "no-such-dir");
  ASSERT_FALSE(missing);
  EXPECT_EQ(missing.error(),
            "Log file cannot be written because the specified path is not a directory");
  EXPECT_FALSE(init_logger(false, LogLevel::Warn, ""));

  // A link planted at the predictable name (this second's or one of the next two) fails the
  // set-up and installs nothing.
  std::filesystem::create_directories(dir_ / "planted");
  {
    std::ofstream(dir_ / "target.txt", std::ios::binary) << "precious\n";
  }
  const auto now = system_clock::now();
  for (int ahead = 0; ahead < 3; ++ahead) {
    auto name = log_file_name(now + seconds{ahead}, platform::process_id());
#ifdef _WIN32
    std::ofstream(dir_ / "planted" / name) << "";  // links need a privilege on Windows
#else
    std::filesystem::create_symlink(dir_ / "target.txt", dir_ / "planted" / name);
#endif
  }
  auto planted = init_logger(true, LogLevel::Warn, "planted");
  ASSERT_FALSE(planted);
  EXPECT_EQ(planted.error().rfind("Log file cannot be created because libquenlith_", 0), 0u)
      << planted.error();
  EXPECT_NE(planted.error().find(".log already exists in the log directory"), std::string::npos)
      << planted.error();

  ASSERT_TRUE(init_logger(true, LogLevel::Warn, "logs"));
  EXPECT_EQ(log::max_level(), log::Level::Warn);
  EXPECT_TRUE(std::filesystem::is_empty(dir_ / "logs"));  // no record yet, no file

  auto again = init_logger(true, LogLevel::Trace, "logs");
  ASSERT_FALSE(again);
  EXPECT_EQ(again.error(), "Logger initialization failed");
  EXPECT_EQ(log::max_level(), log::Level::Warn);

  // The first record comes after a change of working directory.
  std::filesystem::current_path(dir_ / "elsewhere");
  SORVANE_WARN("sorvane::agent_config::logging", "first record {}", 1);
  SORVANE_INFO("sorvane::agent_config::logging", "filtered");
  std::filesystem::current_path(saved_cwd);
  log::set_max_level(saved_level);

  EXPECT_TRUE(std::filesystem::is_empty(dir_ / "elsewhere"));
  EXPECT_EQ(read(dir_ / "target.txt"), "precious\n");
  std::vector<std::filesystem::path> files;
  for (const auto& entry : std::filesystem::directory_iterator(dir_ / "logs")) {
    files.push_back(entry.path());
  }
  ASSERT_EQ(files.size(), 1u);
  EXPECT_EQ(files[0].filename().string().rfind("libquenlith_", 0), 0u);
  std::string content = read(files[0]);
  EXPECT_NE(content.find(native(" WARN [core/agent_config/logging_test.cc:")), std::string::npos)
      << content;
  EXPECT_NE(content.find("] first record 1\n"), std::string::npos) << content;
  EXPECT_EQ(content.find("filtered"), std::string::npos);
}

}  // namespace
}  // namespace sorvane::agent_config::logging
