#include "framework/event_sink.h"

#include "framework/app.h"

namespace tivrel {

void AppEventSink::OnClick(FormId form, ControlRef control) {
  if (app_) app_->Click(form, control);
}

void AppEventSink::OnMenuClick(FormId form, std::string_view item) {
  if (app_) app_->MenuClick(form, item);
}

void AppEventSink::OnGotFocus(FormId form, ControlRef control) {
  if (app_) app_->GotFocus(form, control);
}

void AppEventSink::OnMouseDown(FormId form, ControlRef control, int16_t button, int16_t shift,
                               float x, float y) {
  if (app_) app_->MouseDown(form, control, button, shift, x, y);
}

void AppEventSink::OnUserClose(FormId form) {
  if (app_) app_->UserClose(form);
}

}  // namespace tivrel
