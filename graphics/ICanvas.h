#pragma once

#include "IBitmap.h"
#include "ICanvasTypes.h"
#include "IDrawStyles.h"
#include "IKeyEvent.h"
#include "IPopupMenu.h"
#include "IResourceTable.h"
#include "IVectorDocument.h"
#include "PlatformFont.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace lumen {
class ICanvasEditorDelegate;
class IParam;
} // namespace lumen

namespace lumen::canvas {

class IControl;
class ICornerResizerControl;
class IPopupMenuControl;
class ITextEntryControl;
class IValueReadoutControl;

// The editor's drawing surface. It owns the controls (an ordered list plus a few special controls
// kept apart: the resize grip, the text editor, a popup-menu control, a performance display and
// bubble controls), knows the editor's logical size, draw scale and the display's screen scale,
// collects the regions that need redrawing and draws them control by control, routes input to
// controls, opens value prompts and loads pictures and fonts.
//
// It is abstract: a drawing backend derives from it and implements the drawing, path and bitmap
// operations; a platform layer derives from the backend and implements windows, cursor, clipboard,
// menus, text entry and fonts. Operations marked "backend" or "platform" below are theirs; the
// others are the core's, and some of those keep a default the derived classes may replace.
//
// Threads: everything here runs on the editor's user-interface thread (the host's main thread).
// Only the process-wide caches (ISharedCaches: bitmaps and vector documents) are locked, because
// surfaces of several plug-in instances in one process share them.
//
// Ownership: a control handed to AddControl, SetBackground, AttachResizeGrip and friends belongs to
// the surface from then on; the surface deletes it in RemoveAllControls or on destruction. The
// platform layer must call ReleaseBeforeDestruction() from its own destructor (before its window
// and cursor go away); the core's destructor deletes the controls but calls no platform operation.
class ICanvas {
public:
  using KeyHandler = std::function<bool(const IKeyEvent& key, bool isUp)>;
  using ControlFunction = std::function<void(IControl&)>;

  static constexpr int kFrameTimeRing = 100;
  // Dirty rectangles and control clips are padded by this many units against anti-aliasing bleed.
  static constexpr float kDirtyPadding = 0.75f;

  ICanvas(ICanvasEditorDelegate* delegate, int width, int height, int fps, float drawScale);
  virtual ~ICanvas();
  ICanvas(const ICanvas&) = delete;
  ICanvas& operator=(const ICanvas&) = delete;

  // ---- Frame: backend ------------------------------------------------------------------------------

  // Opens a frame. The core's default records the frame time into a performance display, if any.
  virtual void StartFrame();
  virtual void OnViewCreated(void* platformContext) = 0;
  virtual void OnViewClosing() = 0;
  virtual void FinishFrame() = 0;

  // ---- Pictures -----------------------------------------------------------------------------------

  // Draws a vector document scaled uniformly into bounds (core, through the path operations).
  virtual void PaintSVG(const IVectorDocument& document, const IRectF& bounds, const IBlendMode* blend = nullptr);
  virtual void PaintRotatedSVG(const IVectorDocument& document, float cx, float cy, float width, float height,
                               float angle, const IBlendMode* blend = nullptr);
  // Draws the bitmap so that its pixel (srcX, srcY) lands on dest's top-left, clipped to dest
  // (backend). srcX, srcY are logical units within the strip.
  virtual void PaintBitmap(const IBitmapHandle& bitmap, const IRectF& dest, int srcX, int srcY,
                           const IBlendMode* blend = nullptr) = 0;
  // Draws the whole bitmap stretched into bounds (core).
  virtual void PaintFittedBitmap(const IBitmapHandle& bitmap, const IRectF& bounds, const IBlendMode* blend = nullptr);
  // Draws the bitmap centred on (cx, cy), turned clockwise by angle degrees (core).
  virtual void PaintRotatedBitmap(const IBitmapHandle& bitmap, float cx, float cy, float angle,
                                  const IBlendMode* blend = nullptr);

  // ---- Shapes: core, built from the path operations -------------------------------------------------

  virtual void DrawPoint(const IColorARGB& color, float x, float y, const IBlendMode* blend = nullptr, float thickness = 1.f);
  virtual void DrawLine(const IColorARGB& color, float x1, float y1, float x2, float y2, const IBlendMode* blend = nullptr,
                        float thickness = 1.f);
  // Dashes of dashLength alternate drawn and skipped. The backend may replace it.
  virtual void DrawDottedLine(const IColorARGB& color, float x1, float y1, float x2, float y2,
                              const IBlendMode* blend = nullptr, float thickness = 1.f, float dashLength = 2.f);
  virtual void DrawTriangle(const IColorARGB& color, float x1, float y1, float x2, float y2, float x3, float y3,
                            const IBlendMode* blend = nullptr, float thickness = 1.f);
  virtual void DrawRect(const IColorARGB& color, const IRectF& bounds, const IBlendMode* blend = nullptr, float thickness = 1.f);
  virtual void DrawRoundRect(const IColorARGB& color, const IRectF& bounds, float cornerRadius,
                             const IBlendMode* blend = nullptr, float thickness = 1.f);
  virtual void DrawRoundRect(const IColorARGB& color, const IRectF& bounds, float cRTL, float cRTR, float cRBR, float cRBL,
                             const IBlendMode* blend = nullptr, float thickness = 1.f);
  // Angles in degrees, 0 at twelve o'clock, clockwise.
  virtual void DrawArc(const IColorARGB& color, float cx, float cy, float r, float a1, float a2,
                       const IBlendMode* blend = nullptr, float thickness = 1.f);
  virtual void DrawCircle(const IColorARGB& color, float cx, float cy, float r, const IBlendMode* blend = nullptr,
                          float thickness = 1.f);
  virtual void DrawEllipse(const IColorARGB& color, const IRectF& bounds, const IBlendMode* blend = nullptr, float thickness = 1.f);
  virtual void DrawEllipse(const IColorARGB& color, float x, float y, float r1, float r2, float angle = 0.f,
                           const IBlendMode* blend = nullptr, float thickness = 1.f);
  virtual void DrawConvexPolygon(const IColorARGB& color, const float* x, const float* y, int n,
                                 const IBlendMode* blend = nullptr, float thickness = 1.f);
  // The backend may replace it.
  virtual void DrawDottedRect(const IColorARGB& color, const IRectF& bounds, const IBlendMode* blend = nullptr,
                              float thickness = 1.f, float dashLength = 2.f);
  virtual void FillTriangle(const IColorARGB& color, float x1, float y1, float x2, float y2, float x3, float y3,
                            const IBlendMode* blend = nullptr);
  virtual void FillRect(const IColorARGB& color, const IRectF& bounds, const IBlendMode* blend = nullptr);
  virtual void FillRoundRect(const IColorARGB& color, const IRectF& bounds, float cornerRadius, const IBlendMode* blend = nullptr);
  virtual void FillRoundRect(const IColorARGB& color, const IRectF& bounds, float cRTL, float cRTR, float cRBR, float cRBL,
                             const IBlendMode* blend = nullptr);
  virtual void FillCircle(const IColorARGB& color, float cx, float cy, float r, const IBlendMode* blend = nullptr);
  virtual void FillEllipse(const IColorARGB& color, const IRectF& bounds, const IBlendMode* blend = nullptr);
  virtual void FillEllipse(const IColorARGB& color, float x, float y, float r1, float r2, float angle = 0.f,
                           const IBlendMode* blend = nullptr);
  virtual void FillArc(const IColorARGB& color, float cx, float cy, float r, float a1, float a2,
                       const IBlendMode* blend = nullptr);
  virtual void FillConvexPolygon(const IColorARGB& color, const float* x, const float* y, int n,
                                 const IBlendMode* blend = nullptr);

  // Measures text with the style into bounds (core: MeasureTextRun for a non-empty text); returns the width.
  virtual float MeasureTextBox(const ITextStyle& style, const char* text, IRectF& bounds);

  // ---- Backend queries ------------------------------------------------------------------------------

  virtual IColorARGB ReadPixel(float x, float y) = 0;
  virtual void* DrawContext() = 0;
  virtual const char* BackendName() const = 0;
  virtual bool SupportsBitmapExtension(const char* extension) const = 0;
  virtual void FastDropShadow(const IRectF& inner, const IRectF& outer, float drop, float roundness, float blur,
                              const IBlendMode* blend = nullptr) = 0;

  // Grid lines every stepX and stepY units inside bounds (core).
  virtual void DrawGrid(const IColorARGB& color, const IRectF& bounds, float stepX, float stepY,
                        const IBlendMode* blend = nullptr, float thickness = 1.f);
  // A polyline through n points given as normalised x and y (0 ... 1 within bounds, y upwards); with
  // no x values the points are spread evenly (core).
  virtual void DrawPlot(const IColorARGB& color, const IRectF& bounds, const float* normYPoints, int n,
                        const float* normXPoints = nullptr, const IBlendMode* blend = nullptr, float thickness = 1.f);

  // ---- Fonts (core, through the platform and the backend) -------------------------------------------

  // Loads a font from bytes and registers it under fontId; false when either side refuses.
  virtual bool AddFont(const char* fontId, const void* data, int dataSize);
  // Loads a font from a file path or an embedded resource name and registers it under fontId.
  virtual bool AddFont(const char* fontId, const char* fileNameOrResourceName);

  // ---- Layers and paths: backend --------------------------------------------------------------------

  // Reads a layer's pixels (RGBA bytes) into buffer, resizing it.
  virtual void ReadLayerPixels(IDrawLayer& layer, std::vector<uint8_t>& buffer) = 0;
  virtual void ApplyLayerShadow(IDrawLayer& layer, const std::vector<uint8_t>& mask, const IShadowSpec& shadow) = 0;
  // Called after every push or pop of the layer stack: draw into the new top layer (or the main target).
  virtual void RebindLayerTarget() = 0;

  virtual void ClearPath() = 0;
  virtual void ClosePath() = 0;
  // Angles in degrees, 0 at twelve o'clock; winding 0 clockwise, 1 counter-clockwise.
  virtual void AddArc(float cx, float cy, float r, float a1, float a2, int winding = 0) = 0;
  virtual void MoveTo(float x, float y) = 0;
  virtual void LineTo(float x, float y) = 0;
  virtual void SetSubpathWinding(bool clockwise) = 0;
  virtual void CubicTo(float c1x, float c1y, float c2x, float c2y, float x2, float y2) = 0;
  virtual void QuadTo(float cx, float cy, float x2, float y2) = 0;
  virtual void StrokePath(const IPaintPattern& pattern, float thickness, const IStrokeStyle& style = {},
                          const IBlendMode* blend = nullptr) = 0;
  virtual void FillPath(const IPaintPattern& pattern, const IFillStyle& style = {}, const IBlendMode* blend = nullptr) = 0;
  // The transform from path coordinates to the current target's logical units.
  virtual void SetPathTransform(const IMatrix& matrix) = 0;

  // Called after each control has been drawn into a region (core: nothing).
  virtual void EndRegion(const IRectF& clip);
  // Restricts drawing to a rectangle in logical units (backend).
  virtual void SetClip(const IRectF& rect) = 0;

  // ---- Platform -------------------------------------------------------------------------------------

  // The pointer's position in logical units.
  virtual void GetMousePosition(float& x, float& y) const = 0;
  // Hides or shows the system cursor; lock keeps the pointer where it was hidden. The core calls it
  // only through HideCursor, which tracks the state.
  virtual void HidePointer(bool hide, bool lock) = 0;
  virtual void MovePointer(float x, float y) = 0;
  // Sets the cursor shape; returns the previous one (core default: stores it).
  virtual int SetPointerKind(int kind);
  virtual void AbortTextEntry() = 0;
  // Creates the editor window inside the host's parent window; returns its handle, or null.
  virtual void* OpenEditorWindow(void* parent) = 0;
  virtual void CloseEditorWindow() = 0;
  virtual void* WindowHandle() const = 0;
  virtual bool EditorWindowIsOpen() const; // core default: WindowHandle() is not null
  virtual bool ReadClipboardText(std::string& text) = 0;
  // False for an empty text (the clipboard is then emptied) or a failure.
  virtual bool WriteClipboardText(const std::string& text) = 0;
  virtual void PlatformHook1() {}
  virtual int ShowAlert(const char* text, const char* caption, int type, std::function<void(int)> completion = {}) = 0;
  // action 0 open, 1 save; extensions space-separated. A cancelled dialog empties fileName.
  virtual void PickFile(std::string& fileName, std::string& directory, int action, const char* extensions) = 0;
  virtual void PickDirectory(std::string& directory) = 0;
  virtual bool PickColor(IColorARGB& color, const char* prompt, std::function<void(const IColorARGB&)> completion = {}) = 0;
  virtual bool OpenWebAddress(const char* url, const char* windowTitle, const char* confirmText = nullptr,
                              const char* errorText = nullptr) = 0;
  virtual const char* PlatformName() const; // core default ""
  virtual bool RevealPathInExplorer(const char* path, bool select); // core default false
  virtual void SetModuleHandle(void* module); // core default: nothing
  virtual void* ModuleHandle() const;          // core default: null
  virtual void PlatformHook2() {}
  // style 0 regular, 1 bold, 2 italic. Null when the platform has no such font.
  virtual std::unique_ptr<PlatformFont> LoadSystemFont(const char* fontId, const char* family, int style) = 0;
  virtual std::unique_ptr<PlatformFont> LoadFontFromMemory(const char* fontId, const void* data, int dataSize) = 0;
  virtual std::unique_ptr<PlatformFont> LoadFontFromResource(const char* fontId, const char* fileNameOrResourceName) = 0;
  virtual void CacheSystemFont(const char* fontId, PlatformFont& font) = 0;
  virtual const char* ResourceSubfolder() const; // core default ""
  virtual void MakeGLContextCurrent() {}
  virtual void ReleaseGLContext() {}
  // A native single-line edit box over bounds; its result comes back through FinishTextEdit (or
  // CancelTextEdit when the entry is cancelled).
  virtual void OpenPlatformTextEdit(int paramIdx, const ITextStyle& style, const IRectF& bounds, int maxLength,
                                    const char* text) = 0;
  // Shows a native menu at bounds and returns when it closes: the menu an item was chosen from (with
  // its chosen index set), or null when nothing was chosen. Not asked where the surface draws its
  // menus itself (DrawsMenus).
  virtual IPopupMenu* OpenPlatformMenu(IPopupMenu& menu, const IRectF& bounds) = 0;
  // Whether menus are the surface's own drawn popup-menu control, which never holds the thread,
  // rather than the platform's native ones (core default: native).
  virtual bool DrawsMenus() const { return false; }

  // Where a file or embedded resource of that type is: an embedded resource of the resource table
  // (path = the lower-cased name in double quotes), else an existing file (path = name), else
  // NotFound. The platform may replace it with its own module resources.
  virtual ResourceLocation FindResourceLocation(const char* name, const char* type, std::string& path);
  // The bytes of an embedded resource (empty when absent or smaller than 8 bytes).
  virtual std::span<const uint8_t> LoadResourceBytes(const char* name, const char* type);

  virtual bool SupportsMultiTouch() const { return false; }
  virtual float PlatformWindowScale() const { return 1.0f; }
  // The screen scale a window opened now would get (asked before the first open, so that the host
  // can be told the size the editor will open at). Default: the current screen scale.
  virtual float ExpectedScreenScale() const { return ScreenScale(); }
  // The host gives the editor time on its user-interface thread (effEditIdle). A platform whose
  // window gets no messages of its own pumps its events, timers and display tick here.
  virtual void OnHostIdle() {}
  virtual void ResizePlatformWindow(bool /*parentHasResized*/) {}
  virtual void ResizeDrawTarget() {}

  // ---- Loading --------------------------------------------------------------------------------------

  // A bitmap from encoded bytes (through CreateBitmapFromData).
  virtual IBitmapHandle FetchBitmapFromData(const char* name, const void* data, int dataSize, int frames = 1,
                                            bool framesHorizontal = false, int targetScale = 1);
  // A bitmap by resource name, with the scale search of FindScaledImage; targetScale 0 means the
  // screen's own scale rounded up. An empty handle when nothing is found (backend).
  virtual IBitmapHandle FetchBitmap(const char* name, int frames = 1, bool framesHorizontal = false,
                                    int targetScale = 0) = 0;
  // A vector document parsed from bytes; null when they hold none.
  virtual std::shared_ptr<IVectorDocument> FetchVectorFromData(const char* name, const void* data, int dataSize,
                                                               const char* units = "px", float dpi = 72.f);
  // A vector document by resource name (type "svg"), cached process-wide by name.
  virtual std::shared_ptr<IVectorDocument> FetchVector(const char* name, const char* units = "px", float dpi = 72.f);
  // The bytes of a file or embedded resource; empty when it cannot be found or fully read.
  virtual std::vector<uint8_t> LoadResourceData(const char* name, const char* type);
  virtual void RegisterGestureType(int type);

  // Backend: decode bytes into a bitmap the backend keeps (and owns) under (name, scale).
  virtual APIBitmap* CreateBitmapFromData(const char* name, const void* data, int dataSize, int scale) = 0;
  // Backend: decode a file (location 1) or embedded resource (location 2) into a new bitmap.
  virtual std::unique_ptr<APIBitmap> CreateBitmapFromLocation(const char* pathOrResourceName, int scale,
                                                              ResourceLocation location, const char* extension) = 0;
  // Backend: an offscreen target of width x height pixels.
  virtual std::unique_ptr<APIBitmap> CreateLayerBitmap(int width, int height, float scale, float drawScale,
                                                       bool cacheable = false) = 0;
  // Backend: makes a loaded font available for drawing under fontId.
  virtual bool RegisterFont(const char* fontId, const PlatformFont& font) = 0;
  virtual int AlphaChannelIndex() const = 0;

  // Backend: measures text into bounds (aligned in it by the style); returns the width.
  virtual float MeasureTextRun(const ITextStyle& style, const char* text, IRectF& bounds) = 0;
  virtual void DrawTextRun(const ITextStyle& style, const char* text, const IRectF& bounds,
                           const IBlendMode* blend = nullptr) = 0;

  // draw scale x screen scale: logical units to physical pixels.
  virtual float TotalScale() const { return mDrawScale * mScreenScale; }

  // ---- What the editor delegate calls (virtual so the framework needs no graphics code) -------------

  virtual int Width() const { return mWidth; }
  virtual int Height() const { return mHeight; }
  virtual float DrawScale() const { return mDrawScale; }
  // Takes a new logical size and draw scale, each clamped to the delegate's limits.
  virtual void ResizeSurface(int width, int height, float scale);
  // Takes the display's scale factor and resizes the window to match.
  virtual void ApplyScreenScale(float scale);
  // The host has resized the window the editor lives in to pixelWidth x pixelHeight window pixels.
  // The editor follows within its limits: in Scale mode it takes the largest draw scale at which it
  // fits (the rest of the host's window stays the host's), in Size mode the logical size that fills
  // it. An editor that fits already and would not grow keeps its size. The host is not asked for a
  // size in return: it chose this one, and answering with another could start a resize loop.
  void FollowParentSize(int pixelWidth, int pixelHeight);
  // Key input at a position in logical units; true when a control or the key handler took it.
  virtual bool OnKeyDown(float x, float y, const IKeyEvent& key);
  virtual bool OnKeyUp(float x, float y, const IKeyEvent& key);
  // Every control: the list, then the performance display, grip, text editor, the bubble controls
  // and the popup-menu control.
  virtual void ForEachControl(const ControlFunction& fn);
  // The control registered under a tag, or null.
  virtual IControl* ControlWithTag(int tag);

  // ---- Control list ---------------------------------------------------------------------------------

  // Attaches and appends a control (owned from now on); tag >= 0 registers it in the tag map.
  // Returns the control.
  IControl* AddControl(IControl* control, int tag = -1);
  // A bitmap control at (0, 0, frame size) inserted first: drawn first, hit last.
  void SetBackground(const IBitmapHandle& bitmap);
  // Takes the grip unless the surface has one (the new one is then deleted).
  void AttachResizeGrip(ICornerResizerControl* grip, ResizeMode mode, bool layoutOnResize);
  // Creates the surface's own text editor once.
  void CreateTextEditor();
  // Special controls kept apart from the list; each may be null. A surface that draws its menus
  // makes its popup-menu control itself when the first menu opens.
  void SetPopupMenuControl(std::unique_ptr<IPopupMenuControl> control);
  void SetPerformanceDisplay(std::unique_ptr<IControl> control);
  void AddBubbleControl(std::unique_ptr<IControl> control);

  int ControlCount() const { return static_cast<int>(mControls.size()); }
  // Null for an index outside the list.
  IControl* GetControl(int index) const;
  int IndexOf(const IControl* control) const;
  void ForEachListedControl(const ControlFunction& fn);
  // Every other listed control bound to paramIdx receives value through its first such value.
  void SyncSiblings(const IControl* caller, int paramIdx, double value);
  // Releases captures, restores the cursor and deletes every control.
  void RemoveAllControls();

  ICornerResizerControl* ResizeGrip() const { return mResizeGrip.get(); }
  ITextEntryControl* TextEditor() const { return mTextEditor.get(); }
  IPopupMenuControl* PopupMenuControl() const { return mPopupMenuControl.get(); }
  IControl* PerformanceDisplay() const { return mPerfDisplay.get(); }
  // Frame times of the performance display's ring (seconds) and the index last written.
  const std::vector<double>& FrameTimes() const { return mFrameTimes; }
  int FrameTimeIndex() const { return mFrameTimeIndex; }

  // ---- Frame cycle ----------------------------------------------------------------------------------

  // Appends the padded rectangle of every control that needs redrawing; true when any did.
  bool CollectDirtyRegions(IRectFList& regions);
  // Draws every control into the (aligned, reduced) regions between StartFrame and FinishFrame.
  void DrawRegions(const IRectFList& regions);
  // The reduction DrawRegions applies: rectangles inside another are dropped, and an overlap that
  // spans a whole side of one rectangle is cut off that one. The result covers every input.
  static IRectFList ReduceRegions(IRectFList regions);
  // Draws one control clipped to its padded rectangle within region (hidden controls only as background).
  void DrawOneControl(IControl& control, const IRectF& region, float scale);
  // One display tick's control step: runs animations, collects dirty regions and marks controls clean.
  bool Tick(IRectFList& regions);

  // ---- Input (user-interface thread, positions in logical units) ------------------------------------

  // The control under a point: a captured control of the pointer first, then the special controls,
  // then the list from the top down (never the background for mouse-over). capture records the
  // result for the pointer; mouseOver stores its index as the mouse-over index.
  IControl* ControlAt(float x, float y, bool capture = false, bool mouseOver = false, intptr_t touchId = 0);
  void OnMouseDown(const IMouseEventList& events);
  void OnMouseUp(const IMouseEventList& events);
  void OnMouseDrag(const IMouseEventList& events);
  // A pointer move with a button held, to (x, y): a drag by the movement since the last position.
  // With the cursor hidden and locked at (anchorX, anchorY), only the movement counts and the
  // pointer goes back to the anchor, so a fine drag never runs into the edge of the screen.
  void DragPointerTo(float x, float y, const IMouseState& mods, bool locked, float anchorX, float anchorY);
  bool OnMouseHover(float x, float y, const IMouseState& mods);
  void OnMouseLeave();
  void OnMouseDoubleClick(float x, float y, const IMouseState& mods);
  // delta in whole wheel notches.
  void OnMouseWheel(float x, float y, const IMouseState& mods, float delta);
  // Hides or shows the cursor unless it already is so (through the platform's HidePointer).
  void HideCursor(bool hide, bool lock);
  // Ends every capture: pending gestures get their end-edit, and a hidden cursor is shown again.
  void DropCaptures();
  bool IsCaptured(const IControl* control) const;
  IControl* CapturedControl(intptr_t touchId = 0) const;
  IControl* MouseOverControl() const { return mMouseOver; }
  int MouseOverIndex() const { return mMouseOverIdx; }

  // ---- Value prompts ---------------------------------------------------------------------------------

  // A menu of the parameter's named values, or a text entry with its display text.
  void PromptForValue(IControl& control, const IRectF& bounds, int valueIndex);
  void OpenTextEditor(IControl& control, const ITextStyle& style, const IRectF& bounds, const char* text, int valueIndex);
  // Opens a menu for a control at bounds; the choice reaches the control later through
  // OnMenuChoice (or OnContextChoice for a context menu), with its gesture still open until then.
  // A drawn menu returns at once, a native one when it closes. A menu still open closes first,
  // choosing nothing. The menu must live until the choice arrives.
  void OpenMenu(IControl& control, IPopupMenu& menu, const IRectF& bounds, int valueIndex, bool isContext);
  // The menu (or the submenu) an item was chosen from and the item's index, or (null, -1) when the
  // menu closed without a choice.
  using MenuChoiceFunction = std::function<void(IPopupMenu* menu, int index)>;
  // Opens a menu with submenus at bounds for whoever is no control (or wants no gesture): done
  // hears the choice once, later for a drawn menu, before returning for a native one. done is
  // dropped unheard when the surface deletes its controls. The menu must live until done runs.
  void OpenMenu(IPopupMenu& menu, const IRectF& bounds, MenuChoiceFunction done);
  // Whether a menu the surface draws is open now.
  bool MenuIsOpen() const;
  // The text a text entry ended with; applied to the value that prompted it.
  void FinishTextEdit(const char* text);
  // The menu an item was chosen from, or null: the prompt that opened the menu ends with it.
  void FinishMenuChoice(IPopupMenu* menu);
  // A text entry ended without a result (Escape, or the platform's entry was cancelled).
  void CancelTextEdit();
  // Opens the text entry over a control for typing a value: the current display text, all selected.
  void PromptForTypedValue(IControl& control, int valueIndex = 0);
  // Runs change as one gesture of the control's parameters: begin-edit, the change, end-edit (a
  // gesture already open for the control is used instead of a new one).
  void ChangeAsGesture(IControl& control, const std::function<void()>& change);
  IPopupMenu& PromptMenu() { return mPromptMenu; }
  IControl* ControlInTextEntry() const { return mInTextEntry; }
  int TextEntryValueIndex() const { return mInTextEntryIdx; }
  IControl* ControlInPopupMenu() const { return mInPopupMenu; }

  // ---- Value readout ----------------------------------------------------------------------------------

  // Gives the editor its value readout, drawn with style (font and size; the colours are its own).
  void EnableValueReadout(const ITextStyle& style);
  IValueReadoutControl* ValueReadout() const { return mReadout; }
  // Shows the readout for a control at once and keeps it (still pictures).
  void ShowValueReadout(IControl& control);
  // "Output Gain 80 %": the parameter's name and the text of its current value.
  std::string ValueText(int paramIdx) const;
  // The text of a real value of a parameter: the value namer's, else the parameter's display text
  // without the zeros that end its decimals ("80.00" shows as "80", "80.50" as "80.5") and its
  // label. The host keeps the display text with all its decimals; the editor's short form reads at
  // a glance and still denotes the same value.
  std::string DisplayText(int paramIdx, double value) const;
  // Names values the parameter's display cannot (the states of a switch); an empty result means
  // the parameter's own display text.
  using ValueNamer = std::function<std::string(int paramIdx, double value)>;
  void SetValueNamer(ValueNamer namer) { mValueNamer = std::move(namer); }

  // ---- Path transform, clipping and layers -----------------------------------------------------------

  void PathTransformSave();
  void PathTransformRestore();
  void PathTransformReset(bool clearStack = false);
  void PathTransformTranslate(float x, float y);
  void PathTransformScale(float x, float y);
  void PathTransformScale(float s) { PathTransformScale(s, s); }
  void PathTransformRotate(float degrees);
  void PathTransformMatrix(const IMatrix& matrix);
  const IMatrix& CurrentTransform() const { return mTransform; }
  // Restricts drawing to rect within the top layer (or the region being drawn); an empty rectangle
  // means the whole layer or region.
  void ClipTo(const IRectF& rect);
  const IRectF& ClipRect() const { return mClipRect; }
  // Redirects drawing into a new offscreen layer covering bounds.
  void StartLayer(IControl* owner, const IRectF& bounds, bool cacheable = false);
  // Ends the top layer and hands it to the caller (null with no layer).
  std::unique_ptr<IDrawLayer> EndLayer();
  // Pushes a layer the caller keeps owning (the backend uses this to draw into a layer).
  void PushLayer(IDrawLayer* layer);
  // Pops the top layer; returns it when the stack owned it.
  std::unique_ptr<IDrawLayer> PopLayer();
  const IDrawLayer* TopLayer() const { return mLayers.empty() ? nullptr : mLayers.back().layer; }
  bool LayerStackEmpty() const { return mLayers.empty(); }
  int LayerDepth() const { return static_cast<int>(mLayers.size()); }

  // Rotated text: with a non-zero angle, the measured rectangle becomes the bounding box of its
  // rotation and (x, y) the offsets that align that box in target by the style.
  void CalculateTextRotation(const ITextStyle& style, const IRectF& target, IRectF& bounds, float& x, float& y) const;

  // ---- Loading ----------------------------------------------------------------------------------------

  // The best variant of a picture for targetScale among embedded resources and files ("name@2x.png"
  // ...): target 1 tries 1, 3, 2; 2 tries 2, 3, 1; 3 tries 3, 2, 1. Returns where it was found, the
  // path or quoted resource name, and the scale found.
  ResourceLocation FindScaledImage(const char* name, const char* extension, std::string& path, int targetScale,
                                   int& foundScale);
  // The resource table this surface searches (the process default unless set).
  void SetResourceTable(const IResourceTable* table) { mResources = table; }
  const IResourceTable& ResourceTable() const { return *mResources; }

  // ---- Fields -----------------------------------------------------------------------------------------

  ICanvasEditorDelegate* GetDelegate() const { return mDelegate; }
  int FPS() const { return mFPS; }
  float ScreenScale() const { return mScreenScale; }
  float MinDrawScale() const { return mMinDrawScale; }
  float MaxDrawScale() const { return mMaxDrawScale; }
  int CursorKind() const { return mCursorKind; }
  bool CursorHidden() const { return mCursorHidden; }
  bool CursorLocked() const { return mCursorLocked; }
  float TranslateX() const { return mTranslateX; }
  float TranslateY() const { return mTranslateY; }

  void SetKeyHandler(KeyHandler handler) { mKeyHandler = std::move(handler); }
  void EnableMouseOver(bool enable) { mMouseOverEnabled = enable; }
  bool MouseOverEnabled() const { return mMouseOverEnabled; }
  void EnableTooltips(bool enable) { mTooltipsEnabled = enable; }
  bool TooltipsEnabled() const { return mTooltipsEnabled; }
  void EnableMultiTouch(bool enable) { mMultiTouchEnabled = enable; }
  bool MultiTouchEnabled() const { return mMultiTouchEnabled; }
  void SetSingleRegionDrawing(bool single) { mSingleRegion = single; }
  bool SingleRegionDrawing() const { return mSingleRegion; }
  void SetResizeInProgress(bool active) { mResizeInProgress = active; }
  bool ResizeInProgress() const { return mResizeInProgress; }
  ResizeMode GetResizeMode() const { return mResizeMode; }
  bool LayoutOnResize() const { return mLayoutOnResize; }
  int LastClickedParam() const { return mLastClickedParam; }
  float MouseDownX() const { return mMouseDownX; }
  float MouseDownY() const { return mMouseDownY; }
  float LastMouseX() const { return mLastMouseX; }
  float LastMouseY() const { return mLastMouseY; }
  // Kept by the platform layer with every pointer event.
  void SetLastMousePosition(float x, float y) {
    mLastMouseX = x;
    mLastMouseY = y;
  }
  const std::vector<int>& RegisteredGestureTypes() const { return mGestureTypes; }

  // Milliseconds of a monotonic high-resolution clock; animations measure their progress with it.
  virtual double NowMilliseconds() const;

protected:
  // The platform layer's destructor calls this while its window and cursor still exist: it ends
  // captures and gestures, shows a hidden cursor and deletes the controls.
  void ReleaseBeforeDestruction();
  void SetTranslation(float x, float y) {
    mTranslateX = x;
    mTranslateY = y;
  }

private:
  struct LayerEntry {
    IDrawLayer* layer;
    std::unique_ptr<IDrawLayer> owned;
  };

  void Attach(IControl& control);
  void ReleaseCapturesAndShowCursor();
  void ShowCursorIfHidden();
  void SendEndEdits(IControl& control);
  bool GestureHeldByPrompt(const IControl& control) const;
  // Ends the capture of a pointer: the control hears OnMouseUp and its gesture ends.
  void EndCapture(intptr_t touchId, float x, float y, const IMouseState& mods);
  void SendBeginEdits(IControl& control);
  // Shows a menu, drawn or native, whose result goes to FinishMenuChoice.
  void ShowMenu(IPopupMenu& menu, const IRectF& bounds);
  // Closes a drawn menu still open, its prompt choosing nothing.
  void CloseOpenMenu();
  // The control the readout follows for a pointer resting on c (null when c shows none).
  static IControl* ReadoutTarget(IControl* c);
  void EngageReadout(IControl* c);
  void ReleaseReadout();
  void RequestWindowResize();
  // Set while the surface follows a size the host gave its window (FollowParentSize).
  bool mFollowingParent = false;
  void ApplyTransform();
  void DeleteControls();
  const IParam* ParamOf(const IControl& control, int valueIndex) const;

  ICanvasEditorDelegate* mDelegate;
  const IResourceTable* mResources;

  std::vector<std::unique_ptr<IControl>> mControls;
  std::map<int, IControl*> mTags;
  std::unique_ptr<ICornerResizerControl> mResizeGrip;
  std::vector<std::unique_ptr<IControl>> mBubbleControls;
  std::unique_ptr<IPopupMenuControl> mPopupMenuControl;
  MenuChoiceFunction mMenuChoice; // the pending choice of OpenMenu without a control
  std::unique_ptr<IControl> mPerfDisplay;
  std::unique_ptr<ITextEntryControl> mTextEditor;
  IPopupMenu mPromptMenu;
  IValueReadoutControl* mReadout = nullptr; // one of the bubble controls
  ValueNamer mValueNamer;

  int mWidth;
  int mHeight;
  int mFPS;
  float mScreenScale = 1.0f;
  float mDrawScale;
  int mCursorKind = kCursorArrow;
  std::vector<int> mGestureTypes;
  std::map<intptr_t, IControl*> mCaptured;
  // Parameters a control's gesture began on (begin-edit sent, end-edit not yet).
  std::map<IControl*, std::vector<int>> mOpenGestures;
  IControl* mMouseOver = nullptr;
  IControl* mInTextEntry = nullptr;
  int mInTextEntryIdx = -1;
  IControl* mInPopupMenu = nullptr;
  int mInPopupMenuIdx = -1;
  bool mIsContextMenu = false;
  int mMouseOverIdx = -1;
  float mMouseDownX = -1.0f;
  float mMouseDownY = -1.0f;
  float mMinDrawScale;
  float mMaxDrawScale;
  int mLastClickedParam = -1;
  bool mMouseOverEnabled = false;
  bool mSingleRegion = false;
  bool mTooltipsEnabled = false;
  bool mResizeInProgress = false;
  bool mLayoutOnResize = false;
  bool mMultiTouchEnabled = false;
  ResizeMode mResizeMode = ResizeMode::Scale;
  double mPrevFrameTime = 0.0;
  std::vector<double> mFrameTimes;
  int mFrameTimeIndex = 0;
  KeyHandler mKeyHandler;
  bool mCursorHidden = false;
  bool mCursorLocked = false;
  float mLastMouseX = -1.0f;
  float mLastMouseY = -1.0f;
  float mTranslateX = 0.0f;
  float mTranslateY = 0.0f;
  IRectF mClipRect;
  std::vector<LayerEntry> mLayers;
  IMatrix mTransform;
  std::vector<IMatrix> mTransformStack;
  bool mReleased = false;
};

} // namespace lumen::canvas
