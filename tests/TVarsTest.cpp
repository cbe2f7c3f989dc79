#include <gtest/gtest.h>

#include "engine/TVars.h"

namespace compoundparser {
namespace {

TEST(TVars, NamesAndValuesAreCaseSensitiveAndAssignReplaces) {
  TVars vars;
  vars.Assign("Mode", "Grid");
  vars.Assign("mode", "grid");
  vars.Assign("Mode", "Local");  // replaces, one entry
  EXPECT_EQ(vars.size(), 2u);
  EXPECT_TRUE(vars.isValue("Mode", "Local"));
  EXPECT_FALSE(vars.isValue("Mode", "local"));
  EXPECT_TRUE(vars.isValue("mode", "grid"));
  EXPECT_FALSE(vars.isValue("Unset", ""));
  std::string value = "untouched";
  EXPECT_FALSE(vars.getValue("Unset", value));
  EXPECT_EQ(value, "untouched");
  EXPECT_TRUE(vars.getValue("Mode", value));
  EXPECT_EQ(value, "Local");

  TVars& alias = vars;
  vars = alias;
  EXPECT_EQ(vars.size(), 2u);
  EXPECT_TRUE(vars.isValue("mode", "grid"));
  TVars copy;
  copy.Assign("C", "3");
  copy = vars;  // replaces the whole table
  EXPECT_EQ(copy.size(), 2u);
  EXPECT_FALSE(copy.isValue("C", "3"));
}

}  // namespace
}  // namespace compoundparser
