// Faults of a list that clients do not notice: shared by vantoctl list check
// and publish verify.
#include "list/PublishChecks.h"

#include <gtest/gtest.h>

#include "util/TextConv.h"

namespace {
ListedEntry Entry(int line, const std::string& serverPath, const std::string& localPath) {
  ListedEntry entry;
  entry.line = line;
  entry.item.m_strFilePath = serverPath;
  entry.item.m_strLocalPath = localPath;
  return entry;
}

TEST(PublishChecks, WindowsPathKeyFoldsCaseAndSlashes) {
  const struct {
    const char* a;  // code page 949, as the compiler writes literals
    const char* b;
    bool same;
  } cases[] = {
      {"C:\\App\\Index.html", "c:/app/INDEX.HTML", true},
      {"C:\\App\\Æon.txt", "C:\\App\\æon.txt", true},
      {"C:\\App\\Ωmega", "C:\\App\\ωmega", true},
      {"C:\\App\\Ёж", "C:\\App\\ёЖ", true},
      {"C:\\App\\ＡＢ", "C:\\App\\ａｂ", true},
      // Hangul whose second bytes in code page 949 are "A" and "a".
      {"C:\\App\\갂", "C:\\App\\갵", false},
      {"C:\\App\\a.txt", "C:\\App\\a.txt.", false},
      {"C:\\App\\÷", "C:\\App\\×", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(Cp949ToUtf8(c.a));
    EXPECT_EQ(WindowsPathKey(c.a) == WindowsPathKey(c.b), c.same);
  }
}

TEST(PublishChecks, CollisionsNameTheFirstEarlierEntry) {
  const std::vector<ListedEntry> entries = {
      Entry(3, "docs/Index.html", "C:\\App\\docs\\Index.html"),
      Entry(4, "docs/index.html", "C:\\App\\docs\\index.html"),
      Entry(5, "a.txt", "C:\\App\\a.txt"),
      Entry(6, "a.txt", "C:\\App\\a.txt"),   // listed twice: fetched once
      Entry(9, "b/A.TXT", "C:\\App\\A.TXT"),  // another server path to the same file
      Entry(10, "docs/INDEX.html", "C:\\App\\docs/INDEX.html"),
  };
  const std::vector<LocalPathCollision> found = FindLocalPathCollisions(entries);
  ASSERT_EQ(found.size(), 3u);
  EXPECT_EQ(found[0].later, 1u);
  EXPECT_EQ(found[0].earlier, 0u);
  EXPECT_EQ(found[1].later, 4u);
  EXPECT_EQ(found[1].earlier, 2u);
  EXPECT_EQ(found[2].later, 5u);
  EXPECT_EQ(found[2].earlier, 0u);
  EXPECT_EQ(DescribeCollision(entries[1], entries[0]),
            "line 4: docs/index.html: same local file on Windows as line 3 (docs/Index.html): "
            "C:\\App\\docs\\index.html");
}

TEST(PublishChecks, RequestCutAndTimeGap) {
  EXPECT_EQ(RequestCutCharacter("a/b c.txt"), 0);
  EXPECT_EQ(RequestCutCharacter("a/b#1?x"), '#');
  EXPECT_EQ(RequestCutCharacter("cgi?x=1#y"), '?');
  EXPECT_EQ(DescribeCutPath(Entry(2, "a#b", ""), '#'),
            "line 2: a#b: the request path ends at \"#\" (clients send server paths unescaped)");

  int64_t gap = -1;
  EXPECT_TRUE(TimeTextGap("20240229235959", "20240301000004", gap));
  EXPECT_EQ(gap, 5);
  EXPECT_TRUE(TimeTextGap("20250101000000", "20241231000000", gap));
  EXPECT_EQ(gap, 86400);
  EXPECT_TRUE(TimeTextGap("19991231235959", "20000101000000", gap));
  EXPECT_EQ(gap, 1);
  EXPECT_FALSE(TimeTextGap("2024022923595", "20240301000004", gap));
  EXPECT_FALSE(TimeTextGap("2024022923595x", "20240301000004", gap));
}
}  // namespace
