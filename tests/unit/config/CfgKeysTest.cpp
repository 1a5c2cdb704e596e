#include "config/CfgKeys.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "config/CommandLine.h"

// The table is read by four sources; a row that breaks one of them shows here.
TEST(CfgKeys, RowsAreConsistent) {
  std::set<std::string> names;
  std::set<int> fields;
  for (const CfgKeyRow& row : CfgKeyRows()) {
    EXPECT_TRUE(names.insert(row.name).second) << "twice: " << row.name;
    EXPECT_EQ((row.text ? 1 : 0) + (row.number ? 1 : 0) + (row.shortNumber ? 1 : 0), 1) << row.name;
    EXPECT_EQ(row.Has(CFG_INI), row.iniMissing != nullptr) << row.name;
    if (row.field != CFG_NO_FIELD) {
      EXPECT_TRUE(fields.insert(row.field).second) << "field twice: " << row.name;
    }
  }
  // Each of the long command line's fields fills exactly one key.
  ASSERT_EQ(static_cast<int>(fields.size()), kLongCommandLineFieldCount);
  EXPECT_EQ(*fields.begin(), 0);
  EXPECT_EQ(*fields.rbegin(), kLongCommandLineFieldCount - 1);
}

TEST(CfgKeys, TextRoundTrip) {
  CVantoCfg cfg;
  for (const CfgKeyRow& row : CfgKeyRows()) {
    const std::string value = row.text ? std::string("v ") + row.name : "-12";
    SetCfgKeyText(cfg, row, value);
    EXPECT_EQ(GetCfgKeyText(cfg, row), value) << row.name;
  }
  EXPECT_EQ(cfg.SVR_HTTPS, -12);
  EXPECT_EQ(cfg.RUN_MODE, "v RUN_MODE");
}
