// Reading the list file in the client's pieces.
#include <gtest/gtest.h>

#include <vector>

#include "support/TempDir.h"
#include "list/ListFileScanner.h"

namespace {
class ListFileScannerTest : public TempDirTest {
 protected:
  std::vector<ListPiece> Read(const std::string& bytes) {
    const std::string path = m_dir.Child("list.txt");
    EXPECT_TRUE(WriteWholeFile(path, bytes));
    CListFileScanner scanner;
    EXPECT_TRUE(scanner.Open(path));
    std::vector<ListPiece> pieces;
    ListPiece piece;
    while (scanner.ReadPiece(piece)) pieces.push_back(piece);
    EXPECT_EQ(scanner.Close(), 0);
    return pieces;
  }
};
}  // namespace

TEST_F(ListFileScannerTest, LinesWithoutTheirLineEnds) {
  const auto pieces = Read("a,b\r\n\r\n# c\nlast");
  ASSERT_EQ(pieces.size(), 4u);
  EXPECT_EQ(pieces[0].text, "a,b");
  EXPECT_EQ(pieces[1].text, "");
  EXPECT_EQ(pieces[2].text, "# c");
  EXPECT_EQ(pieces[3].text, "last");
  EXPECT_EQ(pieces[3].line, 4);
}

TEST_F(ListFileScannerTest, LoneCarriageReturnStays) {
  const auto pieces = Read("a\rb\n\r");
  ASSERT_EQ(pieces.size(), 2u);
  EXPECT_EQ(pieces[0].text, "a\rb");
  EXPECT_EQ(pieces[1].text, "\r");
}

TEST_F(ListFileScannerTest, ControlZEndsTheFile) {
  const auto pieces = Read("a\n\x1a" "b\n");
  ASSERT_EQ(pieces.size(), 1u);
  EXPECT_EQ(pieces[0].text, "a");
}

TEST_F(ListFileScannerTest, LongLinesComeInPiecesOf1022) {
  const std::string longLine(1022 + 1022 + 5, 'x');
  const auto pieces = Read("first\n" + longLine + "\n" + std::string(1022, 'y') + "\nz\n");
  ASSERT_EQ(pieces.size(), 7u);
  EXPECT_EQ(pieces[1].text.size(), 1022u);
  EXPECT_EQ(pieces[2].text.size(), 1022u);
  EXPECT_EQ(pieces[3].text, "xxxxx");
  for (int i = 1; i <= 3; ++i) EXPECT_EQ(pieces[i].line, 2);
  // Exactly 1022 characters: the LF arrives as a piece of its own (empty).
  EXPECT_EQ(pieces[4].text.size(), 1022u);
  EXPECT_EQ(pieces[5].text, "");
  EXPECT_EQ(pieces[5].line, 3);
  EXPECT_EQ(pieces[6].text, "z");
  EXPECT_EQ(pieces[6].line, 4);
}

TEST_F(ListFileScannerTest, LineOf1021CharactersIsOnePiece) {
  const auto pieces = Read(std::string(1021, 'q') + "\r\nnext\n");
  ASSERT_EQ(pieces.size(), 2u);
  EXPECT_EQ(pieces[0].text.size(), 1021u);
  EXPECT_EQ(pieces[1].line, 2);
}

TEST_F(ListFileScannerTest, NulByteEndsTheLineText) {
  const auto pieces = Read(std::string("ab\0cd\nx\n", 8));
  ASSERT_EQ(pieces.size(), 2u);
  EXPECT_EQ(pieces[0].text, "ab");
  EXPECT_EQ(pieces[1].text, "x");
  EXPECT_EQ(pieces[1].line, 2);
}

TEST_F(ListFileScannerTest, MissingFileCannotBeOpened) {
  CListFileScanner scanner;
  EXPECT_FALSE(scanner.Open(m_dir.Child("missing.txt")));
  EXPECT_NE(scanner.LastError(), 0);
}

#ifdef __linux__
// The file is read as it goes: a list without end costs one piece at a time
// (each piece of zero bytes is an empty line text).
TEST(ListFileScannerStreamTest, AnEndlessFileIsReadPieceByPiece) {
  CListFileScanner scanner;
  ASSERT_TRUE(scanner.Open("/dev/zero"));
  ListPiece piece;
  for (int i = 0; i < 3; ++i) {
    ASSERT_TRUE(scanner.ReadPiece(piece));
    EXPECT_EQ(piece.text, "");
    EXPECT_EQ(piece.line, 1);
  }
}
#endif
