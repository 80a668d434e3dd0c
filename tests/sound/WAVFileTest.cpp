#include <gtest/gtest.h>

#include "WAVBuilder.h"
#include "sound/WAVFile.h"

namespace {

TEST(WAVFile, TwoSecondsOfDataShowTwoHundredHundredths) {
  // 44.1 kHz stereo 16-bit: 176,400 bytes a second.
  std::vector<unsigned char> samples(352800, 0);
  std::vector<unsigned char> file =
      MakeRIFF({{"fmt ", PCMFormat(2, 44100, 16)}, {"data", samples}});
  DS_WAVData wav;
  ASSERT_TRUE(ParseWAVFile(file.data(), file.size(), wav));
  EXPECT_EQ(176400u, wav.Format().nAvgBytesPerSec);
  EXPECT_EQ(352800u, wav.samples.size());
  EXPECT_EQ(200, WAVLengthHundredths(wav.samples.size(), wav.Format().nAvgBytesPerSec));
}

TEST(WAVFile, LengthRoundsToNearestAndDoesNotWrap) {
  struct Case {
    uint64_t bytes;
    uint32_t rate;
    int expected;
  } cases[] = {
      {352800, 176400, 200},
      {1764, 176400, 1},        // exactly one hundredth
      {881, 176400, 0},         // just under half a hundredth
      {882, 176400, 1},         // half rounds up
      {100000000, 176400, 56689},  // the 32-bit product of 100 MB would wrap
      {0xFFFFFFFFu, 1, 2147483647},  // saturates
      {1000, 0, 0},             // no rate, no length
  };
  for (const Case& c : cases)
    EXPECT_EQ(c.expected, WAVLengthHundredths(c.bytes, c.rate))
        << c.bytes << " bytes at " << c.rate << " bytes/s";
}

TEST(WAVFile, PlainPCMHasNoExtraBytes) {
  std::vector<unsigned char> format = PCMFormat(1, 8000, 16);
  PutU16(format, 0x1234);  // junk in cbSize
  std::vector<unsigned char> file =
      MakeRIFF({{"fmt ", format}, {"data", std::vector<unsigned char>(64, 0)}});
  DS_WAVData wav;
  ASSERT_TRUE(ParseWAVFile(file.data(), file.size(), wav));
  EXPECT_EQ(18u, wav.format.size());
  EXPECT_EQ(0, wav.Format().cbSize);
}

TEST(WAVFile, ReadsChunksInAnyOrderPastOddSizedChunks) {
  std::vector<unsigned char> samples(1000, 7);
  std::vector<unsigned char> file = MakeRIFF({{"LIST", std::vector<unsigned char>(5, 1)},
                                              {"data", samples},
                                              {"junk", std::vector<unsigned char>(3, 2)},
                                              {"fmt ", PCMFormat(1, 8000, 8)}});
  DS_WAVData wav;
  ASSERT_TRUE(ParseWAVFile(file.data(), file.size(), wav));
  EXPECT_EQ(samples, wav.samples);
  EXPECT_EQ(8000u, wav.Format().nSamplesPerSec);
  EXPECT_EQ(0, wav.Format().cbSize);
}

TEST(WAVFile, KeepsTheFormatsExtraBytes) {
  std::vector<unsigned char> format = PCMFormat(2, 44100, 16);
  format[0] = 2;  // not plain PCM
  PutU16(format, 4);  // cbSize
  format.insert(format.end(), {9, 8, 7, 6});
  std::vector<unsigned char> file =
      MakeRIFF({{"fmt ", format}, {"data", std::vector<unsigned char>(64, 0)}});
  DS_WAVData wav;
  ASSERT_TRUE(ParseWAVFile(file.data(), file.size(), wav));
  ASSERT_EQ(22u, wav.format.size());
  EXPECT_EQ(4, wav.Format().cbSize);
  EXPECT_EQ(6, wav.format[21]);
}

// Files from the document that lie about their sizes or describe no sound.
TEST(WAVFile, RejectsHostileFiles) {
  const std::vector<unsigned char> fmt = PCMFormat(1, 22050, 16);
  const std::vector<unsigned char> data(100, 0);
  std::vector<unsigned char> fmtHugeExtra = fmt;
  fmtHugeExtra[0] = 2;  // a compressed format, whose extra bytes matter
  PutU16(fmtHugeExtra, 0xFFFF);
  std::vector<unsigned char> extensibleShort = PCMFormat(2, 44100, 16);
  extensibleShort[0] = 0xFE;
  extensibleShort[1] = 0xFF;
  PutU16(extensibleShort, 0);
  std::vector<unsigned char> zeroChannels = fmt;
  zeroChannels[2] = 0;
  std::vector<unsigned char> zeroBlock = fmt;
  zeroBlock[12] = 0;

  std::vector<unsigned char> good = MakeRIFF({{"fmt ", fmt}, {"data", data}});
  std::vector<unsigned char> truncated(good.begin(), good.end() - 10);

  struct Case {
    const char* name;
    std::vector<unsigned char> bytes;
  } cases[] = {
      {"empty", {}},
      {"header only", {'R', 'I', 'F', 'F'}},
      {"not RIFF", MakeRIFF({{"fmt ", fmt}, {"data", data}})},
      {"RIFF size beyond the bytes", MakeRIFF({{"fmt ", fmt}, {"data", data}}, 100000)},
      {"RIFF size 0xFFFFFFFF", MakeRIFF({{"fmt ", fmt}, {"data", data}}, 0xFFFFFFFFll)},
      {"RIFF size too small for WAVE", MakeRIFF({}, 2)},
      {"data size beyond the bytes", MakeRIFF({{"fmt ", fmt}, {"data", data, 101}})},
      {"data size 0xFFFFFFFF", MakeRIFF({{"fmt ", fmt}, {"data", data, 0xFFFFFFFFll}})},
      {"fmt size beyond the bytes", MakeRIFF({{"data", data}, {"fmt ", fmt, 0x7FFFFFF0}})},
      {"chunk before fmt oversized", MakeRIFF({{"LIST", {1, 2}, 0xFFFFFFF0ll}, {"fmt ", fmt}, {"data", data}})},
      {"truncated file", truncated},
      {"fmt too short", MakeRIFF({{"fmt ", std::vector<unsigned char>(fmt.begin(), fmt.begin() + 14)}, {"data", data}})},
      {"cbSize beyond the chunk", MakeRIFF({{"fmt ", fmtHugeExtra}, {"data", data}})},
      {"extensible without its extra bytes", MakeRIFF({{"fmt ", extensibleShort}, {"data", data}})},
      {"zero byte rate", MakeRIFF({{"fmt ", PCMFormat(1, 22050, 16, 0)}, {"data", data}})},
      {"zero sample rate", MakeRIFF({{"fmt ", PCMFormat(1, 0, 16)}, {"data", data}})},
      {"zero channels", MakeRIFF({{"fmt ", zeroChannels}, {"data", data}})},
      {"zero block align", MakeRIFF({{"fmt ", zeroBlock}, {"data", data}})},
      {"missing fmt", MakeRIFF({{"data", data}})},
      {"missing data", MakeRIFF({{"fmt ", fmt}})},
      {"empty data", MakeRIFF({{"fmt ", fmt}, {"data", {}}})},
  };
  cases[2].bytes[0] = 'X';

  ASSERT_TRUE([&] {
    DS_WAVData wav;
    return ParseWAVFile(good.data(), good.size(), wav);
  }()) << "the unspoilt file must parse";
  for (const Case& c : cases) {
    DS_WAVData wav;
    wav.samples = {42};
    EXPECT_FALSE(ParseWAVFile(c.bytes.data(), c.bytes.size(), wav)) << c.name;
    EXPECT_EQ(std::vector<unsigned char>{42}, wav.samples) << c.name << ": output touched";
  }
}

}  // namespace
