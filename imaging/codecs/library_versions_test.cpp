#include "codecs/library_versions.h"

#include <gtest/gtest.h>

#include <string>

// The libraries linked in are the ones whose headers we compiled against.
TEST(LinkedLibraries, ReportTheirVersions) {
  EXPECT_EQ(std::string(Pictura::JpegLibVersion()), "62");
  EXPECT_EQ(std::string(Pictura::PngLibVersion()).rfind("1.6.", 0), 0u);
  EXPECT_NE(std::string(Pictura::TiffLibVersion()).find("LIBTIFF"), std::string::npos);
  EXPECT_EQ(std::string(Pictura::ZlibVersion()).rfind("1.", 0), 0u);
}
