// The WAV sound item: its record, the buffer it makes from the document's library
// (against Wine's DirectSound on the null audio device), and its run-time object.
#include <gtest/gtest.h>

#include <memory>

#include "SoundTestWindow.h"
#include "WAVBuilder.h"
#include "document/DocResManager.h"
#include "document/ResourceBuffer.h"
#include "document/StreamWriter.h"
#include "render/TimeLine.h"
#include "sound/DirectSoundDevice.h"
#include "sound/WAVSoundItem.h"

namespace {

const DS_FileKey kChimeKey(L"C:\\Sounds\\chime.wav", 1234);

// A manager whose library holds `bytes` under kChimeKey, current while it lives.
class LibraryScope {
public:
  explicit LibraryScope(const std::vector<unsigned char>& bytes) : m_previous(g_CurrentDocResManager) {
    DS_ResourceEntry entry;
    entry.SetName(kChimeKey.path);
    entry.SetData(uint32_t(bytes.size()), bytes.data());
    m_manager.Tables().fileLibrary[kChimeKey] = DS_EntryList{entry};
    SetCurrentDocResManager(&m_manager);
  }
  ~LibraryScope() { SetCurrentDocResManager(m_previous); }

private:
  DS_DocResManager m_manager;
  DS_DocResManager* m_previous;
};

std::unique_ptr<DS_WAV_Constructor> ChimeItem(unsigned int volume, unsigned int balance, int mode) {
  std::unique_ptr<DS_WAV_Constructor> item(new DS_WAV_Constructor());
  item->GetFileLink().StoreKey(kChimeKey);
  item->volume.SetValue(volume);
  item->balance.SetValue(balance);
  item->TimeLine().mode.SetValue(mode);
  return item;
}

DWORD Status(const DS_WAV_Constructor& item) {
  DWORD status = 0;
  EXPECT_HRESULT_SUCCEEDED(item.Buffer().Get()->GetStatus(&status));
  return status;
}

class WAVSoundItemTest : public ::testing::Test {
protected:
  void SetUp() override { ASSERT_TRUE(InitDirectSound(SoundTestWindow())); }
};

TEST(WAVSoundItemRecord, ReadsBackThroughTheObjectRegistry) {
  std::unique_ptr<DS_WAV_Constructor> item = ChimeItem(80, 25, 1);
  item->SetName(L"Chime");
  DS_IOF_W writer;
  item->Write(writer);
  ASSERT_FALSE(writer.Failed());

  std::vector<unsigned char> bytes = writer.Bytes();
  ResourceBuffer buffer(bytes.data(), bytes.size());
  DS_IOF_Handle handle(new DS_IOF_R<ResourceBuffer>(&buffer));
  std::unique_ptr<DS_ABObj_Constructor> read(ReadAnyObject(handle));
  ASSERT_NE(nullptr, read.get());
  auto* wav = dynamic_cast<DS_WAV_Constructor*>(read.get());
  ASSERT_NE(nullptr, wav) << "the registry must make a DS_WAV_Constructor";
  EXPECT_TRUE(wav->GetFileLink().GetKey() == kChimeKey);
  EXPECT_EQ(80u, wav->volume.GetValue());
  EXPECT_EQ(25u, wav->balance.GetValue());
  EXPECT_EQ(1, wav->TimeLine().mode.GetValue());
  EXPECT_EQ(L"Chime", wav->GetName());
}

TEST_F(WAVSoundItemTest, PrepareMakesTheBufferAndShowsTheSoundForItsLength) {
  // Two seconds at 176,400 bytes a second: 352,800 bytes of samples.
  LibraryScope library(MakeToneWAV(2.0, 44100, 2));
  std::unique_ptr<DS_WAV_Constructor> item = ChimeItem(80, 25, 1);
  item->TimeLine().fadeIn.SetValue(150u);
  item->TimeLine().fadeOut.SetValue(150u);
  item->Prepare();
  ASSERT_TRUE(item->Buffer().HasBuffer());

  const DS_TimeLineControl& timeLine = item->TimeLine();
  EXPECT_EQ(200u, timeLine.shown.lo.GetValue());
  EXPECT_EQ(200u, timeLine.shown.hi.GetValue());
  EXPECT_EQ(0u, timeLine.fadeIn.GetValue());
  EXPECT_EQ(0u, timeLine.fadeOut.GetValue());

  DSBCAPS caps = {};
  caps.dwSize = sizeof(caps);
  ASSERT_HRESULT_SUCCEEDED(item->Buffer().Get()->GetCaps(&caps));
  EXPECT_EQ(352800u, caps.dwBufferBytes);
  LONG volume = 0, pan = 0;
  ASSERT_HRESULT_SUCCEEDED(item->Buffer().Get()->GetVolume(&volume));
  ASSERT_HRESULT_SUCCEEDED(item->Buffer().Get()->GetPan(&pan));
  EXPECT_EQ(-1000, volume);
  EXPECT_EQ(-2500, pan);
}

struct LoopCase {
  int mode;
  bool loops;
};

class WAVSoundItemLoopTest : public WAVSoundItemTest, public ::testing::WithParamInterface<LoopCase> {};

TEST_P(WAVSoundItemLoopTest, SoundObjectPlaysWhileEnabledAndStopsWhenDisabled) {
  LibraryScope library(MakeToneWAV(2.0));
  // The run-time object owns a clone, prepared when it is made.
  std::unique_ptr<DS_WAV_Constructor> item = ChimeItem(100, 50, GetParam().mode);
  std::unique_ptr<DS_ABObj> object(item->CreateObject());
  auto* sound = dynamic_cast<DS_Sound*>(object.get());
  ASSERT_NE(nullptr, sound);
  auto* clone = dynamic_cast<DS_WAV_Constructor*>(sound->GetItem());
  ASSERT_NE(nullptr, clone);
  ASSERT_TRUE(clone->Buffer().HasBuffer());
  EXPECT_FALSE(item->Buffer().HasBuffer()) << "the document's item stays without a buffer";

  // Mode 0 is visible from the start; the cycle steps through its (empty) hidden and
  // fade-in states first. The step that finds the phase visible starts the sound.
  float t = 0.0f;
  for (int step = 0; step < 50 && clone->TimeLine().GetPhase() != kPhaseVisible; ++step) {
    t += 0.01f;
    object->UpdateAt(t);
  }
  ASSERT_EQ(kPhaseVisible, clone->TimeLine().GetPhase());
  object->UpdateAt(t + 0.01f);
  const DWORD status = Status(*clone);
  EXPECT_TRUE(status & DSBSTATUS_PLAYING) << "status " << status;
  EXPECT_EQ(GetParam().loops, (status & DSBSTATUS_LOOPING) != 0) << "mode " << GetParam().mode;

  object->SetEnabled(false);
  EXPECT_FALSE(Status(*clone) & DSBSTATUS_PLAYING);
  object->UpdateAt(t + 0.02f);
  EXPECT_FALSE(Status(*clone) & DSBSTATUS_PLAYING) << "a disabled sound stays silent";
}

INSTANTIATE_TEST_SUITE_P(Modes, WAVSoundItemLoopTest,
                         ::testing::Values(LoopCase{DS_TimeLineControl::kAlwaysVisible, true},
                                           LoopCase{DS_TimeLineControl::kCycle, false}));

TEST_F(WAVSoundItemTest, WithoutAManagerOrAWAVTheItemStaysSilent) {
  std::unique_ptr<DS_WAV_Constructor> item = ChimeItem(100, 50, 0);
  DS_DocResManager* previous = g_CurrentDocResManager;
  SetCurrentDocResManager(nullptr);
  item->Prepare();
  EXPECT_FALSE(item->Buffer().HasBuffer());
  item->Update(1.0f);
  item->Stop();
  SetCurrentDocResManager(previous);

  // Bytes that lie about their sizes: no buffer, and the time line keeps its times.
  std::vector<unsigned char> hostile =
      MakeRIFF({{"fmt ", PCMFormat(1, 22050, 16)}, {"data", std::vector<unsigned char>(64, 0), 0x7FFFFFF0}});
  LibraryScope library(hostile);
  item->TimeLine().shown.hi.SetValue(700u);
  item->Prepare();
  EXPECT_FALSE(item->Buffer().HasBuffer());
  EXPECT_EQ(700u, item->TimeLine().shown.hi.GetValue());
  item->Update(1.0f);
}

}  // namespace
