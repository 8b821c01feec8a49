// A scroll bar for a target object: arrows at both ends and a slider sized
// by the ratio of the target's displayed to total elements. An arrow held
// down steps once and again on every GUI tick (4000 up, 4001 down, 4002
// left, 4003 right, to the target); a press on the track pages and dragging
// the slider scrolls (4004 vertical, 4005 horizontal, a = the new first
// element).
#pragma once

#include "gui/gui_object.h"

class GUIScrollBar : public GUIObject {
 public:
  GUIObject* Target = nullptr;
  int Vertical = 1;
  int SliderPos = 0, SliderSize = 0;  // pixels along the track, from the track's start
  int HeldArrow = 0;                  // the step message repeated while an arrow is held
  int DraggingSlider = 0;
  int GrabOffset = 0;

  GUIScrollBar(GUIObject* target, int x, int y, int width, int height, int vertical);

  // Recomputes the slider from the target's elements.
  void RethinkSliderPosAndSize();
  // Tells the target the element that matches the slider position.
  void ScrollBasedUponSliderPos();
  int ArrowSize() const;
  int TrackLength() const;

  void Draw(int x, int y) override;
  void DoButtonEvent(ButtonEventType t, int x, int y, unsigned long mods) override;
  void DoMouseMovement(int x, int y, unsigned long mods) override;
  void HandleTimerTick() override;
};
