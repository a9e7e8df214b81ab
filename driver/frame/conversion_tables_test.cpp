#include "driver/frame/conversion_tables.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "tests/support/test_directory.h"

namespace vantora::driver {
namespace {

TEST(ConversionTables, BuiltInValues) {
  const ConversionTables& t = BuiltInConversionTables();
  const struct {
    int code;
    int toPc;
    int toHost;
  } samples[] = {
      {0x00, 0x00, 0x00}, {0x20, 0x7B, 0x40}, {0x40, 0x20, 0x44}, {0x51, 0x7B, 0xD8},
      {0x4A, 0xB0, 0xD1}, {0xC1, 0x41, 0x65}, {0xF0, 0x30, 0x8C}, {0xFF, 0xFF, 0xFF},
      {0x7B, 0xA3, 0x51}, {0x5B, 0x24, 0x90}, {0xE0, 0xE7, 0x7C}, {0x81, 0x61, 0x40},
  };
  for (const auto& s : samples) {
    EXPECT_EQ(t.toPc[s.code], s.toPc) << std::hex << s.code;
    EXPECT_EQ(t.toHost[s.code], s.toHost) << std::hex << s.code;
  }
  // Letters and digits survive a round trip.
  for (char c : std::string("ABCXYZabcxyz0189 ")) {
    const auto pc = static_cast<unsigned char>(c);
    EXPECT_EQ(t.toPc[t.toHost[pc]], pc) << c;
  }
}

TEST(ConversionTables, FileReplacesWhatItHolds) {
  const auto dir = testing::FreshTestDirectory("driver-tables");
  const std::string full = (dir / "full.bin").string();
  {
    std::ofstream out(full, std::ios::binary);
    for (int i = 0; i < 512; ++i) out.put(static_cast<char>(255 - (i % 256)));
  }
  ConversionTables t = BuiltInConversionTables();
  ASSERT_TRUE(LoadConversionFile(full, &t));
  for (int i = 0; i < 256; ++i) {
    EXPECT_EQ(t.toPc[i], 255 - i);
    EXPECT_EQ(t.toHost[i], 255 - i);
  }
  // A file of 300 bytes replaces the first table and 44 bytes of the second.
  const std::string part = (dir / "part.bin").string();
  {
    std::ofstream out(part, std::ios::binary);
    for (int i = 0; i < 300; ++i) out.put(static_cast<char>(0x11));
  }
  t = BuiltInConversionTables();
  ASSERT_TRUE(LoadConversionFile(part, &t));
  EXPECT_EQ(t.toPc[0xC1], 0x11);
  EXPECT_EQ(t.toHost[43], 0x11);
  EXPECT_EQ(t.toHost[44], BuiltInConversionTables().toHost[44]);
  // A missing file changes nothing.
  ConversionTables before = t;
  EXPECT_FALSE(LoadConversionFile((dir / "missing.bin").string(), &t));
  EXPECT_EQ(t.toPc, before.toPc);
  EXPECT_EQ(t.toHost, before.toHost);
}

}  // namespace
}  // namespace vantora::driver
