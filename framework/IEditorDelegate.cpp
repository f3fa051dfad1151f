#include "IEditorDelegate.h"

#include "Trace.h"

namespace lumen {

IEditorDelegate::IEditorDelegate(int nParams) {
  for (int i = 0; i < nParams; ++i) mParams.push_back(std::make_unique<IParam>());
}

IEditorDelegate::~IEditorDelegate() = default;

void* IEditorDelegate::OpenEditor(void*) {
  OnEditorOpened();
  return nullptr;
}

void IEditorDelegate::CloseEditor() { OnEditorClosed(); }

void IEditorDelegate::OnEditorCloseHook() {}

void IEditorDelegate::OnEditorOpened() { SendAllParamValuesToEditor(); }

void IEditorDelegate::OnEditorClosed() {}

void IEditorDelegate::OnParamChangeHook(int) {}

void IEditorDelegate::OnParamChange(int paramIndex, ParamSource source, int) {
  Trace("lumen::IEditorDelegate::OnParamChange", __LINE__, "idx:%i src:%s\n", paramIndex, ParamSourceName(source));
  OnParamChangeHook(paramIndex);
}

void IEditorDelegate::OnParamChangeInEditor(int, ParamSource) {}

void IEditorDelegate::NotifyAllParams(ParamSource source) {
  for (int i = 0; i < NParams(); ++i) {
    OnParamChange(i, source, -1);
    OnParamChangeInEditor(i, source);
  }
}

void IEditorDelegate::OnMidiInEditor(const IMidiMessage&) {}

void IEditorDelegate::OnSysExInEditor(const ISysExMessage&) {}

bool IEditorDelegate::OnMessage(int, int, int, const void*) { return false; }

void IEditorDelegate::OnStateRestored() { SendAllParamValuesToEditor(); }

bool IEditorDelegate::OnHostKeyDown(const IKeyEvent&) { return false; }

bool IEditorDelegate::OnHostKeyUp(const IKeyEvent&) { return false; }

void IEditorDelegate::DeliverControlValue(int, double) {}

void IEditorDelegate::DeliverControlMessage(int controlTag, int messageTag, int dataSize, const void* data) {
  OnMessage(messageTag, controlTag, dataSize, data);
}

void IEditorDelegate::DeliverEditorMessage(int messageTag, int dataSize, const void* data) {
  OnMessage(messageTag, -1, dataSize, data);
}

void IEditorDelegate::DeliverMidi(const IMidiMessage& message) { OnMidiInEditor(message); }

void IEditorDelegate::DeliverSysEx(const ISysExMessage& message) { OnSysExInEditor(message); }

void IEditorDelegate::DeliverParamValue(int paramIndex, double, bool) {
  if (!GetParam(paramIndex)) return;
  OnParamChangeInEditor(paramIndex, ParamSource::EditorDelegate);
}

void IEditorDelegate::AnnounceAllParamsToHost() {}

void IEditorDelegate::SetParamFromEditor(int paramIndex, double normalized) {
  IParam* param = GetParam(paramIndex);
  if (!param) return;
  param->SetFromNormalized(normalized);
  OnParamChangeInEditor(paramIndex, ParamSource::UI);
}

bool IEditorDelegate::EditorResizeRequest(int, int, bool) { return false; }

void IEditorDelegate::SendMidiFromEditor(const IMidiMessage&) {}

void IEditorDelegate::SendSysExFromEditor(const ISysExMessage&) {}

void IEditorDelegate::SendMessageFromEditor(int, int, int, const void*) {}

void IEditorDelegate::DeferMidi(const IMidiMessage&) {}

void IEditorDelegate::DeferSysEx(const ISysExMessage&) {}

bool IEditorDelegate::SerializeEditorState(IStateBuffer&) const { return true; }

int IEditorDelegate::UnserializeEditorState(const IStateBuffer&, int pos) { return pos; }

void IEditorDelegate::ApplyScreenScale(float) {}

IParam* IEditorDelegate::GetParam(int index) {
  if (index < 0 || index >= NParams()) return nullptr;
  return mParams[static_cast<size_t>(index)].get();
}

const IParam* IEditorDelegate::GetParam(int index) const {
  if (index < 0 || index >= NParams()) return nullptr;
  return mParams[static_cast<size_t>(index)].get();
}

void IEditorDelegate::SetEditorSize(int width, int height) {
  mEditorWidth = width;
  mEditorHeight = height;
}

void IEditorDelegate::SetEditorSizeLimits(int minWidth, int maxWidth, int minHeight, int maxHeight) {
  mMinWidth = minWidth;
  mMaxWidth = maxWidth;
  mMinHeight = minHeight;
  mMaxHeight = maxHeight;
}

void IEditorDelegate::SendAllParamValuesToEditor() {
  for (int i = 0; i < NParams(); ++i) DeliverParamValue(i, mParams[static_cast<size_t>(i)]->GetNormalized(), true);
}

} // namespace lumen
