#include <gtest/gtest.h>

#include <string>

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

// Lookups are kept by the address of the name asked for: a kept lookup must
// never answer for another name, another table or a changed value.
TEST(TVars, KeptLookupsNeverAnswerForAnotherNameTableOrValue) {
  TVars vars;
  vars.Assign("Mode", "Grid");
  vars.Assign("Unit", "Feet");
  std::string name = "Mode";
  name.reserve(32);
  const char* const at = name.data();
  EXPECT_TRUE(vars.isValue(name, "Grid"));
  name = "Unit";  // the same buffer now holds another name
  ASSERT_EQ(name.data(), at);
  EXPECT_TRUE(vars.isValue(name, "Feet"));
  EXPECT_FALSE(vars.isValue(name, "Grid"));
  name = "Gone";
  EXPECT_FALSE(vars.isValue(name, "Grid"));
  std::string value;
  EXPECT_FALSE(vars.getValue(name, value));

  name = "Mode";
  EXPECT_TRUE(vars.isValue(name, "Grid"));
  vars.Assign("Mode", "Local");  // changed in place after the lookup was kept
  EXPECT_TRUE(vars.isValue(name, "Local"));
  EXPECT_FALSE(vars.isValue(name, "Grid"));

  TVars copy(vars);  // a copy answers from its own table
  copy.Assign("Mode", "Grid");
  EXPECT_TRUE(copy.isValue(name, "Grid"));
  EXPECT_TRUE(vars.isValue(name, "Local"));

  TVars other;
  other.Assign("Mode", "Polar");
  EXPECT_TRUE(other.isValue(name, "Polar"));
  other = vars;  // the kept lookups of the table replaced are gone with it
  EXPECT_TRUE(other.isValue(name, "Local"));
  vars.Assign("Mode", "Changed");
  EXPECT_TRUE(other.isValue(name, "Local"));
  EXPECT_TRUE(other.getValue(name, value));
  EXPECT_EQ(value, "Local");
}

// Values are compared a word at a time: a difference at any byte of a value
// of any length is seen, in names and values alike.
TEST(TVars, DifferenceAtAnyByteOfAnyLengthIsSeen) {
  for (const size_t length : {0, 1, 3, 4, 5, 7, 8, 9, 12, 15, 16, 17, 31}) {
    const std::string text(length, 'v');
    TVars vars;
    vars.Assign(text + "n", text);
    EXPECT_TRUE(vars.isValue(text + "n", text)) << length;
    for (size_t at = 0; at < length; ++at) {
      std::string other = text;
      other[at] = 'w';
      EXPECT_FALSE(vars.isValue(text + "n", other)) << length << " at " << at;
      EXPECT_FALSE(vars.isValue(other + "n", text)) << length << " at " << at;
      TVars changed = vars;
      changed.Assign(text + "n", other);  // a changed value replaces the old one
      EXPECT_TRUE(changed.isValue(text + "n", other)) << length << " at " << at;
      EXPECT_NE(changed.version(), vars.version()) << length << " at " << at;
    }
    const unsigned long long version = vars.version();
    vars.Assign(text + "n", text);  // the same value again changes nothing
    EXPECT_EQ(vars.version(), version) << length;
  }
}

}  // namespace
}  // namespace compoundparser
