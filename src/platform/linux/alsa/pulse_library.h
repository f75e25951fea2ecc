// libpulse, loaded at run time: neither program needs it installed, and
// neither pays for loading it (some 25 libraries) unless a server may answer.
#pragma once

#include <pulse/context.h>
#include <pulse/error.h>
#include <pulse/introspect.h>
#include <pulse/mainloop.h>
#include <pulse/operation.h>
#include <pulse/proplist.h>
#include <pulse/stream.h>

#include <memory>

namespace tivrel::alsa {

// The libpulse calls of the sound server's question and of playing through
// the server; only the headers' types are compiled in.
// clang-format off
#define TIVREL_PULSE_CALLS(X)                                                               \
  X(pa_mainloop_new) X(pa_mainloop_free) X(pa_mainloop_get_api) X(pa_mainloop_prepare)      \
  X(pa_mainloop_poll) X(pa_mainloop_dispatch)                                               \
  X(pa_context_new) X(pa_context_connect) X(pa_context_disconnect) X(pa_context_unref)      \
  X(pa_context_get_state) X(pa_context_get_server_info) X(pa_context_get_sink_info_by_name) \
  X(pa_context_get_source_info_by_name)                                                     \
  X(pa_operation_get_state) X(pa_operation_cancel) X(pa_operation_unref)                    \
  X(pa_proplist_iterate) X(pa_proplist_gets)                                               \
  /* and those of playing through the server */                                             \
  X(pa_context_errno) X(pa_context_get_sink_info_list) X(pa_strerror)                       \
  X(pa_channel_map_init_auto) X(pa_stream_new) X(pa_stream_connect_playback)                \
  X(pa_stream_get_state) X(pa_stream_writable_size) X(pa_stream_write) X(pa_stream_drain)   \
  X(pa_stream_disconnect) X(pa_stream_unref)
// clang-format on

struct Pulse {
#define TIVREL_PULSE_MEMBER(name) decltype(&::name) name = nullptr;
  TIVREL_PULSE_CALLS(TIVREL_PULSE_MEMBER)
#undef TIVREL_PULSE_MEMBER
};

// libpulse bound at the first call and kept; null when it is not installed
// or lacks a call. Safe from any thread.
const Pulse* BoundPulse();

// Releases each libpulse object on every path: an operation still running is
// cancelled first, so that no answer arrives for a finished question.
struct Release {
  const Pulse* pa;
  void operator()(pa_mainloop* m) const { pa->pa_mainloop_free(m); }
  void operator()(pa_context* c) const {
    pa->pa_context_disconnect(c);
    pa->pa_context_unref(c);
  }
  void operator()(pa_operation* o) const {
    if (pa->pa_operation_get_state(o) == PA_OPERATION_RUNNING) pa->pa_operation_cancel(o);
    pa->pa_operation_unref(o);
  }
};
template <class T>
using Held = std::unique_ptr<T, Release>;

}  // namespace tivrel::alsa
