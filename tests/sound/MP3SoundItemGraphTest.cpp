// The MP3 sound item on its own DirectShow graph under Wine (null audio device),
// playing short WAV files made in code: the graphs choose their source filter by the
// file's content and extension, so a WAV exercises the same path as an MP3.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "WAVBuilder.h"
#include "document/Utilities.h"
#include "render/TimeLine.h"
#include "sound/MP3SoundItem.h"
#include "sound/MediaThread.h"
#include "tools/Mp3Clip.h"

namespace {

// Media work takes a loaded machine seconds; only a stuck media thread waits this long.
const DWORD kMediaWaitMs = 60000;

ds_string TemporaryFolder() {
  wchar_t temp[MAX_PATH + 1] = {};
  GetTempPathW(MAX_PATH, temp);
  return ds_string(temp);
}

// A file name no other run or test uses.
ds_string UniqueName(const wchar_t* stem, const wchar_t* extension = L".wav") {
  static int counter = 0;
  return ds_string(stem) + L"_" + std::to_wstring(GetCurrentProcessId()) + L"_" +
         std::to_wstring(++counter) + extension;
}

bool FileExists(const ds_string& path) {
  DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::vector<unsigned char> ReadFileBytes(const ds_string& path) {
  std::vector<unsigned char> bytes;
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return bytes;
  bytes.resize(GetFileSize(file, nullptr));
  DWORD read = 0;
  if (!bytes.empty()) ReadFile(file, bytes.data(), DWORD(bytes.size()), &read, nullptr);
  bytes.resize(read);
  CloseHandle(file);
  return bytes;
}

bool WriteFileBytes(const ds_string& path, const std::vector<unsigned char>& bytes) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  WriteFile(file, bytes.data(), DWORD(bytes.size()), &written, nullptr);
  CloseHandle(file);
  return written == bytes.size();
}

// An item as the document holds it: a source path that does not exist here and the
// file's bytes.
std::unique_ptr<DS_MP3_Constructor> EmbeddedItem(const ds_string& sourcePath,
                                                 const std::vector<unsigned char>& bytes,
                                                 int mode = DS_TimeLineControl::kAlwaysVisible) {
  std::unique_ptr<DS_MP3_Constructor> item(new DS_MP3_Constructor());
  item->GetFile().SetName(sourcePath);
  if (!bytes.empty()) item->GetFile().SetData(uint32_t(bytes.size()), bytes.data());
  item->TimeLine().mode.SetValue(mode);
  return item;
}

// The polls and stops the item posted have run.
void WaitForMediaWork() {
  if (MediaThread().IsRunning()) {
    EXPECT_TRUE(MediaThread().WaitIdle(kMediaWaitMs)) << "the media thread is stuck";
  }
}

OAFilterState GraphState(const DS_MP3_Constructor& item) {
  WaitForMediaWork();
  OAFilterState state = -1;
  EXPECT_TRUE(SUCCEEDED(item.Control()->GetState(2000, &state)));
  return state;
}

LONGLONG CurrentPosition(const DS_MP3_Constructor& item) {
  WaitForMediaWork();
  LONGLONG current = -1;
  EXPECT_TRUE(SUCCEEDED(item.Seeking()->GetCurrentPosition(&current)));
  return current;
}

// No time line windows: mode 2 is invisible throughout.
void MakeInvisible(DS_MP3_Constructor& item) { item.TimeLine().mode.SetValue(DS_TimeLineControl::kWindows); }

TEST(MP3SoundItemGraph, PrepareWritesTheFileBuildsAStoppedGraphAndTakesTheDuration) {
  const std::vector<unsigned char> wav = MakeToneWAV(2.5);
  const ds_string name = UniqueName(L"ds_mp3_prepare");
  ds_string temporaryPath;
  {
    auto item = EmbeddedItem(L"Z:\\authoring\\sounds\\" + name, wav, DS_TimeLineControl::kCycle);
    item->TimeLine().fadeIn.SetValue(150u);
    item->TimeLine().fadeOut.SetValue(250u);
    item->Prepare();
    temporaryPath = item->GetTemporaryPath();
    EXPECT_EQ(TemporaryFolder() + name, temporaryPath);
    EXPECT_EQ(wav, ReadFileBytes(temporaryPath)) << "the bytes were not written whole";
    ASSERT_NE(nullptr, item->Graph());
    ASSERT_NE(nullptr, item->SourceFilter()) << "the graph did not open the file";
    EXPECT_EQ(State_Stopped, GraphState(*item));

    // 2.5 s: two whole seconds visible, no fades.
    const DS_TimeLineControl& timeLine = item->TimeLine();
    EXPECT_EQ(200u, timeLine.shown.hi.GetValue());
    EXPECT_EQ(200u, timeLine.shown.lo.GetValue());
    EXPECT_EQ(0u, timeLine.fadeIn.GetValue());
    EXPECT_EQ(0u, timeLine.fadeOut.GetValue());
  }
  EXPECT_FALSE(FileExists(temporaryPath)) << "the item left its temporary file behind";
}

TEST(MP3SoundItemGraph, PlaysWhileVisibleWithItsLevelsAndStopsWhenInvisible) {
  auto item = EmbeddedItem(L"C:\\x\\" + UniqueName(L"ds_mp3_levels"), MakeToneWAV(3.0));
  item->volume.SetValue(80);
  item->balance.SetValue(25);
  item->Prepare();
  ASSERT_NE(nullptr, item->SourceFilter());

  item->Update(0.0f);
  EXPECT_EQ(State_Running, GraphState(*item));
  long volume = 1, balance = 1;
  ASSERT_TRUE(SUCCEEDED(item->Audio()->get_Volume(&volume)));
  ASSERT_TRUE(SUCCEEDED(item->Audio()->get_Balance(&balance)));
  EXPECT_EQ(-800, volume);
  EXPECT_EQ(-2000, balance);

  // Running and visible: the next frame leaves it alone.
  item->Update(0.03f);
  EXPECT_EQ(State_Running, GraphState(*item));

  MakeInvisible(*item);
  item->Update(0.06f);
  EXPECT_EQ(State_Stopped, GraphState(*item));
  // Invisible and stopped: nothing starts it.
  item->Update(0.09f);
  EXPECT_EQ(State_Stopped, GraphState(*item));
}

TEST(MP3SoundItemGraph, CyclingItemPlaysThroughItsVisiblePhaseAndStopsWhenInvisible) {
  auto item = EmbeddedItem(L"C:\\x\\" + UniqueName(L"ds_mp3_cycle"), MakeToneWAV(2.0),
                           DS_TimeLineControl::kCycle);
  item->TimeLine().hidden.lo.SetValue(100u);
  item->TimeLine().hidden.hi.SetValue(100u);
  item->Prepare();
  ASSERT_NE(nullptr, item->SourceFilter());
  ASSERT_EQ(200u, item->TimeLine().shown.lo.GetValue());
  // One frame of the slide: the time line advances, then the sound follows its phase.
  auto frame = [&](float t) {
    item->TimeLine().AdvanceLocalTime(t);
    item->Update(t);
    return std::make_pair(item->TimeLine().GetPhase(), GraphState(*item));
  };
  const struct {
    float t;
    int phase;
    OAFilterState state;
  } frames[] = {
      {0.00f, kPhaseInvisible, State_Stopped},
      {0.01f, kPhaseFadingIn, State_Stopped},  // fades have no length, but a frame each
      {0.02f, kPhaseVisible, State_Running},
      {1.00f, kPhaseVisible, State_Running},
      {2.03f, kPhaseFadingOut, State_Running},  // neither started nor stopped
      {2.04f, kPhaseInvisible, State_Stopped},
      {2.50f, kPhaseInvisible, State_Stopped},
  };
  for (const auto& f : frames) {
    const auto got = frame(f.t);
    EXPECT_EQ(f.phase, got.first) << "at " << f.t;
    EXPECT_EQ(f.state, got.second) << "at " << f.t;
  }
}

TEST(MP3SoundItemGraph, EndOfFileStopsAndTheNextFrameStartsFromTheBeginning) {
  auto item = EmbeddedItem(L"C:\\x\\" + UniqueName(L"ds_mp3_end"), MakeToneWAV(2.0));
  item->Prepare();
  ASSERT_NE(nullptr, item->SourceFilter());
  item->Update(0.0f);
  ASSERT_EQ(State_Running, GraphState(*item));

  // The file has played to its end: the position stands at the stop position.
  LONGLONG stop = 0;
  ASSERT_TRUE(SUCCEEDED(item->Seeking()->GetStopPosition(&stop)));
  LONGLONG end = stop;
  ASSERT_TRUE(SUCCEEDED(item->Seeking()->SetPositions(&end, AM_SEEKING_AbsolutePositioning,
                                                      nullptr, AM_SEEKING_NoPositioning)));
  item->Update(0.03f);
  EXPECT_EQ(State_Stopped, GraphState(*item));

  item->Update(0.06f);
  EXPECT_EQ(State_Running, GraphState(*item));
  EXPECT_LT(CurrentPosition(*item), stop / 2) << "the file did not start again from its beginning";
}

// A real compressed file (the silent clip of the test scene): the graph decodes it,
// takes its duration and plays it.
TEST(MP3SoundItemGraph, PlaysAnMp3ClipMadeInCode) {
  const std::vector<unsigned char> clip = ds_tools::EncodeSilentMp3(3.0);
  ASSERT_EQ(0u, clip.size() % ds_tools::kMp3FrameBytes);
  auto item = EmbeddedItem(L"C:\\x\\" + UniqueName(L"ds_mp3_clip", L".mp3"), clip);
  item->Prepare();
  ASSERT_NE(nullptr, item->SourceFilter()) << "the graph did not open the clip";
  // 3 s and a little: three whole seconds.
  EXPECT_EQ(300u, item->TimeLine().shown.hi.GetValue());
  item->Update(0.0f);
  EXPECT_EQ(State_Running, GraphState(*item));
}

// The end of the run: a playing item's graph goes, with its temporary file, and no
// later frame starts anything.
TEST(MP3SoundItemGraph, ReleasedSoundStopsAndLetsItsGraphAndFileGo) {
  auto item = EmbeddedItem(L"C:\\x\\" + UniqueName(L"ds_mp3_release"), MakeToneWAV(2.0));
  std::unique_ptr<DS_ABObj> object(item->CreateObject());
  auto* sound = dynamic_cast<DS_Sound*>(object.get());
  ASSERT_NE(nullptr, sound);
  auto* clone = dynamic_cast<DS_MP3_Constructor*>(sound->GetItem());
  ASSERT_NE(nullptr, clone);
  ASSERT_NE(nullptr, clone->SourceFilter());
  sound->Update(0.0f);
  ASSERT_EQ(State_Running, GraphState(*clone));
  const ds_string path = clone->GetTemporaryPath();
  ASSERT_TRUE(FileExists(path));

  sound->ReleaseSound();
  EXPECT_EQ(nullptr, clone->Graph());
  EXPECT_EQ(nullptr, clone->Control());
  EXPECT_EQ(nullptr, clone->SourceFilter());
  EXPECT_FALSE(FileExists(path)) << "the temporary file outlived the released graph";
  sound->SetEnabled(true);
  sound->Update(0.03f);
  EXPECT_EQ(nullptr, clone->Graph());
}

TEST(MP3SoundItemGraph, RunTimeObjectPreparesTheCloneAndPlaysOnlyWhenEnabled) {
  auto item = EmbeddedItem(L"C:\\x\\" + UniqueName(L"ds_mp3_object"), MakeToneWAV(2.0));
  std::unique_ptr<DS_ABObj> object(item->CreateObject());
  auto* sound = dynamic_cast<DS_Sound*>(object.get());
  ASSERT_NE(nullptr, sound);
  auto* clone = dynamic_cast<DS_MP3_Constructor*>(sound->GetItem());
  ASSERT_NE(nullptr, clone);
  ASSERT_NE(item.get(), clone);
  EXPECT_EQ(nullptr, item->Graph()) << "the document's item must stay unprepared";
  ASSERT_NE(nullptr, clone->SourceFilter());
  EXPECT_EQ(State_Stopped, GraphState(*clone));

  sound->Update(0.0f);
  EXPECT_EQ(State_Running, GraphState(*clone));
  sound->SetEnabled(false);
  EXPECT_EQ(State_Stopped, GraphState(*clone));
  sound->SetEnabled(false);
  EXPECT_EQ(State_Stopped, GraphState(*clone));
  sound->Update(0.1f);
  EXPECT_EQ(State_Stopped, GraphState(*clone)) << "a disabled sound must stay silent";
  sound->SetEnabled(true);
  EXPECT_EQ(State_Stopped, GraphState(*clone)) << "enabling alone must not start it";
  sound->Update(0.2f);
  EXPECT_EQ(State_Running, GraphState(*clone));

  const ds_string temporaryPath = clone->GetTemporaryPath();
  object.reset();
  EXPECT_FALSE(FileExists(temporaryPath));
}

TEST(MP3SoundItemGraph, MissingOrUnplayableFileLeavesTheItemSilent) {
  // No bytes and a source path that does not exist.
  auto missing = EmbeddedItem(L"Z:\\nowhere\\" + UniqueName(L"ds_mp3_missing"), {});
  missing->Prepare();
  EXPECT_TRUE(missing->GetTemporaryPath().empty());
  EXPECT_FALSE(FileExists(TemporaryFolder() + GetFileNameFromPath(missing->GetFile().Name())));
  EXPECT_EQ(nullptr, missing->SourceFilter());
  EXPECT_EQ(0u, missing->TimeLine().shown.hi.GetValue());
  missing->Update(0.0f);
  missing->Update(0.1f);
  missing->Stop();
  ASSERT_NE(nullptr, missing->Control()) << "the graph itself does not need the file";
  EXPECT_NE(State_Running, GraphState(*missing));

  // Bytes that are no sound at all.
  const std::string text = "this is not a sound file";
  auto garbage = EmbeddedItem(L"C:\\x\\" + UniqueName(L"ds_mp3_garbage"),
                              std::vector<unsigned char>(text.begin(), text.end()));
  garbage->Prepare();
  garbage->Update(0.0f);
  ASSERT_NE(nullptr, garbage->Control());
  EXPECT_NE(State_Running, GraphState(*garbage));
  EXPECT_EQ(0u, garbage->TimeLine().shown.hi.GetValue());

  // An item that was never prepared does nothing at all.
  DS_MP3_Constructor unprepared;
  unprepared.Update(0.0f);
  unprepared.Stop();
  EXPECT_EQ(nullptr, unprepared.Graph());
}

TEST(MP3SoundItemGraph, SourceWithoutBytesIsCopiedAndStaysWhereItIs) {
  const ds_string folder = TemporaryFolder() + UniqueName(L"ds_mp3_source", L"");
  ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
  const ds_string name = UniqueName(L"ds_mp3_copied");
  const ds_string source = folder + L"\\" + name;
  const std::vector<unsigned char> wav = MakeToneWAV(1.2);
  ASSERT_TRUE(WriteFileBytes(source, wav));
  {
    auto item = EmbeddedItem(source, {});
    item->Prepare();
    EXPECT_EQ(TemporaryFolder() + name, item->GetTemporaryPath());
    EXPECT_EQ(wav, ReadFileBytes(item->GetTemporaryPath()));
    EXPECT_NE(nullptr, item->SourceFilter());
    EXPECT_EQ(100u, item->TimeLine().shown.hi.GetValue());
  }
  EXPECT_FALSE(FileExists(TemporaryFolder() + name));
  EXPECT_EQ(wav, ReadFileBytes(source)) << "the source file was touched";
  DeleteFileW(source.c_str());
  RemoveDirectoryW(folder.c_str());
}

TEST(MP3SoundItemGraph, SourceInTheTemporaryFolderIsPlayedInPlaceAndKept) {
  const ds_string source = TemporaryFolder() + UniqueName(L"ds_mp3_inplace");
  const std::vector<unsigned char> wav = MakeToneWAV(1.0);
  ASSERT_TRUE(WriteFileBytes(source, wav));
  for (bool withBytes : {false, true}) {
    {
      std::vector<unsigned char> embedded = withBytes ? MakeToneWAV(2.0) : std::vector<unsigned char>();
      auto item = EmbeddedItem(source, embedded);
      item->Prepare();
      EXPECT_EQ(source, item->GetTemporaryPath());
      EXPECT_NE(nullptr, item->SourceFilter());
    }
    EXPECT_EQ(wav, ReadFileBytes(source)) << "the user's file was overwritten or deleted; bytes "
                                          << withBytes;
  }
  DeleteFileW(source.c_str());
}

TEST(MP3SoundItemGraph, HostileNamesStayInTheTemporaryFolder) {
  const ds_string name = UniqueName(L"ds_mp3_escape");
  const ds_string outside = TemporaryFolder() + L"..\\" + name;
  auto item = EmbeddedItem(L"..\\..\\..\\" + name, MakeToneWAV(1.0));
  item->Prepare();
  EXPECT_EQ(TemporaryFolder() + name, item->GetTemporaryPath());
  EXPECT_FALSE(FileExists(outside));
  EXPECT_NE(nullptr, item->SourceFilter());

  auto device = EmbeddedItem(L"C:\\x\\NUL.wav", MakeToneWAV(1.0));
  device->Prepare();
  const ds_string path = device->GetTemporaryPath();
  ASSERT_FALSE(path.empty());
  EXPECT_EQ(0u, path.compare(0, TemporaryFolder().size(), TemporaryFolder()));
  EXPECT_TRUE(FileExists(path)) << "a device name was used as the file";
}

TEST(MP3SoundItemGraph, ClonesShareTheFileAndOtherContentGetsItsOwn) {
  const ds_string name = UniqueName(L"ds_mp3_shared");
  const std::vector<unsigned char> first = MakeToneWAV(1.0);
  const std::vector<unsigned char> second = MakeToneWAV(2.0);
  auto a = EmbeddedItem(L"C:\\one\\" + name, first);
  a->Prepare();
  std::unique_ptr<DS_MP3_Constructor> sameItem(static_cast<DS_MP3_Constructor*>(a->Clone()));
  auto sameContent = EmbeddedItem(L"C:\\one\\" + name, first);
  sameContent->Prepare();
  auto otherContent = EmbeddedItem(L"C:\\two\\" + name, second);
  otherContent->Prepare();

  const ds_string shared = a->GetTemporaryPath();
  EXPECT_EQ(shared, sameItem->GetTemporaryPath());
  EXPECT_EQ(shared, sameContent->GetTemporaryPath());
  EXPECT_NE(shared, otherContent->GetTemporaryPath());
  EXPECT_EQ(second, ReadFileBytes(otherContent->GetTemporaryPath()));
  EXPECT_EQ(first, ReadFileBytes(shared)) << "another item's sound replaced this one's";
  EXPECT_EQ(100u, sameContent->TimeLine().shown.hi.GetValue());
  EXPECT_EQ(200u, otherContent->TimeLine().shown.hi.GetValue());

  a.reset();
  sameItem.reset();
  EXPECT_TRUE(FileExists(shared)) << "deleted while another item still plays it";
  sameContent.reset();
  EXPECT_FALSE(FileExists(shared));
  const ds_string other = otherContent->GetTemporaryPath();
  otherContent.reset();
  EXPECT_FALSE(FileExists(other));
}

TEST(MP3SoundItemGraph, SecondPrepareReplacesTheFirstGraph) {
  auto item = EmbeddedItem(L"C:\\x\\" + UniqueName(L"ds_mp3_twice"), MakeToneWAV(1.0));
  item->Prepare();
  item->Prepare();
  ASSERT_NE(nullptr, item->SourceFilter());
  item->Update(0.0f);
  EXPECT_EQ(State_Running, GraphState(*item));
  const ds_string path = item->GetTemporaryPath();
  item.reset();
  EXPECT_FALSE(FileExists(path));
}

// A graph whose GetState and Stop hang in the media stack until the test lets them go
// (at most ten seconds, so that a fault fails the test instead of hanging it).
class HangingControl : public IMediaControl {
public:
  HangingControl() : m_released(CreateEventW(nullptr, TRUE, FALSE, nullptr)), m_entered(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
  ~HangingControl() {
    CloseHandle(m_released);
    CloseHandle(m_entered);
  }

  void LetGo() { SetEvent(m_released); }
  bool WaitEntered() { return WaitForSingleObject(m_entered, 5000) == WAIT_OBJECT_0; }
  LONG Inside() const { return InterlockedCompareExchange(const_cast<LONG*>(&m_inside), 0, 0); }
  LONG StateCalls() const { return InterlockedCompareExchange(const_cast<LONG*>(&m_stateCalls), 0, 0); }
  LONG StopCalls() const { return InterlockedCompareExchange(const_cast<LONG*>(&m_stopCalls), 0, 0); }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (iid == IID_IUnknown || iid == IID_IDispatch || iid == IID_IMediaControl) {
      *out = static_cast<IMediaControl*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&m_references); }
  ULONG STDMETHODCALLTYPE Release() override {
    const LONG left = InterlockedDecrement(&m_references);
    if (left == 0) delete this;
    return left;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Run() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE Pause() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE Stop() override {
    InterlockedIncrement(&m_stopCalls);
    Hang();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetState(LONG, OAFilterState* state) override {
    InterlockedIncrement(&m_stateCalls);
    Hang();
    *state = State_Running;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE RenderFile(BSTR) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE AddSourceFilter(BSTR, IDispatch**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_FilterCollection(IDispatch**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_RegFilterCollection(IDispatch**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE StopWhenReady() override { return S_OK; }

private:
  void Hang() {
    InterlockedIncrement(&m_inside);
    SetEvent(m_entered);
    WaitForSingleObject(m_released, 10000);
    InterlockedDecrement(&m_inside);
  }

  LONG m_references = 1;
  LONG m_inside = 0;
  LONG m_stateCalls = 0;
  LONG m_stopCalls = 0;
  HANDLE m_released;
  HANDLE m_entered;
};

// The window thread draws on while the item's graph hangs: each frame returns at once,
// frames pile no polls up behind the stuck one, and the item reads the state the
// media thread found once the graph comes back.
TEST(MP3SoundItemGraph, FramesAndStopsNeverWaitForAStuckGraph) {
  HangingControl* control = new HangingControl();
  auto item = EmbeddedItem(L"C:\\x\\" + UniqueName(L"ds_mp3_stuck"), MakeToneWAV(1.0));
  item->UseControls(control, nullptr);
  EXPECT_EQ(-1, item->LastPolledState());

  item->Update(0.0f);
  ASSERT_TRUE(control->WaitEntered()) << "the poll did not reach the graph";
  for (int frame = 1; frame <= 50; ++frame) item->Update(frame * 0.02f);
  item->Stop();
  EXPECT_EQ(1, control->Inside()) << "a frame waited for the graph";
  EXPECT_TRUE(item->IsPolling());
  EXPECT_EQ(1, control->StateCalls()) << "frames queued polls behind the stuck one";
  EXPECT_EQ(0, control->StopCalls());
  EXPECT_EQ(-1, item->LastPolledState());

  control->LetGo();
  WaitForMediaWork();
  EXPECT_FALSE(item->IsPolling());
  EXPECT_EQ(State_Running, item->LastPolledState());
  EXPECT_EQ(1, control->StopCalls()) << "the stop was lost";
  item->Update(1.1f);
  WaitForMediaWork();
  EXPECT_EQ(2, control->StateCalls()) << "no poll after the graph came back";
  item.reset();
  control->Release();
}

}  // namespace
