#include <climits>

#include <gtest/gtest.h>

#include "platform/Text.h"
#include "tests/unit/FakePlatform.h"

namespace vek::test {

TEST(Text, KeepsBytesAndGrowsWithoutLosingThem) {
  Text t;
  EXPECT_TRUE(t.Empty());
  EXPECT_STREQ("", t.CStr());
  for (int i = 0; i < 100; ++i) t += static_cast<char>('a' + i % 26);
  EXPECT_EQ(100u, t.Length());
  EXPECT_EQ('v', t[99]);
  t += t;  // appending a text to itself
  EXPECT_EQ(200u, t.Length());
  EXPECT_EQ(Str(t.Left(100)), Str(t.From(100)));
  EXPECT_EQ('\0', t.CStr()[200]);
}

TEST(Text, CopiesAndMovesAreIndependent) {
  Text a("N\xC3O");
  Text b = a;
  b += '!';
  EXPECT_EQ("N\xC3O", Str(a));
  Text c = std::move(b);
  EXPECT_EQ("N\xC3O!", Str(c));
  EXPECT_TRUE(b.Empty());  // NOLINT(bugprone-use-after-move): moved-from is empty by contract
  a = c;
  EXPECT_TRUE(a == c);
  EXPECT_FALSE(a != c);
  EXPECT_TRUE(Text("ab") != Text("ab\0", 3));
}

TEST(Text, LeftAndFromClampToTheText) {
  EXPECT_EQ("abc", Str(Text("abc").Left(10)));
  EXPECT_EQ("", Str(Text("abc").From(3)));
  EXPECT_EQ("", Str(Text("abc").From(7)));
}

TEST(Text, DecimalTextOfAnyNumber) {
  EXPECT_EQ("0", Str(DecimalText(0)));
  EXPECT_EQ("7", Str(DecimalText(7)));
  EXPECT_EQ("-42", Str(DecimalText(-42)));
  EXPECT_EQ(std::to_string(LONG_MIN), Str(DecimalText(LONG_MIN)));
}

TEST(Text, UpperCaseChangesOnlyAsciiLetters) {
  EXPECT_EQ("VEK-NOTE 1 \xE7\xE3O", Str(UpperCase("vek-Note 1 \xE7\xE3o")));
}

TEST(Text, PathSplitAtTheLastBackslashOrColon) {
  EXPECT_EQ("D:\\Setup\\", Str(FolderPart(Text("D:\\Setup\\VekDll.exe"))));
  EXPECT_EQ("VekDll.exe", Str(FileNamePart("D:\\Setup\\VekDll.exe")));
  EXPECT_EQ("D:", Str(FolderPart(Text("D:VekDll.exe"))));
  EXPECT_EQ("VekDll.exe", Str(FileNamePart("D:VekDll.exe")));
  EXPECT_EQ("", Str(FolderPart(Text("VekDll.exe"))));
  EXPECT_EQ("LIBXML2.DLL", Str(UpperCase(FileNamePart("C:\\Windows\\SysWOW64\\libxml2.dll"))));
}

}  // namespace vek::test
