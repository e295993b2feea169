#include "PakQuake.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

TEST(CreateBareArchive, WritesMagicAndMinusOnes) {
  TTempDir folder;
  ASSERT_TRUE(TQuakePak::CreateBareArchive(folder.File("bare.pak")));
  EXPECT_EQ(ReadFileBytes(folder.File("bare.pak")), std::string("PACK\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF", 12));
}
