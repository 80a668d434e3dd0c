// Records of slides, layers and sound items in every version, built with the classes'
// writers (or, for the old versions no writer produces, field by field). No device.

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "document/ResourceBuffer.h"
#include "render/Layer.h"
#include "render/SlideContainer.h"
#include "render/TimeLine.h"
#include "support/SlideTestSupport.h"
#include "sound/SoundItems.h"

using namespace slides_test;

namespace {

// Reads `bytes` with `read`; the stream must end exactly at the end of the bytes.
template <class Read>
void ReadAll(const std::vector<unsigned char>& bytes, Read read) {
  ResourceBuffer buffer(bytes.data(), bytes.size());
  DS_IOF_Handle handle(new DS_IOF_R<ResourceBuffer>(&buffer));
  read(handle);
  EXPECT_FALSE(handle->Failed());
  EXPECT_EQ(0u, buffer.BytesLeft()) << "the record was not read to its end";
}

// A slide record of any version, field by field, with a default layer and one probe
// item in each list the version has.
std::vector<unsigned char> WriteSlideRecord(int version, unsigned storedDuration) {
  DS_IOF_W s;
  WriteLevelHeader(s, L"DS_SlideContainer", version);
  s.WriteUInt(2);  // fade-in
  s.WriteUInt(3);  // fade-out
  s.WriteUInt(4);  // show
  s.WriteLong(7);  // extra value
  s.WriteString(L"Slide name");
  if (version >= 3) s.WriteUInt(storedDuration);
  DS_2D_Light().Write(s);
  TestProbeItem probe;
  s.WriteUInt(1);
  probe.Write(s);
  if (version >= 2) {
    s.WriteUInt(1);
    probe.Write(s);
  }
  return s.Bytes();
}

struct SlideVersionCase {
  int version;
  unsigned stored;
  unsigned expectedDuration;
  size_t secondaryItems;
};

class SlideVersionTest : public ::testing::TestWithParam<SlideVersionCase> {};

TEST_P(SlideVersionTest, ReadsEveryVersionAndConvertsTheDuration) {
  const SlideVersionCase& c = GetParam();
  std::unique_ptr<DS_SlideContainer> slide;
  ReadAll(WriteSlideRecord(c.version, c.stored),
          [&](DS_IOF_Handle& handle) { slide.reset(ReadAnySlideContainer(handle)); });
  ASSERT_TRUE(slide);
  EXPECT_EQ(2u, slide->fadeIn.GetValue());
  EXPECT_EQ(3u, slide->fadeOut.GetValue());
  EXPECT_EQ(4u, slide->show.GetValue());
  EXPECT_EQ(7, slide->extraValue.GetValue());
  EXPECT_EQ(L"Slide name", slide->name.GetValue());
  EXPECT_EQ(c.expectedDuration, slide->duration.GetValue()) << "version " << c.version;
  EXPECT_FLOAT_EQ(c.expectedDuration * 0.01f, slide->duration.GetSeconds());
  EXPECT_EQ(1u, slide->VisualItemCount());
  EXPECT_EQ(c.secondaryItems, slide->SecondaryItemCount());
}

INSTANTIATE_TEST_SUITE_P(Versions, SlideVersionTest,
                         ::testing::Values(SlideVersionCase{1, 0, 100000, 0}, SlideVersionCase{2, 0, 100000, 1},
                                           SlideVersionCase{3, 10, 1000, 1}, SlideVersionCase{4, 1000, 1000, 1},
                                           // Seconds beyond what hundredths can count saturate.
                                           SlideVersionCase{3, 0x7FFFFFFF, 0xFFFFFFFF, 1}));

TEST(SlideRecordTest, WriterRoundTripKeepsEveryField) {
  DS_SlideContainer slide;
  slide.fadeIn.SetValue(5);
  slide.show.SetValue(6);
  slide.fadeOut.SetValue(7);
  slide.extraValue.SetValue(-3);
  slide.name.SetValue(L"Dawn");
  slide.duration.SetValue(2550);
  slide.GetLight()->GetPictureLink().StoreKey(DS_FileKey(L"C:\\pictures\\dawn.jpg", 1234));
  TestProbeItem* probe = new TestProbeItem();
  probe->tag = 42;
  slide.AddVisualItem(probe);
  slide.AddSecondaryItem(new TestSoundItem());
  DS_IOF_W s;
  slide.Write(s);

  std::unique_ptr<DS_SlideContainer> read;
  ReadAll(s.Bytes(), [&](DS_IOF_Handle& handle) { read.reset(ReadAnySlideContainer(handle)); });
  ASSERT_TRUE(read);
  EXPECT_EQ(5u, read->fadeIn.GetValue());
  EXPECT_EQ(6u, read->show.GetValue());
  EXPECT_EQ(7u, read->fadeOut.GetValue());
  EXPECT_EQ(-3, read->extraValue.GetValue());
  EXPECT_EQ(L"Dawn", read->name.GetValue());
  EXPECT_EQ(2550u, read->duration.GetValue());
  EXPECT_EQ(L"C:\\pictures\\dawn.jpg", read->GetLight()->GetPictureLink().GetPath());
  EXPECT_EQ(1234, read->GetLight()->GetPictureLink().GetStamp());
  EXPECT_EQ(1u, read->VisualItemCount());
  EXPECT_EQ(1u, read->SecondaryItemCount());
}

TEST(SlideRecordTest, UnknownLayerOrItemFailsWithoutAHalfReadSlide) {
  for (const wchar_t* broken : {L"layer", L"item"}) {
    DS_IOF_W s;
    WriteLevelHeader(s, L"DS_SlideContainer", 4);
    s.WriteUInt(1);
    s.WriteUInt(1);
    s.WriteUInt(10);
    s.WriteLong(0);
    s.WriteString(L"");
    s.WriteUInt(1000);
    if (std::wstring(broken) == L"layer") {
      WriteLevelHeader(s, L"ds_2d_light", 3);  // names match case and all
    } else {
      DS_2D_Light().Write(s);
      s.WriteUInt(1);
      WriteLevelHeader(s, L"DS_NoSuchItem", 1);
    }
    s.WriteUInt(0);
    s.WriteUInt(0);
    const int liveBefore = TestProbeItem::LiveCount();
    ResourceBuffer buffer(s.Bytes().data(), s.Bytes().size());
    DS_IOF_Handle handle(new DS_IOF_R<ResourceBuffer>(&buffer));
    DS_SlideContainer* slide = ReadAnySlideContainer(handle);
    EXPECT_EQ(nullptr, slide) << "unknown " << std::string(broken, broken + wcslen(broken));
    EXPECT_TRUE(handle->Failed());
    delete slide;
    EXPECT_EQ(liveBefore, TestProbeItem::LiveCount());
  }
}

TEST(SlideRecordTest, WrappedTimeFollowsTheDurationAndNeverIsNaN) {
  DS_SlideContainer slide;
  slide.duration.SetValue(1000);
  EXPECT_FLOAT_EQ(5.5f, slide.GetWrappedTime(25.5f));
  slide.duration.SetValue(0);
  EXPECT_EQ(0.0f, slide.GetWrappedTime(25.5f));
  slide.duration.SetValue(1000);
  EXPECT_EQ(0.0f, slide.GetWrappedTime(INFINITY));
}

TEST(SlideRecordTest, ItemsOfASlideThatWasNeverBuiltAreDeletedWithIt) {
  const int liveBefore = TestProbeItem::LiveCount();
  const int timeLinesBefore = DS_TimeLineControl::LiveCount();
  {
    DS_SlideContainer slide;
    slide.AddVisualItem(new TestProbeItem());
    slide.AddSecondaryItem(new TestProbeItem());
    EXPECT_EQ(liveBefore + 2, TestProbeItem::LiveCount());
  }
  EXPECT_EQ(liveBefore, TestProbeItem::LiveCount());
  EXPECT_EQ(timeLinesBefore, DS_TimeLineControl::LiveCount());
}

TEST(SlideRecordTest, BuildTurnsItemsIntoObjectsOwningClones) {
  const int liveBefore = TestProbeItem::LiveCount();
  {
    DS_SlideContainer slide;
    slide.AddVisualItem(new TestProbeItem());
    slide.AddVisualItem(new TestProbeItem());
    slide.AddSecondaryItem(new TestSoundItem());
    slide.BuildObjects();
    EXPECT_EQ(0u, slide.VisualItemCount());
    EXPECT_EQ(0u, slide.SecondaryItemCount());
    EXPECT_EQ(2u, slide.GetVisualObjects().size());
    EXPECT_EQ(1u, slide.GetSecondaryObjects().size());
    // Only the clones live on.
    EXPECT_EQ(liveBefore + 2, TestProbeItem::LiveCount());
    // A built slide writes its objects' items.
    DS_IOF_W s;
    slide.Write(s);
    std::unique_ptr<DS_SlideContainer> read;
    ReadAll(s.Bytes(), [&](DS_IOF_Handle& handle) { read.reset(ReadAnySlideContainer(handle)); });
    ASSERT_TRUE(read);
    EXPECT_EQ(2u, read->VisualItemCount());
    EXPECT_EQ(1u, read->SecondaryItemCount());
  }
  EXPECT_EQ(liveBefore, TestProbeItem::LiveCount());
}

// ---- layers ----

TEST(LayerRecordTest, VersionOneKeepsTheDefaultPicture) {
  DS_IOF_W s;
  WriteLevelHeader(s, L"DS_2D_Light", 1);
  std::unique_ptr<DS_2D_Light> layer;
  ReadAll(s.Bytes(), [&](DS_IOF_Handle& handle) { layer.reset(ReadAny2DLight(handle)); });
  ASSERT_TRUE(layer);
  EXPECT_EQ(L"common_res.dll", layer->GetPictureLink().GetPath());
  EXPECT_EQ(DS_2D_Light::kDefaultPictureResource, layer->GetPictureLink().GetStamp());
}

TEST(LayerRecordTest, VersionTwoReadsThePictureWithoutTellingTheLayer) {
  DS_IOF_W s;
  WriteLevelHeader(s, L"DS_2D_Light", 2);
  DS_FileLink3::WriteField(s, DS_FileLink3(DS_FileKey(L"sea.png", 77)));
  std::unique_ptr<DS_2D_Light> layer;
  ReadAll(s.Bytes(), [&](DS_IOF_Handle& handle) { layer.reset(ReadAny2DLight(handle)); });
  ASSERT_TRUE(layer);
  EXPECT_EQ(L"sea.png", layer->GetPictureLink().GetPath());
  EXPECT_EQ(77, layer->GetPictureLink().GetStamp());
  // Reading notifies nobody: the layer was neither bound nor sized.
  EXPECT_EQ(0, layer->GetWidth());
}

TEST(LayerRecordTest, VersionThreeReadsTheCamera) {
  DS_2D_Light written;
  written.GetPictureLink().StoreKey(DS_FileKey(L"hill.jpg", 5));
  written.GetCamera().on.StoreValue(1);
  written.GetCamera().zoom.SetValue(150);
  written.GetCamera().speed.SetValue(25);
  written.GetCamera().surroundImage.StoreKey(DS_FileKey(L"common_res.dll", 60));
  DS_IOF_W s;
  written.Write(s);
  std::unique_ptr<DS_2D_Light> layer;
  ReadAll(s.Bytes(), [&](DS_IOF_Handle& handle) { layer.reset(ReadAny2DLight(handle)); });
  ASSERT_TRUE(layer);
  EXPECT_EQ(L"hill.jpg", layer->GetPictureLink().GetPath());
  EXPECT_EQ(1, layer->GetCamera().on.GetValue());
  EXPECT_EQ(150u, layer->GetCamera().zoom.GetValue());
  EXPECT_FLOAT_EQ(1.5f, layer->GetCamera().zoom.GetResult());
  EXPECT_EQ(25u, layer->GetCamera().speed.GetValue());
  EXPECT_EQ(60, layer->GetCamera().surroundImage.GetStamp());
}

TEST(LayerRecordTest, RecordsOfOtherRegistriesAreNotLayers) {
  DS_IOF_W s;
  WriteLevelHeader(s, L"DS_SlideContainer", 4);
  ResourceBuffer buffer(s.Bytes().data(), s.Bytes().size());
  DS_IOF_Handle handle(new DS_IOF_R<ResourceBuffer>(&buffer));
  EXPECT_EQ(nullptr, ReadAny2DLight(handle));
  EXPECT_TRUE(handle->Failed());
}

// ---- sound records ----

TEST(SoundRecordTest, AudioFileRoundTrip) {
  DS_AudioFile track;
  track.SetTitle(L"Evening");
  const unsigned char bytes[5] = {1, 2, 3, 4, 5};
  track.GetFile().SetName(L"D:\\music\\evening.mp3");
  track.GetFile().SetData(5, bytes);
  DS_IOF_W s;
  track.Write(s);
  std::unique_ptr<DS_AudioFile> read;
  ReadAll(s.Bytes(), [&](DS_IOF_Handle& handle) { read.reset(DS_AudioFile::CreateFromStream(*handle)); });
  ASSERT_TRUE(read);
  EXPECT_EQ(L"Evening", read->GetTitle());
  EXPECT_EQ(L"D:\\music\\evening.mp3", read->GetFile().Name());
  ASSERT_EQ(5u, read->GetFile().Size());
  EXPECT_EQ(0, memcmp(bytes, read->GetFile().Data(), 5));

  // Cut anywhere, the record gives no track.
  for (size_t cut = 0; cut < s.Bytes().size(); ++cut) {
    ResourceBuffer buffer(s.Bytes().data(), cut);
    DS_IOF_Handle handle(new DS_IOF_R<ResourceBuffer>(&buffer));
    EXPECT_EQ(nullptr, DS_AudioFile::CreateFromStream(*handle)) << "cut at " << cut;
  }
}

// A sound section of an old version: its play mode and silent stretch in seconds.
std::vector<unsigned char> WriteOldSoundRecord(int sectionVersion, long mode, unsigned hiddenLo, unsigned hiddenHi) {
  DS_IOF_W s;
  WriteLevelHeader(s, L"DS_TestSound", 1);
  WriteLevelHeader(s, L"DS_Sound_Ctrl", sectionVersion);
  s.WriteUInt(80);
  s.WriteUInt(20);
  s.WriteLong(mode);
  s.WriteUInt(hiddenLo);
  s.WriteUInt(hiddenHi);
  WriteLevelHeader(s, L"DS_ABObj_Constructor", 1);
  s.WriteString(L"chime");
  return s.Bytes();
}

TEST(SoundRecordTest, OldSectionsMoveTheirTimesIntoTheTimeLine) {
  std::unique_ptr<DS_ABObj_Constructor> item;
  ReadAll(WriteOldSoundRecord(2, 1, 3, 5), [&](DS_IOF_Handle& handle) { item.reset(ReadAnyObject(handle)); });
  ASSERT_TRUE(item);
  TestSoundItem* sound = dynamic_cast<TestSoundItem*>(item.get());
  ASSERT_NE(nullptr, sound);
  EXPECT_EQ(80u, sound->volume.GetValue());
  EXPECT_EQ(20u, sound->balance.GetValue());
  EXPECT_EQ(1, sound->TimeLine().mode.GetValue());
  EXPECT_EQ(300u, sound->TimeLine().hidden.lo.GetValue());
  EXPECT_EQ(500u, sound->TimeLine().hidden.hi.GetValue());
  EXPECT_EQ(L"chime", sound->GetName());

  ReadAll(WriteOldSoundRecord(1, 0, 0xFFFFFFFFu, 50000000u),
          [&](DS_IOF_Handle& handle) { item.reset(ReadAnyObject(handle)); });
  ASSERT_TRUE(item);
  EXPECT_EQ(0xFFFFFFFFu, item->TimeLine().hidden.lo.GetValue()) << "x100 must saturate, not wrap";
  EXPECT_EQ(0xFFFFFFFFu, item->TimeLine().hidden.hi.GetValue());
}

TEST(SoundRecordTest, CurrentSectionRoundTripsWithItsTimeLine) {
  TestSoundItem written;
  written.volume.SetValue(35);
  written.balance.SetValue(90);
  written.SetName(L"rain");
  written.TimeLine().mode.SetValue(1);
  written.TimeLine().shown.lo.SetValue(250);
  DS_IOF_W s;
  written.Write(s);
  std::unique_ptr<DS_ABObj_Constructor> item;
  ReadAll(s.Bytes(), [&](DS_IOF_Handle& handle) { item.reset(ReadAnyObject(handle)); });
  TestSoundItem* sound = dynamic_cast<TestSoundItem*>(item.get());
  ASSERT_NE(nullptr, sound);
  EXPECT_EQ(35u, sound->volume.GetValue());
  EXPECT_EQ(90u, sound->balance.GetValue());
  EXPECT_EQ(L"rain", sound->GetName());
  EXPECT_EQ(1, sound->TimeLine().mode.GetValue());
  EXPECT_EQ(250u, sound->TimeLine().shown.lo.GetValue());
}

TEST(SoundObjectTest, DisablingStopsAndEnablingWaitsForTheNextUpdate) {
  TestSoundItem::Counts& counts = TestSoundItem::GetCounts();
  counts = TestSoundItem::Counts();
  TestSoundItem item;
  std::unique_ptr<DS_ABObj> object(item.CreateObject());
  EXPECT_EQ(1, counts.prepared) << "the object prepares its sound when it is made";
  EXPECT_EQ(DS_Sound_Ctrl::kSoundKind, object->GetKind());
  object->Update(2.0f);
  EXPECT_EQ(1, counts.updated);
  object->SetEnabled(false);
  object->SetEnabled(false);
  EXPECT_EQ(2, counts.stopped);
  object->Update(3.0f);
  EXPECT_EQ(1, counts.updated) << "a disabled sound is not updated";
  object->SetEnabled(true);
  EXPECT_EQ(2, counts.stopped);
  EXPECT_EQ(1, counts.updated);
  object->Update(4.0f);
  EXPECT_EQ(2, counts.updated);
  EXPECT_FLOAT_EQ(4.0f, counts.lastTime);
  EXPECT_TRUE(object->IsEnabled()) << "the base's enabled flag is not the sound's";
}

TEST(SoundRecordTest, SoundItemsTellTheSoundPicture) {
  TestSoundItem item;
  DS_TextureFrameInfo info;
  item.GetTextureFrameInfo(info, 0);
  ASSERT_NE(nullptr, info.imageLink);
  EXPECT_EQ(L"common_res.dll", info.imageLink->GetPath());
  EXPECT_EQ(DS_Sound_Ctrl::kSoundIconResource, info.imageLink->GetStamp());
  EXPECT_FLOAT_EQ(1.0f, info.frameStep);
}

}  // namespace
