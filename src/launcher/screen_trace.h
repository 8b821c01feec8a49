// The UI trace lines of the launcher's screens and boxes: a screen enabled or
// disabled, followed (when enabled) by one line per enabled widget on it with
// its kind, label, rectangle in window coordinates and the message it sends.
#pragma once

#include <functional>
#include <string>

class GUIFramedWindow;
class GUIObject;
class GUISimpleDialogBox;

// A text as the player sees it: the text codes ("@" and one character) left
// out, "@@" shown as "@" and "@{" as "{".
std::string ShownText(const char* text);

// Labels for widgets that carry none of their own (a tick box whose caption
// the screen draws); empty means the widget's own label.
using WidgetLabeller = std::function<std::string(GUIObject*)>;

// The widget lines of screen's enabled children: buttons, tick boxes, entry
// fields (label: the text; message 2000) and drop-down boxes (label: the
// selected item; message 60000). Other children are not widgets.
std::string WidgetLines(GUIObject* screen, const WidgetLabeller& labeller = {});
void TraceWidgets(GUIObject* screen, const WidgetLabeller& labeller = {});
// "screen CLASS enabled" with the widget lines, or "screen CLASS disabled".
void TraceScreenChange(GUIObject* screen, const char* screenClass, bool enabled, const WidgetLabeller& labeller = {});
// "dialog TITLE TEXT" and one line per button of the box, its close button
// last.
void TraceDialogBox(GUISimpleDialogBox* box, const char* title, const char* text);
// The close button of a framed window's title bar: a button without a label
// sending 6001. Nothing when the window has none.
void TraceCloseGadget(GUIFramedWindow* window);
