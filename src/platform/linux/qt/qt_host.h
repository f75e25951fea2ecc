// tivrel::Host on Qt 6 Widgets: realises the designs as top-level widgets and
// routes their events into the App.
#pragma once

#include <QPointer>
#include <array>
#include <functional>
#include <optional>

#include "framework/app.h"
#include "framework/event_sink.h"
#include "framework/host.h"
#include "platform/linux/qt/form_window.h"

namespace tivrel::qt {

class QtHost : public Host, public AppEventSink {
 public:
  // prevInstance answers the previous-instance query; asked once.
  explicit QtHost(std::function<bool()> prevInstance);
  ~QtHost() override;

  // The realised window, or nullptr.
  FormWindow* Window(FormId form) const;

  // Host.
  void CreateForm(const FormDesign& design) override;
  void DestroyForm(FormId form) override;
  void ShowForm(FormId form) override;
  std::u16string GetText(FormId form, ControlRef control) override;
  void SetText(FormId form, ControlRef control, std::u16string_view text) override;
  std::u16string GetSelText(FormId form, ControlRef control) override;
  void SetEnabled(FormId form, ControlRef control, bool enabled) override;
  void SetFontSize(FormId form, ControlRef control, float points) override;
  void SetFocus(FormId form, ControlRef control) override;
  bool HasFocus(FormId form, ControlRef control) override;
  void SetMenuEnabled(FormId form, std::string_view item, bool enabled) override;
  void PutBoolProperty(FormId form, ControlRef control, int32_t dispid, bool value) override;
  void PopupMenu(FormId form, std::string_view menu) override;
  void MessageBox(std::u16string_view text, std::u16string_view title, int style) override;
  void Beep() override;
  bool PrevInstance() override;
  void ClipboardClear() override;
  void ClipboardSetText(std::u16string_view text) override;
  void ShowErrorBox(std::u16string_view text, std::u16string_view title) override;
  [[noreturn]] void EndProcess() override;
  void QuitEventLoop() override;

 private:
  FormWindow& Loaded(FormId form) const;
  QWidget& Control(FormId form, ControlRef control) const;
  QWidget* DialogOwner() const;

  std::function<bool()> prevInstanceQuery_;
  std::optional<bool> prevInstance_;
  std::array<QPointer<FormWindow>, kFormCount> windows_{};
};

}  // namespace tivrel::qt
