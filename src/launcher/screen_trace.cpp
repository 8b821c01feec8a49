#include "launcher/screen_trace.h"

#include "foundation/ui_trace.h"
#include "gui/gui_button.h"
#include "gui/gui_drag_bar.h"
#include "gui/gui_drop_down_box.h"
#include "gui/gui_messages.h"
#include "gui/gui_simple_dialog_box.h"
#include "gui/gui_string_gadget.h"
#include "gui/gui_toggle_button.h"

std::string ShownText(const char* text) {
  std::string out;
  if (!text) return out;
  for (const char* s = text; *s; ++s) {
    if (*s != '@') {
      out += *s;
      continue;
    }
    if (!s[1]) break;
    ++s;
    if (*s == '@' || *s == '{') out += *s;
  }
  return out;
}

namespace {
UiTraceRect RectOf(GUIObject* o) { return {o->AbsoluteX(), o->AbsoluteY(), o->Width, o->Height}; }

// Calls fn (kind, label, message) for each enabled widget child of screen.
template <class F>
void ForEachWidget(GUIObject* screen, const WidgetLabeller& labeller, F fn) {
  for (GUIObject* c = screen->Children; c; c = c->Next) {
    if (c->Flags & Disabled) continue;
    std::string label = labeller ? labeller(c) : std::string();
    if (auto* t = dynamic_cast<GUIToggleButton*>(c)) {
      fn(c, UiWidgetKind::kToggle, label.empty() ? ShownText(t->Text) : label, t->MessageId);
    } else if (auto* b = dynamic_cast<GUIButton*>(c)) {
      fn(c, UiWidgetKind::kButton, label.empty() ? ShownText(b->Text) : label, b->MessageId);
    } else if (auto* f = dynamic_cast<GUIStringGadget*>(c)) {
      fn(c, UiWidgetKind::kField, label.empty() ? std::string(f->Text()) : label, int(MsgEnterPressed));
    } else if (auto* d = dynamic_cast<GUIDropDownBox*>(c)) {
      const char* selected = d->GetSelectedText();
      fn(c, UiWidgetKind::kDropdown, label.empty() ? std::string(selected ? selected : "") : label, int(MsgItemChosen));
    }
  }
}
}  // namespace

std::string WidgetLines(GUIObject* screen, const WidgetLabeller& labeller) {
  std::string lines;
  ForEachWidget(screen, labeller, [&](GUIObject* c, UiWidgetKind kind, const std::string& label, int message) {
    lines += UiTraceWidgetLine(0, kind, label.c_str(), RectOf(c), message);
    lines += '\n';
  });
  return lines;
}

void TraceWidgets(GUIObject* screen, const WidgetLabeller& labeller) {
  if (!UiTraceEnabled()) return;
  ForEachWidget(screen, labeller, [&](GUIObject* c, UiWidgetKind kind, const std::string& label, int message) {
    TraceWidget(kind, label.c_str(), RectOf(c), message);
  });
}

void TraceScreenChange(GUIObject* screen, const char* screenClass, bool enabled, const WidgetLabeller& labeller) {
  if (!UiTraceEnabled()) return;
  TraceScreen(screenClass, enabled);
  if (enabled) TraceWidgets(screen, labeller);
}

void TraceDialogBox(GUISimpleDialogBox* box, const char* title, const char* text) {
  if (!UiTraceEnabled()) return;
  TraceDialog(ShownText(title).c_str(), ShownText(text).c_str());
  for (int i = 0; i < box->NButtons; ++i) {
    GUIButton* b = box->Buttons[i];
    if (b) TraceWidget(UiWidgetKind::kButton, ShownText(b->Text).c_str(), RectOf(b), b->MessageId);
  }
  TraceCloseGadget(box);
}

void TraceCloseGadget(GUIFramedWindow* window) {
  if (!UiTraceEnabled() || !window->TitleBar || !window->TitleBar->CloseGadget) return;
  TraceWidget(UiWidgetKind::kButton, "", RectOf(window->TitleBar->CloseGadget), MsgCloseGadget);
}
