// The binary's effect record and dispatcher as a host and a validator see them: the record's fields,
// identification, capabilities, programs, pins, speaker arrangements, the editor opcodes without an
// editor, keys, and calls a careful plug-in must survive (null object, unknown opcodes).

#include "KolmariBinary.h"

#include "VstInterface.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <limits>

namespace kolmari::binary::test {
namespace {

using namespace lumen::vst2;

TEST(EffectRecordTest, DescribesTheEffect) {
  auto plugin = LoadKolmari();
  ASSERT_TRUE(plugin);
  const AEffect* e = plugin->Effect();
  EXPECT_EQ(e->magic, kEffectMagic);
  EXPECT_EQ(e->numParams, 9);
  EXPECT_EQ(e->numPrograms, 1);
  EXPECT_EQ(e->numInputs, 2);
  EXPECT_EQ(e->numOutputs, 2);
  // Editor, mono, replacing and double replacing; no chunks, not an instrument.
  EXPECT_EQ(e->flags, 0x1019);
  EXPECT_EQ(e->ioRatio, 1.0f);
  EXPECT_EQ(e->initialDelay, 0);
  EXPECT_EQ(e->version, 10105);
  EXPECT_EQ(e->uniqueID, 0x6F667A6F);
  EXPECT_NE(e->object, nullptr);
  EXPECT_NE(e->dispatcher, nullptr);
  EXPECT_NE(e->process, nullptr);
  EXPECT_NE(e->processReplacing, nullptr);
  EXPECT_NE(e->processDoubleReplacing, nullptr);
  EXPECT_NE(e->setParameter, nullptr);
  EXPECT_NE(e->getParameter, nullptr);
  EXPECT_EQ(e->user, nullptr);
}

TEST(EffectRecordTest, EveryInstanceIsItsOwn) {
  auto first = LoadKolmari();
  auto second = LoadKolmari();
  ASSERT_TRUE(first && second);
  EXPECT_NE(first->Effect(), second->Effect());
  EXPECT_NE(first->Effect()->object, second->Effect()->object);
  first->SetParameter(4, 1.0f);
  EXPECT_EQ(second->ParameterDisplay(4), "32.00");
}

TEST(DispatcherTest, IdentificationAnswers) {
  auto plugin = LoadKolmari();
  ASSERT_TRUE(plugin);
  plugin->Open();
  EXPECT_EQ(plugin->EffectName(), "Kolmari");
  EXPECT_EQ(plugin->ProductString(), "Kolmari");
  EXPECT_EQ(plugin->VendorString(), "Lumenfold");
  EXPECT_EQ(plugin->VendorVersion(), 10105);
  EXPECT_EQ(plugin->VstVersion(), 2400);
  EXPECT_EQ(plugin->PlugCategory(), kPlugCategEffect);
  EXPECT_EQ(plugin->TailSize(), 0);
  EXPECT_EQ(plugin->Dispatch(effIdentify), 0x4E764566);  // 'NvEf'
  for (const int32_t opcode : {effGetEffectName, effGetVendorString, effGetProductString})
    EXPECT_EQ(plugin->Dispatch(opcode, 0, 0, nullptr), 0) << opcode;
}

TEST(DispatcherTest, NullObjectAndUnknownOpcodesAnswerZero) {
  auto plugin = LoadKolmari();
  ASSERT_TRUE(plugin);
  plugin->Open();
  AEffect* effect = plugin->Effect();

  // A record whose object is gone: every callback does nothing.
  AEffect orphan = *effect;
  orphan.object = nullptr;
  EXPECT_EQ(orphan.dispatcher(&orphan, effGetVstVersion, 0, 0, nullptr, 0.0f), 0);
  EXPECT_EQ(orphan.dispatcher(&orphan, effIdentify, 0, 0, nullptr, 0.0f), 0);
  EXPECT_EQ(orphan.dispatcher(&orphan, effClose, 0, 0, nullptr, 0.0f), 0);
  EXPECT_EQ(orphan.getParameter(&orphan, 0), 0.0f);
  orphan.setParameter(&orphan, 0, 1.0f);
  float sample = 0.5f;
  float* channels[2] = {&sample, &sample};
  orphan.processReplacing(&orphan, channels, channels, 1);
  orphan.process(&orphan, channels, channels, 1);
  EXPECT_EQ(sample, 0.5f);
  EXPECT_EQ(effect->dispatcher(nullptr, effGetVstVersion, 0, 0, nullptr, 0.0f), 0);

  // From 70 on (effStartProcess, effStopProcess, effSetProcessPrecision, ...) and beyond the
  // interface, and the unlisted opcodes below it.
  for (const int32_t opcode : {70, 71, 72, 77, 79, 80, 1000, std::numeric_limits<int32_t>::max(), -1,
                               std::numeric_limits<int32_t>::min()})
    EXPECT_EQ(plugin->Dispatch(opcode, 1, 1, nullptr, 1.0f), 0) << opcode;
  for (const int32_t opcode : {effGetVu, effEditDraw, effEditIdle, effGetNumProgramCategories, effCopyProgram,
                               effConnectInput, effSetBlockSizeAndSampleRate, effSetBypass, effGetErrorText, effIdle,
                               effKeysRequired, effSetEditKnobMode, effBeginSetProgram, effEndSetProgram})
    EXPECT_EQ(plugin->Dispatch(opcode, 0, 1, nullptr, 0.0f), 0) << opcode;
  EXPECT_EQ(plugin->VstVersion(), 2400);  // still alive and answering
}

TEST(DispatcherTest, CapabilitiesInTheirOrder) {
  auto plugin = LoadKolmari();
  ASSERT_TRUE(plugin);
  plugin->Open();
  EXPECT_EQ(plugin->CanDo("receiveVstTimeInfo"), 1);
  EXPECT_EQ(plugin->CanDo("hasCockosExtensions"), static_cast<intptr_t>(0xBEEF0000));
  EXPECT_EQ(plugin->CanDo("hasCockosViewAsConfig"), static_cast<intptr_t>(0xBEEF0000));
  EXPECT_EQ(plugin->CanDo("wantsChannelCountNotifications"), 1);
  // No MIDI and no MPE here: those queries fall through to the plug-in, which knows nothing more.
  for (const char* query : {"receiveVstEvents", "receiveVstMidiEvent", "sendVstEvents", "sendVstMidiEvent", "MPE",
                            "MPEx", "MP", "receiveVstTimeInfoX", "", "bypass", "plugAsChannelInsert"})
    EXPECT_EQ(plugin->CanDo(query), 0) << '"' << query << '"';
  EXPECT_EQ(plugin->Dispatch(effCanDo, 0, 0, nullptr), 0);
}

TEST(DispatcherTest, TheOneProgramIsNamedAndRenamed) {
  auto plugin = LoadKolmari();
  ASSERT_TRUE(plugin);
  plugin->Open();
  EXPECT_EQ(plugin->GetProgram(), 0);
  EXPECT_EQ(plugin->ProgramName(), "Empty");
  char name[VstPluginInstance::kTextBufferSize] = {};
  EXPECT_EQ(plugin->Dispatch(effGetProgramNameIndexed, 0, 0, name), 1);
  EXPECT_STREQ(name, "Empty");
  for (const int32_t index : {1, -1, 1000}) {
    std::strcpy(name, "stale");
    EXPECT_EQ(plugin->Dispatch(effGetProgramNameIndexed, index, 0, name), 0) << index;
    EXPECT_STREQ(name, "") << index;
  }
  EXPECT_EQ(plugin->Dispatch(effGetProgramNameIndexed, 0, 0, nullptr), 0);

  plugin->SetProgramName("Warm Tape");
  EXPECT_EQ(plugin->ProgramName(), "Warm Tape");
  EXPECT_EQ(plugin->ProgramNameIndexed(0), "Warm Tape");
  EXPECT_EQ(plugin->Dispatch(effSetProgramName, 0, 0, nullptr), 0);
  EXPECT_EQ(plugin->ProgramName(), "Warm Tape");
  EXPECT_EQ(plugin->Dispatch(effGetProgramName, 0, 0, nullptr), 0);

  // Selecting a program that does not exist changes nothing.
  plugin->SetParameter(5, 0.2f);
  plugin->Dispatch(effSetProgram, 0, 5);
  plugin->Dispatch(effSetProgram, 0, -1);
  EXPECT_EQ(plugin->GetProgram(), 0);
  EXPECT_FLOAT_EQ(plugin->GetParameter(5), 0.2f);
  // Selecting the current one keeps the live values (they are stored into it first).
  plugin->Dispatch(effSetProgram, 0, 0);
  EXPECT_FLOAT_EQ(plugin->GetParameter(5), 0.2f);
}

TEST(DispatcherTest, PinsPairUpAsOneStereoPair) {
  auto plugin = LoadKolmari();
  ASSERT_TRUE(plugin);
  plugin->Open();
  VstPinProperties pin{};
  ASSERT_EQ(plugin->Dispatch(effGetInputProperties, 0, 0, &pin), 1);
  EXPECT_EQ(pin.flags, kVstPinIsActive | kVstPinIsStereo);
  EXPECT_STREQ(pin.label, "Input 1");
  pin = {};
  ASSERT_EQ(plugin->Dispatch(effGetInputProperties, 1, 0, &pin), 1);
  EXPECT_EQ(pin.flags, kVstPinIsActive);
  EXPECT_STREQ(pin.label, "Input 2");
  pin = {};
  ASSERT_EQ(plugin->Dispatch(effGetOutputProperties, 0, 0, &pin), 1);
  EXPECT_EQ(pin.flags, 3);
  EXPECT_STREQ(pin.label, "Output 1");
  pin = {};
  ASSERT_EQ(plugin->Dispatch(effGetOutputProperties, 1, 0, &pin), 1);
  EXPECT_EQ(pin.flags, 1);
  EXPECT_STREQ(pin.label, "Output 2");

  for (const int32_t opcode : {effGetInputProperties, effGetOutputProperties}) {
    for (const int32_t index : {2, -1, 1000}) {
      std::memset(&pin, 0x7E, sizeof pin);
      EXPECT_EQ(plugin->Dispatch(opcode, index, 0, &pin), 0) << opcode << ' ' << index;
      EXPECT_EQ(pin.flags, 0x7E7E7E7E) << "nothing written";
    }
    EXPECT_EQ(plugin->Dispatch(opcode, 0, 0, nullptr), 0);
  }
}

TEST(DispatcherTest, SpeakerArrangementsAndEditorRectangle) {
  auto plugin = LoadKolmari();
  ASSERT_TRUE(plugin);
  plugin->Open();
  const auto arrangements = plugin->GetSpeakerArrangement();
  ASSERT_TRUE(arrangements);
  EXPECT_EQ(arrangements->first.type, kSpeakerArrStereo);
  EXPECT_EQ(arrangements->first.numChannels, 2);
  EXPECT_EQ(arrangements->second.type, kSpeakerArrStereo);
  EXPECT_EQ(arrangements->second.numChannels, 2);
  EXPECT_EQ(plugin->Dispatch(effGetSpeakerArrangement, 0, 0, nullptr), 1);  // nowhere to store: fine

  // More channels than the plug-in has are refused.
  VstSpeakerArrangement six{};
  six.type = kSpeakerArrUserDefined;
  six.numChannels = 6;
  EXPECT_EQ(plugin->SetSpeakerArrangement(&six, nullptr), 0);
  VstSpeakerArrangement stereo{};
  stereo.type = kSpeakerArrStereo;
  stereo.numChannels = 2;
  EXPECT_EQ(plugin->SetSpeakerArrangement(&stereo, &six), 0);
  EXPECT_EQ(plugin->SetSpeakerArrangement(&stereo, &stereo), 1);
  EXPECT_EQ(plugin->SetSpeakerArrangement(nullptr, nullptr), 1);

#if defined(__linux__)
  // Before the editor opens, the size it will open at: 1630 x 1010 at draw scale 0.5, not the
  // logical size. Without a display the screen scale is 1 (a desktop's own dpi is the gui tests' part).
  unsetenv("DISPLAY");
  constexpr int kWidth = 815, kHeight = 505;
#else
  // The size it will open at before any window gives a screen scale: draw scale 0.5 at scale 1.
  constexpr int kWidth = 815, kHeight = 505;
#endif
  const auto rect = plugin->EditorRect();
  ASSERT_TRUE(rect);
  EXPECT_EQ(rect->top, 0);
  EXPECT_EQ(rect->left, 0);
  EXPECT_EQ(rect->bottom, kHeight);
  EXPECT_EQ(rect->right, kWidth);
  EXPECT_EQ(plugin->Dispatch(effEditGetRect, 0, 0, nullptr), 0);
}

TEST(DispatcherTest, EditorOpcodesWithoutAnEditorWindow) {
  auto plugin = LoadKolmari();
  ASSERT_TRUE(plugin);
  plugin->Open();
  // Without a parent window no editor window is made; closing is always fine, and keys are not
  // used by anyone.
  EXPECT_EQ(plugin->Dispatch(effEditOpen, 0, 0, nullptr), 0);
  EXPECT_EQ(plugin->Dispatch(effEditKeyDown, 'a', 0, nullptr, 0.0f), 0);
  EXPECT_EQ(plugin->Dispatch(effEditKeyUp, 'a', 0, nullptr, 0.0f), 0);
  EXPECT_EQ(plugin->Dispatch(effEditKeyDown, 0, VKEY_F1, nullptr, static_cast<float>(MODIFIER_SHIFT)), 0);
  EXPECT_EQ(plugin->Dispatch(effEditKeyDown, 0, 1000, nullptr, 0.0f), 0);
  EXPECT_EQ(plugin->Dispatch(effEditClose), 1);
  EXPECT_EQ(plugin->Dispatch(effEditClose), 1);
  EXPECT_EQ(plugin->Dispatch(effEditIdle), 0);

  MidiKeyName key{};
  key.thisKeyNumber = 60;
  std::strcpy(key.keyName, "C4");
  EXPECT_EQ(plugin->Dispatch(effGetMidiKeyName, 0, 0, &key), 0);
  EXPECT_STREQ(key.keyName, "");
  EXPECT_EQ(plugin->Dispatch(effGetMidiKeyName, 0, 0, nullptr), 0);
}

TEST(DispatcherTest, EventsAreTakenWithoutMidiSupport) {
  auto plugin = LoadKolmari();
  ASSERT_TRUE(plugin);
  plugin->StartUp(44100.0, 64);
  VstMidiEvent note{};
  note.type = kVstMidiType;
  note.byteSize = sizeof note;
  note.midiData[0] = static_cast<char>(0x90);
  note.midiData[1] = 60;
  note.midiData[2] = 100;
  VstEvents events{};
  events.numEvents = 2;
  events.events[0] = reinterpret_cast<VstEvent*>(&note);
  events.events[1] = nullptr;  // skipped
  EXPECT_EQ(plugin->Dispatch(effProcessEvents, 0, 0, &events), 1);
  EXPECT_EQ(plugin->Dispatch(effProcessEvents, 0, 0, nullptr), 0);
  AudioBuffers<float> in(2, 64, 0.1f), out(2, 64);
  EXPECT_TRUE(plugin->ProcessReplacing(in, out));
  EXPECT_TRUE(FirstUncleanSample(out).empty());
}

} // namespace
} // namespace kolmari::binary::test
