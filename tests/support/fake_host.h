// A recording window framework and platform services for driving the
// handlers in tests. Every call is logged in order, as one line of text.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "framework/app.h"
#include "framework/error.h"
#include "framework/host.h"
#include "framework/text.h"
#include "probe/query_note.h"
#include "probe/waveoutcaps.h"

namespace tivrel::test {

inline std::string U8(std::u16string_view s) { return Utf16ToUtf8(s); }

class FakeHost : public Host {
 public:
  struct ControlState {
    std::u16string text;
    size_t selStart = 0, selLength = 0;
    bool enabled = true;
    float fontSize = 9.0f;
    std::map<int32_t, bool> boolProps;
  };
  struct FormState {
    bool visible = false;
    std::map<std::string, ControlState> controls;  // "name" or "name(index)"
    std::map<std::string, bool> menuEnabled;
  };

  App* app = nullptr;
  std::vector<std::string> log;
  std::map<FormId, FormState> forms;  // realised windows only
  int created[kFormCount] = {};
  bool prevInstance = false;
  int prevInstanceAsked = 0;
  std::optional<std::string> popupChoice;  // the item the user picks in the next pop-up
  std::optional<std::u16string> clipboard;
  int clipboardOkCalls = 0;    // so many clipboard calls go through first,
  int clipboardBusyCalls = 0;  // then so many fail as busy
  // Throws tivrel::Error from the call whose log line starts with this.
  std::optional<std::string> failOn;
  bool loopQuit = false;

  static std::string Key(ControlRef c) { return ControlKey(c); }
  ControlState& Control(FormId f, ControlRef c) {
    auto it = forms.find(f);
    if (it == forms.end()) throw Error(std::string("窗体未加载：") + FormName(f));
    auto ct = it->second.controls.find(Key(c));
    if (ct == it->second.controls.end()) throw Error("找不到控件：" + Key(c));
    return ct->second;
  }
  std::u16string& Text(FormId f, std::string_view name = "Text1") {
    return Control(f, ControlRef{name}).text;
  }
  // Log lines starting with a prefix, in order.
  std::vector<std::string> Calls(std::string_view prefix) const {
    std::vector<std::string> out;
    for (const auto& l : log) {
      if (l.rfind(prefix, 0) == 0) out.push_back(l);
    }
    return out;
  }
  size_t Count(std::string_view prefix) const { return Calls(prefix).size(); }
  // Index in the log of the first line starting with the prefix, or npos.
  size_t IndexOf(std::string_view prefix, size_t from = 0) const {
    for (size_t i = from; i < log.size(); ++i) {
      if (log[i].rfind(prefix, 0) == 0) return i;
    }
    return std::string::npos;
  }

  void CreateForm(const FormDesign& d) override {
    Record(std::string("CreateForm ") + FormName(d.id));
    FormState state;
    for (const auto& c : d.controls) {
      ControlState cs;
      cs.text = c.text;
      state.controls[Key(ControlRef{c.name, c.index})] = cs;
    }
    std::function<void(const std::vector<MenuDesign>&)> addMenus =
        [&](const std::vector<MenuDesign>& items) {
          for (const auto& m : items) {
            state.menuEnabled[m.name] = m.enabled;
            addMenus(m.items);
          }
        };
    addMenus(d.menus);
    forms[d.id] = state;
    ++created[static_cast<int>(d.id)];
  }
  void DestroyForm(FormId f) override {
    Record(std::string("DestroyForm ") + FormName(f));
    forms.erase(f);
  }
  void ShowForm(FormId f) override {
    Record(std::string("ShowForm ") + FormName(f));
    forms.at(f).visible = true;
  }
  std::u16string GetText(FormId f, ControlRef c) override {
    Record("GetText " + Key(c));
    return Control(f, c).text;
  }
  void SetText(FormId f, ControlRef c, std::u16string_view text) override {
    Record("SetText " + Key(c));
    auto& cs = Control(f, c);
    cs.text = std::u16string(text);
    cs.selStart = cs.selLength = 0;
  }
  std::u16string GetSelText(FormId f, ControlRef c) override {
    Record("GetSelText " + Key(c));
    auto& cs = Control(f, c);
    return cs.text.substr(std::min(cs.selStart, cs.text.size()), cs.selLength);
  }
  void SetEnabled(FormId f, ControlRef c, bool on) override {
    Record("SetEnabled " + Key(c) + (on ? " true" : " false"));
    Control(f, c).enabled = on;
    // As on the platforms: a disabled control loses the focus.
    if (!on && focus == std::string(FormName(f)) + "." + Key(c)) focus.clear();
  }
  bool HasFocus(FormId f, ControlRef c) override {
    Record("HasFocus " + Key(c));
    Control(f, c);
    return focus == std::string(FormName(f)) + "." + Key(c);
  }
  void SetFontSize(FormId f, ControlRef c, float points) override {
    Record("SetFontSize " + Key(c) + " " + std::to_string(static_cast<int>(points)));
    Control(f, c).fontSize = points;
  }
  void SetFocus(FormId f, ControlRef c) override {
    Record(std::string("SetFocus ") + FormName(f) + "." + Key(c));
    Control(f, c);
    focus = std::string(FormName(f)) + "." + Key(c);
  }
  void SetMenuEnabled(FormId f, std::string_view item, bool on) override {
    Record("SetMenuEnabled " + std::string(item) + (on ? " true" : " false"));
    forms.at(f).menuEnabled.at(std::string(item)) = on;
  }
  void PutBoolProperty(FormId f, ControlRef c, int32_t dispid, bool value) override {
    char id[16];
    std::snprintf(id, sizeof id, "0x%08X", static_cast<unsigned>(dispid));
    Record("PutBoolProperty " + Key(c) + " " + id + (value ? " true" : " false"));
    Control(f, c).boolProps[dispid] = value;
  }
  void PopupMenu(FormId f, std::string_view menu) override {
    Record("PopupMenu " + std::string(menu));
    // The user's pick, if enabled, runs inside the pop-up's modal loop.
    auto choice = std::exchange(popupChoice, std::nullopt);
    if (choice && forms.at(f).menuEnabled.at(*choice)) app->MenuClick(f, *choice);
    Record("PopupMenu returned");
  }
  void MessageBox(std::u16string_view text, std::u16string_view title, int style) override {
    Record("MessageBox " + U8(text) + " | " + U8(title) + " | " + std::to_string(style));
  }
  void Beep() override { Record("Beep"); }
  bool PrevInstance() override {
    Record("PrevInstance");
    ++prevInstanceAsked;
    return prevInstance;
  }
  void ClipboardClear() override {
    Record("ClipboardClear");
    Busy();
    clipboard.reset();
  }
  void ClipboardSetText(std::u16string_view text) override {
    Record("ClipboardSetText " + U8(text));
    Busy();
    clipboard = std::u16string(text);
  }
  void ShowErrorBox(std::u16string_view text, std::u16string_view title) override {
    Record("ShowErrorBox " + U8(text) + " | " + U8(title));
  }
  [[noreturn]] void EndProcess() override {
    log.push_back("EndProcess");
    throw ProcessEnded{};
  }
  void QuitEventLoop() override {
    log.push_back("QuitEventLoop");
    loopQuit = true;
  }

  std::string focus;

  // Logs a call; fails it when failOn says so.
  void Record(std::string line) {
    if (failOn && line.rfind(*failOn, 0) == 0) {
      log.push_back(line + " FAILED");
      throw Error("调用失败：" + line);
    }
    log.push_back(std::move(line));
  }

 private:
  void Busy() {
    if (clipboardOkCalls > 0) {
      --clipboardOkCalls;
      return;
    }
    if (clipboardBusyCalls > 0) {
      --clipboardBusyCalls;
      throw ClipboardBusy();
    }
  }
};

class FakeWaveOut : public WaveOutApi {
 public:
  uint32_t numDevs = 1;
  QueryNote note;  // what the service says beside its result
  uint32_t result = 0;
  CapsImage image{};  // what the platform writes, up to the size it is given
  std::vector<std::string> log;
  uint32_t sizeGiven = 0;
  uintptr_t deviceAsked = 99;
  CapsImage imageBeforeCall{};

  uint32_t waveOutGetNumDevs() override {
    log.push_back("waveOutGetNumDevs");
    return numDevs;
  }
  uint32_t waveOutGetDevCapsA(uintptr_t id, void* caps, uint32_t size) override {
    log.push_back("waveOutGetDevCapsA");
    deviceAsked = id;
    sizeGiven = size;
    std::memcpy(imageBeforeCall.data(), caps, kImageSize);
    if (result == 0) std::memcpy(caps, image.data(), std::min<size_t>(size, kImageSize));
    return result;
  }
  uint32_t QueryDevCaps(uintptr_t id, void* caps, uint32_t size, QueryNote& said) override {
    said = note;
    return waveOutGetDevCapsA(id, caps, size);
  }
};

// Logs into the host's log, so that the call's place among the window
// framework's calls shows.
class FakeWindowMenu : public WindowMenuApi {
 public:
  explicit FakeWindowMenu(FakeHost& host) : host_(host) {}
  void RemoveCloseCommand(FormId f) override {
    host_.Record(std::string("RemoveCloseCommand ") + FormName(f));
  }

 private:
  FakeHost& host_;
};

class FakeShell : public ShellApi {
 public:
  std::vector<std::string> uris;
  void OpenUri(std::string_view ansiUri) override { uris.emplace_back(ansiUri); }
};

}  // namespace tivrel::test
