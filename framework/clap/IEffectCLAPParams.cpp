// Parameters and state.
#include "IEffectCLAP.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
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
      return p && p->ParamInfo(index, info);
    },
    [](const clap_plugin_t* plugin, clap_id id, double* value) {
      IEffectCLAP* p = FromPlugin(plugin);
      if (!p || !value || !p->ValidParam(id)) return false;
      *value = p->GetParam(static_cast<int>(id))->Value();
      return true;
    },
    [](const clap_plugin_t* plugin, clap_id id, double value, char* display, uint32_t size) {
      IEffectCLAP* p = FromPlugin(plugin);
      try {
        return p && p->ValueToText(id, value, display, size);
      } catch (...) {
        return false;
      }
    },
    [](const clap_plugin_t* plugin, clap_id id, const char* display, double* value) {
      IEffectCLAP* p = FromPlugin(plugin);
      try {
        return p && p->TextToValue(id, display, value);
      } catch (...) {
        return false;
      }
    },
    [](const clap_plugin_t* plugin, const clap_input_events_t* in, const clap_output_events_t* out) {
      if (IEffectCLAP* p = FromPlugin(plugin)) p->Flush(in, out);
    }};

bool IEffectCLAP::IsSteppedParam(int index) const {
  const IParam* param = GetParam(index);
  if (param->Type() != IParam::ParamType::Double) return true;
  // A whole-number step over a whole-number range: switches and choices such as Oversampling.
  const double step = param->Step();
  return step >= 1.0 && step == std::floor(step) && param->Min() == std::floor(param->Min());
}

bool IEffectCLAP::IsBypassParam(int index) const { return index == BypassParamIndex(); }

bool IEffectCLAP::ParamInfo(uint32_t index, clap_param_info_t* info) const {
  if (!info || !ValidParam(index)) return false;
  const int i = static_cast<int>(index);
  const IParam* param = GetParam(i);
  *info = clap_param_info_t{};
  info->id = index; // the index: stable across versions, and what the VST 2.4 binding uses
  info->flags = 0;
  if (!(param->Flags() & IParam::NotAutomatable)) info->flags |= CLAP_PARAM_IS_AUTOMATABLE;
  if (IsSteppedParam(i)) info->flags |= CLAP_PARAM_IS_STEPPED;
  if (IsBypassParam(i)) info->flags |= CLAP_PARAM_IS_BYPASS;
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
  const IParam* param = GetParam(static_cast<int>(id));
  std::string text;
  param->FormatDisplay(param->Constrain(value), false, text, true);
  const std::string label = param->DisplayLabel();
  // Switches and choices show their display texts alone; numbers carry their unit.
  if (!label.empty() && !param->FindDisplayText(param->Constrain(value))) text += " " + label;
  CopyBounded(display, size, text);
  return true;
}

bool IEffectCLAP::TextToValue(clap_id id, const char* display, double* value) const {
  if (!display || !value || !ValidParam(id)) return false;
  const IParam* param = GetParam(static_cast<int>(id));
  const double parsed = param->ParseDisplay(display);
  if (!std::isfinite(parsed)) return false;
  *value = param->Constrain(parsed);
  return true;
}

// ---- State ---------------------------------------------------------------------------------------------

const clap_plugin_state_t IEffectCLAP::kState{
    [](const clap_plugin_t* plugin, const clap_ostream_t* stream) {
      IEffectCLAP* p = FromPlugin(plugin);
      try {
        return p && p->SaveToStream(stream);
      } catch (...) {
        return false;
      }
    },
    [](const clap_plugin_t* plugin, const clap_istream_t* stream) {
      IEffectCLAP* p = FromPlugin(plugin);
      try {
        return p && p->LoadFromStream(stream);
      } catch (...) {
        return false;
      }
    }};

bool IEffectCLAP::SaveState(std::vector<uint8_t>& bytes) {
  IStateBuffer buffer;
  if (!WriteProgramChunk(buffer) || buffer.Length() == 0) return false;
  bytes.assign(buffer.Data(), buffer.Data() + buffer.Length());
  return true;
}

bool IEffectCLAP::LoadState(const uint8_t* data, size_t size) {
  // Only what SaveState writes, and all of it: a stream that breaks off part way leaves the
  // parameters as they were.
  return size <= kMaxStateSize && ReadWholeProgramChunk(data, size);
}

bool IEffectCLAP::SaveToStream(const clap_ostream_t* stream) {
  if (!stream || !stream->write) return false;
  std::vector<uint8_t> bytes;
  if (!SaveState(bytes)) return false;
  // A stream may take fewer bytes than offered: write the rest until it is all out or fails.
  size_t written = 0;
  while (written < bytes.size()) {
    const int64_t n = stream->write(stream, bytes.data() + written, bytes.size() - written);
    if (n <= 0 || static_cast<uint64_t>(n) > bytes.size() - written) return false;
    written += static_cast<size_t>(n);
  }
  return true;
}

bool IEffectCLAP::LoadFromStream(const clap_istream_t* stream) {
  if (!stream || !stream->read) return false;
  // A stream may hand over fewer bytes than asked: read until it reports the end (0) or fails.
  std::vector<uint8_t>& bytes = mStateScratch;
  bytes.clear();
  uint8_t chunk[4096];
  for (;;) {
    const int64_t n = stream->read(stream, chunk, sizeof chunk);
    if (n == 0) break;
    if (n < 0 || static_cast<uint64_t>(n) > sizeof chunk) return false;
    if (bytes.size() + static_cast<size_t>(n) > kMaxStateSize) return false;
    bytes.insert(bytes.end(), chunk, chunk + n);
  }
  return LoadState(bytes.data(), bytes.size());
}

} // namespace lumen
