#include "core/evaluation/rules/id_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace sorvane::evaluation::rules {
namespace {

using Ids = std::vector<std::string_view>;

IdList list_of(std::size_t count) {
  static const std::string names[] = {"A-1", "B-2", "C-3", "D-4", "E-5"};
  IdList ids;
  for (std::size_t i = 0; i < count; ++i) ids.push_back(names[i]);
  return ids;
}

Ids plain(std::size_t count) { return Ids(list_of(count)); }

// Every size up to and past the inline ones keeps the identifiers in order, through copies,
// moves and the conversion to a plain list; a list moved from is empty.
TEST(IdList, KeepsOrderThroughCopiesAndMovesAtEverySize) {
  for (std::size_t count = 0; count <= 5; ++count) {
    const IdList ids = list_of(count);
    const Ids expected = plain(count);
    ASSERT_EQ(ids.size(), count);
    EXPECT_EQ(ids, expected) << count;
    EXPECT_EQ(Ids(ids.begin(), ids.end()), expected) << count;

    IdList copy = ids;
    copy.push_back("F-6");
    EXPECT_EQ(ids, expected) << count << ": a copy grows on its own";
    EXPECT_EQ(copy.back(), "F-6");

    IdList from = ids;
    IdList moved = std::move(from);
    EXPECT_EQ(moved, ids) << count;
    EXPECT_TRUE(from.empty()) << count;  // NOLINT(bugprone-use-after-move)
    from.push_back("G-7");
    EXPECT_EQ(from, Ids{"G-7"}) << count;

    IdList assigned{"X-0"};
    assigned = std::move(moved);
    EXPECT_EQ(assigned, ids) << count;
    EXPECT_TRUE(moved.empty()) << count;  // NOLINT(bugprone-use-after-move)

    IdList converted = ids;
    EXPECT_EQ(Ids(std::move(converted)), expected) << count;
    EXPECT_TRUE(converted.empty()) << count;  // NOLINT(bugprone-use-after-move)
  }
}

TEST(IdList, EqualOnlyWithTheSameIdentifiersInTheSameOrder) {
  EXPECT_EQ(IdList{}, Ids{});
  EXPECT_EQ((IdList{"A-1", "B-2", "C-3"}), list_of(3));
  EXPECT_NE((IdList{"B-2", "A-1"}), list_of(2));
  EXPECT_NE(list_of(2), list_of(3));
  EXPECT_NE(list_of(3), (Ids{"A-1", "B-2", "D-4"}));
}

}  // namespace
}  // namespace sorvane::evaluation::rules
