// The message ids the GUI toolkit's own objects send to their parents,
// owners or targets through HandleMessage. The numbers are part of the
// protocol: applications handle them by value beside their own ids, so no
// application id may take one of these.
#pragma once

enum GuiMessage : int {
  // Entry field: Enter pressed while it owns the keyboard.
  MsgEnterPressed = 2000,
  // Drop-down list: closed without a choice.
  MsgListClosed = 2001,

  // Scroll bar, to its target: an arrow step, or the slider dragged to a new
  // first element (a).
  MsgScrollUp = 4000,
  MsgScrollDown = 4001,
  MsgScrollLeft = 4002,
  MsgScrollRight = 4003,
  MsgScrollToV = 4004,
  MsgScrollToH = 4005,
  // Toggle-style button released.
  MsgToggleReleased = 4008,

  // Drag bar, to its window on each move.
  MsgDragging = 5000,
  // Any object, to its parent, when it is destroyed.
  MsgChildDestroyed = 5001,
  // Text box: a line selected, or double-clicked.
  MsgLineSelected = 5002,
  MsgLineDoubleClicked = 5003,
  // Any object: a right click on it.
  MsgRightClick = 5014,

  // Title bar gadgets.
  MsgCloseGadget = 6001,
  MsgMinimizeGadget = 6002,
  MsgTitleBarButton = 6004,
  // Entry field: right click.
  MsgEntryRightClick = 6063,

  // Folder picker buttons, to the picker itself.
  MsgPickerUp = 7001,
  MsgPickerOpen = 7002,
  MsgPickerOK = 7003,
  MsgPickerCancel = 7004,

  // Drop-down box: an item was picked (a = its value).
  MsgItemChosen = 60000,
};

// Every toolkit id, for checks that an application's ids keep clear of them.
inline constexpr GuiMessage kGuiMessages[] = {
    MsgEnterPressed,      MsgListClosed, MsgScrollUp,       MsgScrollDown,     MsgScrollLeft,     MsgScrollRight,
    MsgScrollToV,         MsgScrollToH,  MsgToggleReleased, MsgDragging,       MsgChildDestroyed, MsgLineSelected,
    MsgLineDoubleClicked, MsgRightClick, MsgCloseGadget,    MsgMinimizeGadget, MsgTitleBarButton, MsgEntryRightClick,
    MsgPickerUp,          MsgPickerOpen, MsgPickerOK,       MsgPickerCancel,   MsgItemChosen,
};
