#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lumen {

// One automatable parameter: identity, range and stepping, the current value, the mapping between the
// real value and the normalised 0..1 value that hosts and controls exchange, and its display text.
//
// Only the value changes after Init; it is a sequentially consistent atomic so the audio thread, the
// host's main thread and the editor may read and write it concurrently. Every other field is fixed
// once Init has run.
class IParam {
public:
  enum class ParamType : int32_t { None = 0, Bool = 1, Int = 2, Enum = 3, Double = 4 };

  enum ParamFlags : int32_t {
    NoFlags = 0,
    NotAutomatable = 1 << 0,
    Stepped = 1 << 1,        // every stored value is rounded to a multiple of the step
    NegatedDisplay = 1 << 2, // the display shows the negated value; parsed text is negated back
    SignedDisplay = 1 << 3,  // non-zero values are shown with an explicit sign
  };

  // Maps between normalised and real values. The parameter owns its shape.
  class Shape {
  public:
    virtual ~Shape() = default;
    virtual std::unique_ptr<Shape> Clone() const = 0;
    virtual void Attach(const IParam& param);
    virtual int DisplayKind() const = 0;
    virtual double MapToValue(double normalized, const IParam& param) const = 0;
    virtual double MapToNormalized(double real, const IParam& param) const = 0;
  };

  class ShapeLinear : public Shape {
  public:
    std::unique_ptr<Shape> Clone() const override;
    int DisplayKind() const override;
    double MapToValue(double normalized, const IParam& param) const override;
    double MapToNormalized(double real, const IParam& param) const override;
  };

  using DisplayFunction = std::function<void(double value, std::string& out)>;

  struct DisplayTextEntry {
    double value = 0.0;
    char text[32] = {};
  };

  static constexpr int kTextSize = 32;
  static constexpr int kDefaultUnit = 21;
  static constexpr int kMaxDisplayPrecision = 6;

  IParam();
  ~IParam() = default;
  IParam(const IParam&) = delete;
  IParam& operator=(const IParam&) = delete;

  // The single initialiser. The shape is a prototype: the parameter keeps a clone of it.
  void Init(std::string_view name, double defaultValue, double min, double max, double step,
            std::string_view label = "", std::string_view group = "",
            const Shape& shape = ShapeLinear(), DisplayFunction displayFunction = {});

  // Rounds to the step (half away from zero) when Stepped, then clamps to [min, max].
  double Constrain(double v) const;

  void Set(double v) { mValue.store(Constrain(v), std::memory_order_seq_cst); }
  double Value() const { return mValue.load(std::memory_order_seq_cst); }
  void SetFromNormalized(double normalized) { Set(DenormalizeValue(normalized)); }
  double GetNormalized() const { return NormalizeValue(Value()); }

  double NormalizeValue(double real) const;
  double DenormalizeValue(double normalized) const;

  // Writes the display text of a value. Locale-independent: always a decimal point.
  void FormatDisplay(double value, bool isNormalized, std::string& out, bool useDisplayTexts = true) const;
  std::string DisplayLabel() const;
  std::optional<std::string> FindDisplayText(double value) const;
  // The real value a display text denotes (text that is not a number reads as 0 before clamping).
  double ParseDisplay(std::string_view text) const;

  // Adds a value-to-text entry; texts are cut to 31 bytes.
  void AddDisplayText(double value, std::string_view text);
  int NDisplayTexts() const { return static_cast<int>(mDisplayTexts.size()); }

  void SetType(ParamType type) { mType = type; }
  void SetFlags(int32_t flags) { mFlags = flags; }

  ParamType Type() const { return mType; }
  int32_t Flags() const { return mFlags; }
  int32_t Unit() const { return mUnit; }
  const char* Name() const { return mName; }
  const char* Label() const { return mLabel; }
  const char* Group() const { return mGroup; }
  double Min() const { return mMin; }
  double Max() const { return mMax; }
  double Step() const { return mStep; }
  double Default() const { return mDefault; }
  int DisplayPrecision() const { return mDisplayPrecision; }
  const Shape& GetShape() const { return *mShape; }

private:
  ParamType mType = ParamType::None;
  int32_t mUnit = kDefaultUnit;
  std::atomic<double> mValue{0.0};
  double mMin = 0.0;
  double mMax = 1.0;
  double mStep = 1.0;
  double mDefault = 0.0;
  int32_t mDisplayPrecision = 0;
  int32_t mFlags = NoFlags;
  char mName[kTextSize] = {};
  char mLabel[kTextSize] = {};
  char mGroup[kTextSize] = {};
  std::unique_ptr<Shape> mShape;
  DisplayFunction mDisplayFunction;
  std::vector<DisplayTextEntry> mDisplayTexts;
};

} // namespace lumen
