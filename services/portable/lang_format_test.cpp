#include "services/portable/lang_format.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Expand(std::string text) {
  ExpandLineBreaks(text.data());
  return text;
}

}  // namespace

TEST(LangFormat, LineBreaks) {
  EXPECT_EQ(Expand("Zeile 1\\nZeile 2\\nZeile 3"), "Zeile 1\r\nZeile 2\r\nZeile 3");
  EXPECT_EQ(Expand("\\n\\n"), "\r\n\r\n");
  EXPECT_EQ(Expand("ends with \\"), "ends with \\");
  EXPECT_EQ(Expand("\\\\n"), "\\\r\n");  // the first backslash stays
  EXPECT_EQ(Expand("C:\\new\\name"), "C:\r\new\r\name");
  EXPECT_EQ(Expand("no breaks"), "no breaks");
  EXPECT_EQ(Expand(""), "");
  ExpandLineBreaks(nullptr);
}

TEST(LangFormat, FileNames) {
  EXPECT_STREQ(LanguageFileName(1, false), "deutsch.lng");
  EXPECT_STREQ(LanguageFileName(1, true), "deutsch.leut");
  EXPECT_STREQ(LanguageFileName(0, false), "english.lng");
  EXPECT_STREQ(LanguageFileName(2, true), "english.leut");
  EXPECT_EQ(JoinFolderFile("C:\\Waylune", "deutsch.lng"), "C:\\Waylune\\deutsch.lng");
  EXPECT_EQ(JoinFolderFile("C:\\Waylune\\", "deutsch.lng"), "C:\\Waylune\\deutsch.lng");
  EXPECT_EQ(JoinFolderFile("", "english.lng"), "english.lng");
  EXPECT_EQ(JoinFolderFile(nullptr, "english.lng"), "english.lng");
}
