// Parameters and state.
#include "IEffectCLAP.h"

#include "HostCallGuard.h"
#include "ParamFacts.h"
#include "StateStream.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

namespace lumen {

namespace {

// Into a fixed field of a host record: cut to fit, always terminated.
void CopyBounded(char* field, size_t size, const std::string& text) {
  if (!field || size == 0) return;
  const size_t n = std::min(text.size(), size - 1);
  std::memcpy(field, text.data(), n);
  field[n] = '\0';
}

} // namespace

const clap_plugin_params_t IEffectCLAP::kParams{
    [](const clap_plugin_t* plugin) -> uint32_t {
      IEffectCLAP* p = FromPlugin(plugin);
      return p ? static_cast<uint32_t>(std::max(0, p->NParams())) : 0;
    },
    [](const clap_plugin_t* plugin, uint32_t index, clap_param_info_t* info) {
      IEffectCLAP* p = FromPlugin(plugin);
      return p && GuardHostCall(false, [&] { return p->ParamInfo(index, info); });
    },
    [](const clap_plugin_t* plugin, clap_id id, double* value) {
      IEffectCLAP* p = FromPlugin(plugin);
      if (!p || !value || !p->ValidParam(id)) return false;
      *value = p->GetParam(static_cast<int>(id))->Value();
      return true;
    },
    [](const clap_plugin_t* plugin, clap_id id, double value, char* display, uint32_t size) {
      IEffectCLAP* p = FromPlugin(plugin);
      return p && GuardHostCall(false, [&] { return p->ValueToText(id, value, display, size); });
    },
    [](const clap_plugin_t* plugin, clap_id id, const char* display, double* value) {
      IEffectCLAP* p = FromPlugin(plugin);
      return p && GuardHostCall(false, [&] { return p->TextToValue(id, display, value); });
    },
    [](const clap_plugin_t* plugin, const clap_input_events_t* in, const clap_output_events_t* out) {
      if (IEffectCLAP* p = FromPlugin(plugin)) p->Flush(in, out);
    }};

bool IEffectCLAP::ParamInfo(uint32_t index, clap_param_info_t* info) const {
  if (!info || !ValidParam(index)) return false;
  const int i = static_cast<int>(index);
  const IParam* param = GetParam(i);
  *info = clap_param_info_t{};
  info->id = index; // the index: stable across versions, and what the VST 2.4 binding uses
  info->flags = 0;
  if (!(param->Flags() & IParam::NotAutomatable)) info->flags |= CLAP_PARAM_IS_AUTOMATABLE;
  if (ParamFacts::IsStepped(*param)) info->flags |= CLAP_PARAM_IS_STEPPED;
  if (i == BypassParamIndex()) info->flags |= CLAP_PARAM_IS_BYPASS;
  info->cookie = nullptr;
  CopyBounded(info->name, sizeof info->name, param->Name());
  CopyBounded(info->module, sizeof info->module, param->Group());
  info->min_value = param->Min();
  info->max_value = param->Max();
  info->default_value = param->Default();
  return true;
}

bool IEffectCLAP::ValueToText(clap_id id, double value, char* display, uint32_t size) {
  if (!display || size == 0 || !ValidParam(id) || !std::isfinite(value)) return false;
  // CLAP hosts show this text alone: the unit goes with it.
  CopyBounded(display, size, ParamFacts::DisplayText(*GetParam(static_cast<int>(id)), value, true));
  return true;
}

bool IEffectCLAP::TextToValue(clap_id id, const char* display, double* value) const {
  if (!display || !value || !ValidParam(id)) return false;
  const auto parsed = ParamFacts::ParseText(*GetParam(static_cast<int>(id)), display);
  if (!parsed) return false;
  *value = *parsed;
  return true;
}

// ---- State ---------------------------------------------------------------------------------------------

const clap_plugin_state_t IEffectCLAP::kState{
    [](const clap_plugin_t* plugin, const clap_ostream_t* stream) {
      IEffectCLAP* p = FromPlugin(plugin);
      return p && GuardHostCall(false, [&] { return p->SaveToStream(stream); });
    },
    [](const clap_plugin_t* plugin, const clap_istream_t* stream) {
      IEffectCLAP* p = FromPlugin(plugin);
      return p && GuardHostCall(false, [&] { return p->LoadFromStream(stream); });
    }};

bool IEffectCLAP::SaveState(std::vector<uint8_t>& bytes) {
  IStateBuffer buffer;
  if (!WriteProgramChunk(buffer) || buffer.Length() == 0) return false;
  bytes.assign(buffer.Data(), buffer.Data() + buffer.Length());
  return true;
}

bool IEffectCLAP::LoadState(const uint8_t* data, size_t size) {
  return ReadProgramChunk(data, size, ChunkLoading::Strict);
}

bool IEffectCLAP::SaveToStream(const clap_ostream_t* stream) {
  if (!stream || !stream->write) return false;
  std::vector<uint8_t> bytes;
  if (!SaveState(bytes)) return false;
  return StateStream::WriteAll(
      [stream](const uint8_t* data, size_t size) { return stream->write(stream, data, size); }, bytes.data(),
      bytes.size());
}

bool IEffectCLAP::LoadFromStream(const clap_istream_t* stream) {
  if (!stream || !stream->read) return false;
  std::vector<uint8_t> bytes;
  return StateStream::ReadAll([stream](uint8_t* data, size_t size) { return stream->read(stream, data, size); },
                              bytes) &&
         LoadState(bytes.data(), bytes.size());
}

} // namespace lumen
