// GUIObject: the base of every on-screen element. Objects form a tree; each
// has a parent, an ordered child list (the head is the front-most child) and a
// rectangle in its parent's content coordinates. Objects talk upward only
// through HandleMessage; input arrives through the global entry points of
// mouse_dispatch.h, keyboard.h and gui_timers.h.
//
// Ownership: a parent owns its children and destroys them with itself;
// top-level objects live in GUIObjList until KillAllGUIObjects. Everything
// runs on the GUI thread.
#pragma once

#include <cstdint>

#include "gui/gui_globals.h"
#include "gui/gui_messages.h"

class TextureMap;
class Font2;

// Flags bits.
enum GUIFlags : uint32_t {
  Disabled = 0x1,
  StretchTexture = 0x2,
  IsButton = 0x4,
  SeeThrough = 0x8,
  FillsWindow = 0x10,
  Pressed = 0x40,
  LayoutIgnored = 0x400,
  LayoutPending = 0x800,
  NotDrawn = 0x2000,
  WantsMouseMoves = 0x10000,
  GreyWhenDisabled = 0x20000,
  Inert = 0x40000,
  NoDarkening = 0x80000,
  BalloonAbove = 0x1000000,
  FixedInZOrder = 0x2000000,
  LiveWhenDisabled = 0x4000000,
  HelpWhenInert = 0x8000000,
  NotScrolled = 0x40000000,
  CentredBalloon = 0x80000000u,
};

// StateFlags bits.
enum GUIStateFlags : uint32_t { Dying = 0x4 };

enum ButtonEventType : unsigned char {
  LeftButtonDown = 0,
  LeftButtonUp = 1,
  RightButtonDown = 2,
  RightButtonUp = 3,
  LeftDoubleClick = 4,
};

// Pixels an object may paint outside its rectangle on every side without
// saying so (a sunken frame, a shadow); wider drawing right of and below the
// rectangle is declared in RedrawMargin. Partial redraws draw every object
// whose rectangle, grown by these, meets the clip rectangle.
constexpr int kDrawOverhang = 4;

// Modifier bits of mouse events.
enum : unsigned long { MouseShift = 4, MouseControl = 8 };

class GUIObject {
 public:
  char* Name = nullptr;
  TextureMap* Icon = nullptr;
  uint32_t Flags = 0;
  uint32_t StateFlags = 0;
  GUIObject* Children = nullptr;
  GUIObject* Parent = nullptr;
  GUIObject* NextInTabOrder = nullptr;
  int32_t Reserved2 = 0;
  GUIObject* Listener = nullptr;
  char* HelpTextString = nullptr;
  int32_t Reserved3 = 0;
  Font2* Font = nullptr;
  int RedrawMargin = 0;
  int X = 0, Y = 0;
  int Width = 0, Height = 0;
  int LeftInset = 0, RightInset = 0, TopInset = 0, BottomInset = 0;
  GUIObject* Next = nullptr;
  GUIObject* Prev = nullptr;
  int UserValue = -1;
  int32_t UserData = 0;
  int ScrollX = 0, ScrollY = 0;
  unsigned char Reserved6 = 1, Reserved7 = 1;
  int UpdateDepth = 0;

  GUIObject(int x, int y, int width, int height);
  GUIObject(const GUIObject&) = delete;
  GUIObject& operator=(const GUIObject&) = delete;
  // Resets every field to its constructed value, position and size 0.
  void Init();

  virtual void ListenObjectIsGone(GUIObject* gone) {}
  virtual const char* HelpText() { return HelpTextString; }
  // (x, y) in obj's parent's content coordinates.
  virtual int HelpHitTest(GUIObject* obj, int x, int y);
  virtual int GetHelpDelay() { return 3; }
  virtual void FinishUpdate() {}
  virtual void BeginUpdate() { ++UpdateDepth; }
  virtual void EndUpdate();
  virtual float GetScrollYSpeed();
  virtual float GetScrollXSpeed();
  // (x, y): screen position of this object's content origin.
  virtual void DrawChildren(int x, int y);
  virtual int LineHeightPixels() { return 0; }
  virtual int TopExclusion() { return TopInset; }
  // (x, y): screen position of the parent's content origin.
  virtual void Draw(int x, int y);
  virtual void Animate();
  virtual void HandleTimerTick();
  virtual void UserHasBeenIdle() {}
  virtual void MouseIsOverYou(int x, int y) {}
  virtual void MouseIsNoLongerOverYou() {}
  virtual void ResizeToFitOurChildren();
  virtual void MoveChildrenRelative(int dx, int dy);
  // The upward channel: msg id, a = value, b = second value, p = sender,
  // q = extra data. Non-zero means handled.
  virtual int HandleMessage(int msg, int a, int b, void* p, void* q) { return 0; }
  virtual void DeleteFromParentsChildren();
  // (x, y) in the parent's content coordinates.
  virtual int HitTest(int x, int y);
  // (x, y) local to this object.
  virtual void DoButtonEvent(ButtonEventType t, int x, int y, unsigned long mods);
  virtual void DoMouseMovement(int x, int y, unsigned long mods) {}
  virtual ~GUIObject();
  virtual void LayoutChildren();
  virtual void CenterOnX();
  virtual void MakeFullWidth();
  virtual void PushToBottom();
  virtual int AbsoluteX();
  virtual int AbsoluteY();
  virtual int HandleKey(int key, unsigned long mods);
  // A sunken frame depth pixels wide (1 to kDrawOverhang) around the object.
  virtual void DrawRecessedBox(int depth);
  // Local inclusive rectangle.
  virtual void RedrawRegion(int x1, int y1, int x2, int y2);
  // Screen inclusive rectangle.
  virtual void RedrawRegionAbs(int x1, int y1, int x2, int y2);
  virtual void RedrawRegion();
  virtual void Redraw();
  virtual void CheckNeedScrollBars() {}
  virtual int TotalVerticalElements() { return Height; }
  virtual int NDisplayedVerticalElements() { return TotalVerticalElements(); }
  virtual int FirstDisplayedVerticalElement() { return 0; }
  virtual int TotalHorizontalElements() { return Width; }
  virtual int NDisplayedHorizontalElements() { return TotalHorizontalElements(); }
  virtual int FirstDisplayedHorizontalElement() { return 0; }
  virtual int GetMouseCursor(int x, int y);
  virtual int CursorType(int x, int y) { return 1; }
  virtual int GUIObjectType(int, int) { return 0; }
  virtual void Disable() { Flags |= Disabled; }
  virtual void Enable() { Flags &= ~uint32_t(Disabled); }
  // Sound is outside this program: the file is named and nothing is played.
  virtual void GUIPlaySound(const char* file) {}
  virtual void SetEnd() {}
  // The toolkit took the mouse capture away (a modal object appeared that
  // does not contain this object, or its window was disabled); MouseOwner
  // no longer names it. Objects
  // that keep state for the capture drop it here: a pressed button pops up
  // without a click, a pop-up list closes.
  virtual void CaptureCancelled() {}

  // Tree building. AddChild appends at the tail (back-most).
  void AddChild(GUIObject* child);
  void BringToFront();
  void AddHelpText(const char* text);
  void ClampToBorders();
  // True when Draw should draw nothing: NotDrawn, or Disabled unless the
  // parent is drawing it greyed (GreyWhenDisabled).
  bool Hidden() const;
  // True when this object or an ancestor is Disabled.
  bool IsHiddenByAncestry() const;
  // True when `ancestor` is this object or one of its ancestors.
  bool IsWithin(const GUIObject* ancestor) const;
};

// Toolkit-wide state is in gui_globals.h.
void GUIEnableSoundEffects();
void GUIDisableSoundEffects();

// Appends a top-level object to GUIObjList (its Parent stays null).
void AddTopLevelObject(GUIObject* obj);
// Destroys every top-level object and with it the whole tree.
void KillAllGUIObjects();

// A heap copy of text (null for null) from MustAlloc; free with GRTFree.
char* GUIStrDup(const char* text);

// A pointer to an object that becomes null when the object is destroyed.
// Widgets hold one across a call that may destroy them (a parent's
// HandleMessage that closes the window) and touch nothing afterwards unless
// it is still set. Lives on the stack; watches are not copied.
class GUIWatch {
 public:
  explicit GUIWatch(GUIObject* obj);
  ~GUIWatch();
  GUIWatch(const GUIWatch&) = delete;
  GUIWatch& operator=(const GUIWatch&) = delete;
  GUIObject* get() const { return obj_; }
  explicit operator bool() const { return obj_ != nullptr; }

 private:
  friend class GUIObject;
  GUIObject* obj_;
  GUIWatch* next_;
};

// Calls fn on each object of a sibling list in order until fn returns true.
// fn may destroy objects: the walk stops when the next object is destroyed.
template <class F>
void ForEachSibling(GUIObject* first, F fn) {
  for (GUIObject* o = first; o;) {
    GUIWatch next(o->Next);
    if (fn(o)) return;
    o = next.get();
  }
}
