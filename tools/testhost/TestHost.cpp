#include "TestHost.h"

#include "VstConstants.h"
#include "VstEvents.h"
#include "VstHostOpcodes.h"
#include "VstStringLengths.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <thread>

namespace kolmari::testhost {

using namespace lumen::vst2;

namespace {

thread_local const TestHost* tAudioThreadHost = nullptr;

// Copies text into a plug-in's buffer of the interface's nominal size, cut to fit.
intptr_t CopyText(const std::string& text, void* ptr, size_t capacity) {
  if (!ptr) return 0;
  const size_t n = std::min(text.size(), capacity - 1);
  std::memcpy(ptr, text.data(), n);
  static_cast<char*>(ptr)[n] = '\0';
  return 1;
}

VstTimeInfo StartingTransport(double sampleRate) {
  VstTimeInfo t{};
  t.sampleRate = sampleRate;
  t.tempo = 120.0;
  t.timeSigNumerator = 4;
  t.timeSigDenominator = 4;
  t.flags = kVstTransportPlaying | kVstPpqPosValid | kVstTempoValid | kVstBarsValid | kVstTimeSigValid;
  return t;
}

// The capabilities an ordinary effect host claims.
std::map<std::string, intptr_t> StandardCanDo() {
  return {{"sendVstEvents", 1},      {"sendVstMidiEvent", 1}, {"sendVstTimeInfo", 1}, {"receiveVstEvents", 1},
          {"receiveVstMidiEvent", 1}, {"sizeWindow", 1},       {"startStopProcess", 1}, {"acceptIOChanges", 1},
          {"supplyIdle", 1},          {"supportShell", -1},    {"offline", -1},         {"openFileSelector", -1},
          {"closeFileSelector", -1},  {"editFile", -1},        {"shellCategory", -1}};
}

} // namespace

TestHost::TestHost(HostSettings settings)
    : mSettings(std::move(settings)), mTransport(StartingTransport(mSettings.sampleRate)), mCanDo(StandardCanDo()) {}

intptr_t TestHost::Answer(AEffect* effect, int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt,
                          bool duringConstruction) {
  HostCall call;
  call.opcode = opcode;
  call.index = index;
  call.value = value;
  call.opt = opt;
  call.withEffect = effect != nullptr;
  call.duringConstruction = duringConstruction;
  call.thread = std::this_thread::get_id();
  {
    std::lock_guard lock(mMutex);
    call.answer = AnswerLocked(opcode, index, value, ptr, call.text);
  }
  const intptr_t answer = call.answer;
  mRecorder.Record(std::move(call));
  return answer;
}

intptr_t TestHost::AnswerLocked(int32_t opcode, int32_t index, intptr_t value, void* ptr, std::string& text) {
  switch (opcode) {
    case audioMasterVersion: return kVstVersion;
    case audioMasterGetTime:
      if (!mTransportAvailable) return 0;
      mTimeAnswer = mTransport;
      mTimeAnswer.sampleRate = mSettings.sampleRate;
      return reinterpret_cast<intptr_t>(&mTimeAnswer);
    case audioMasterGetCurrentProcessLevel: return CurrentProcessLevel();
    case audioMasterGetSampleRate: return static_cast<intptr_t>(mSettings.sampleRate);
    case audioMasterGetBlockSize: return mSettings.blockSize;
    case audioMasterGetProductString: return CopyText(mSettings.productString, ptr, kVstMaxProductStrLen);
    case audioMasterGetVendorString: return CopyText(mSettings.vendorString, ptr, kVstMaxVendorStrLen);
    case audioMasterGetVendorVersion: return mSettings.vendorVersion;
    case audioMasterCanDo: {
      if (!ptr) return 0;
      text.assign(static_cast<const char*>(ptr), strnlen(static_cast<const char*>(ptr), 256));
      const auto found = mCanDo.find(text);
      return found == mCanDo.end() ? 0 : found->second;
    }
    case audioMasterSizeWindow:
      mRequestedWindowSize = std::pair{index, static_cast<int32_t>(value)};
      return mSettings.acceptSizeWindow ? 1 : 0;
    case audioMasterProcessEvents:
      if (!ptr) return 0;
      KeepEvents(ptr);
      return 1;
    case audioMasterGetAutomationState: return kVstAutomationReadWrite;
    case audioMasterGetLanguage: return 1;  // English
    case audioMasterAutomate:
    case audioMasterCurrentId:
    case audioMasterGetInputLatency:
    case audioMasterGetOutputLatency:
    case audioMasterGetDirectory: return 0;
    case audioMasterWantMidi:
    case audioMasterIOChanged:
    case audioMasterUpdateDisplay:
    case audioMasterBeginEdit:
    case audioMasterEndEdit:
    case audioMasterIdle:
    case audioMasterNeedIdle: return 1;
    default: return 0;
  }
}

intptr_t TestHost::CurrentProcessLevel() const {
  if (mProcessLevel) return *mProcessLevel;
  return tAudioThreadHost == this ? kVstProcessLevelRealtime : kVstProcessLevelUser;
}

void TestHost::KeepEvents(const void* ptr) {
  const auto* events = static_cast<const VstEvents*>(ptr);
  for (int32_t i = 0; i < events->numEvents; ++i) {
    const VstEvent* event = events->events[i];
    if (!event) continue;
    ReceivedEvent kept{event->type, event->deltaFrames, {}};
    if (event->type == kVstMidiType) {
      const auto* midi = reinterpret_cast<const VstMidiEvent*>(event);
      kept.bytes.assign(midi->midiData, midi->midiData + 3);
    } else if (event->type == kVstSysExType) {
      const auto* sysex = reinterpret_cast<const VstMidiSysexEvent*>(event);
      if (sysex->sysexDump && sysex->dumpBytes > 0) kept.bytes.assign(sysex->sysexDump, sysex->sysexDump + sysex->dumpBytes);
    }
    mReceivedEvents.push_back(std::move(kept));
  }
}

void TestHost::SetSampleRate(double sampleRate) {
  std::lock_guard lock(mMutex);
  mSettings.sampleRate = sampleRate;
}

double TestHost::SampleRate() const {
  std::lock_guard lock(mMutex);
  return mSettings.sampleRate;
}

void TestHost::SetBlockSize(int32_t blockSize) {
  std::lock_guard lock(mMutex);
  mSettings.blockSize = blockSize;
}

int32_t TestHost::BlockSize() const {
  std::lock_guard lock(mMutex);
  return mSettings.blockSize;
}

void TestHost::SetTransport(const VstTimeInfo& transport) {
  std::lock_guard lock(mMutex);
  mTransport = transport;
}

VstTimeInfo TestHost::Transport() const {
  std::lock_guard lock(mMutex);
  return mTransport;
}

void TestHost::SetTransportAvailable(bool available) {
  std::lock_guard lock(mMutex);
  mTransportAvailable = available;
}

void TestHost::AdvanceTransport(int32_t frames) {
  std::lock_guard lock(mMutex);
  if (!(mTransport.flags & kVstTransportPlaying) || frames <= 0) return;
  mTransport.samplePos += frames;
  if (mSettings.sampleRate > 0.0 && mTransport.tempo > 0.0)
    mTransport.ppqPos += frames / mSettings.sampleRate * mTransport.tempo / 60.0;
  if (mTransport.timeSigNumerator > 0 && mTransport.timeSigDenominator > 0) {
    const double barLength = 4.0 * mTransport.timeSigNumerator / mTransport.timeSigDenominator;
    mTransport.barStartPos = std::floor(mTransport.ppqPos / barLength) * barLength;
  }
}

void TestHost::SetProcessLevel(std::optional<int32_t> level) {
  std::lock_guard lock(mMutex);
  mProcessLevel = level;
}

void TestHost::SetCanDo(const std::string& query, intptr_t answer) {
  std::lock_guard lock(mMutex);
  mCanDo[query] = answer;
}

void TestHost::SetAcceptSizeWindow(bool accept) {
  std::lock_guard lock(mMutex);
  mSettings.acceptSizeWindow = accept;
}

std::optional<std::pair<int32_t, int32_t>> TestHost::RequestedWindowSize() const {
  std::lock_guard lock(mMutex);
  return mRequestedWindowSize;
}

std::vector<ReceivedEvent> TestHost::ReceivedEvents() const {
  std::lock_guard lock(mMutex);
  return mReceivedEvents;
}

void TestHost::ClearReceivedEvents() {
  std::lock_guard lock(mMutex);
  mReceivedEvents.clear();
}

TestHost::ProcessScope::ProcessScope(const TestHost& host) : mPrevious(tAudioThreadHost) { tAudioThreadHost = &host; }

TestHost::ProcessScope::~ProcessScope() { tAudioThreadHost = mPrevious; }

} // namespace kolmari::testhost
