#include "platform/linux/qt/x_clipboard.h"

#include <QAbstractNativeEventFilter>
#include <QClipboard>
#include <QEventLoop>
#include <QGuiApplication>
#include <QTimer>
#include <cstdlib>
#include <cstring>

#if __has_include(<xcb/xcb.h>)
#include <xcb/xcb.h>
#define TIVREL_HAVE_XCB 1
#endif

namespace tivrel::qt {

#ifdef TIVREL_HAVE_XCB

namespace {

xcb_atom_t Atom(xcb_connection_t* c, const char* name) {
  const xcb_intern_atom_cookie_t cookie =
      xcb_intern_atom(c, 0, static_cast<uint16_t>(std::strlen(name)), name);
  xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(c, cookie, nullptr);
  const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
  std::free(reply);
  return atom;
}

// Ends the wait when the manager's answer reaches our requestor window.
class SaveDone : public QAbstractNativeEventFilter {
 public:
  SaveDone(xcb_window_t requestor, QEventLoop& loop) : requestor_(requestor), loop_(loop) {}
  bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override {
    if (type != "xcb_generic_event_t") return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    if ((event->response_type & 0x7F) != XCB_SELECTION_NOTIFY) return false;
    if (reinterpret_cast<const xcb_selection_notify_event_t*>(event)->requestor != requestor_) {
      return false;
    }
    loop_.quit();
    return true;
  }

 private:
  xcb_window_t requestor_;
  QEventLoop& loop_;
};

xcb_connection_t* Connection() {
  auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  return x11 ? x11->connection() : nullptr;
}

}  // namespace

std::optional<bool> OwnsClipboardNow() {
  xcb_connection_t* c = Connection();
  if (!c) return std::nullopt;
  const xcb_atom_t clipboard = Atom(c, "CLIPBOARD");
  xcb_get_selection_owner_reply_t* reply =
      xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, clipboard), nullptr);
  if (!reply) return false;
  const xcb_window_t owner = reply->owner;
  std::free(reply);
  // Every id this client makes lies in its own range.
  const xcb_setup_t* setup = xcb_get_setup(c);
  return owner != XCB_NONE && (owner & ~setup->resource_id_mask) == setup->resource_id_base;
}

void HandOverClipboard(std::chrono::milliseconds limit) {
  QClipboard* clipboard = QGuiApplication::clipboard();
  if (!clipboard || !(clipboard->ownsClipboard() || clipboard->ownsSelection())) return;
  xcb_connection_t* c = Connection();
  if (!c) return;
  const xcb_atom_t manager = Atom(c, "CLIPBOARD_MANAGER");
  const xcb_atom_t save = Atom(c, "SAVE_TARGETS");
  const xcb_atom_t property = Atom(c, "TIVREL_SAVED");
  if (manager == XCB_ATOM_NONE || save == XCB_ATOM_NONE || property == XCB_ATOM_NONE) return;
  xcb_get_selection_owner_reply_t* owner =
      xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, manager), nullptr);
  const bool managed = owner && owner->owner != XCB_NONE;
  std::free(owner);
  if (!managed) return;

  // A window of our own to hear the answer on; the manager asks the
  // clipboard's owning window, which Qt answers as events are processed.
  const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
  if (!screen) return;
  const xcb_window_t requestor = xcb_generate_id(c);
  xcb_create_window(c, XCB_COPY_FROM_PARENT, requestor, screen->root, 0, 0, 1, 1, 0,
                    XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
  // With no property of targets given, the manager saves them all.
  xcb_convert_selection(c, requestor, manager, save, property, XCB_CURRENT_TIME);
  xcb_flush(c);

  QEventLoop loop;
  SaveDone done(requestor, loop);
  qGuiApp->installNativeEventFilter(&done);
  QTimer::singleShot(limit, &loop, &QEventLoop::quit);
  loop.exec(QEventLoop::ExcludeUserInputEvents);
  qGuiApp->removeNativeEventFilter(&done);
  xcb_destroy_window(c, requestor);
  xcb_flush(c);
}

#else

std::optional<bool> OwnsClipboardNow() { return std::nullopt; }

void HandOverClipboard(std::chrono::milliseconds) {}

#endif

}  // namespace tivrel::qt
