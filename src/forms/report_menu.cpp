#include "forms/report_menu.h"

#include "forms/form1_names.h"
#include "framework/app.h"
#include "framework/error.h"

namespace tivrel {

namespace {

using form1::kText1;

// Clears the clipboard, then puts the text there. Another program holding the
// clipboard open is no reason to end this one: the user is told, and the
// report stays as it is.
void CopyToClipboard(App& app, std::u16string (Host::*read)(FormId, ControlRef)) {
  Host& host = app.host();
  try {
    host.ClipboardClear();
    const std::u16string text = (host.*read)(FormId::Form1, kText1);
    host.ClipboardSetText(text);
  } catch (const ClipboardBusy&) {
    host.MessageBox(kClipboardBusyText, kClipboardBusyTitle, kMbIconInformation);
  }
}

}  // namespace

void Text1_MouseDown(App& app, int16_t button, int16_t /*shift*/, float /*x*/, float /*y*/) {
  if (button != kRightButton) return;
  Host& host = app.host();
  // Off and on again at once: on Windows this keeps the edit box's own
  // context menu from opening after ours. Disabling drops the focus; the box
  // gets it back, as the user left it.
  const bool hadFocus = host.HasFocus(FormId::Form1, kText1);
  host.SetEnabled(FormId::Form1, kText1, false);
  host.SetEnabled(FormId::Form1, kText1, true);
  if (hadFocus) host.SetFocus(FormId::Form1, kText1);
  // Only whether the box holds any text counts, not the selection.
  const bool hasText = !host.GetText(FormId::Form1, kText1).empty();
  host.SetMenuEnabled(FormId::Form1, form1::kCopy.name, hasText);
  host.SetMenuEnabled(FormId::Form1, form1::kAllcopy.name, hasText);
  host.PopupMenu(FormId::Form1, form1::kTofiles.name);
}

void CopySelection(App& app) { CopyToClipboard(app, &Host::GetSelText); }

void CopyAll(App& app) { CopyToClipboard(app, &Host::GetText); }

void SetReportFontSize(App& app, float points) { app.SetFontSize(FormId::Form1, kText1, points); }

}  // namespace tivrel
