#!/usr/bin/env python3
"""Two other clients of the X clipboard, for the end-to-end tests.

  manager  a clipboard manager as freedesktop.org describes it: owns
           CLIPBOARD_MANAGER; asked for SAVE_TARGETS it copies the clipboard's
           text, takes the clipboard over and serves the copy from then on.
  hostile  takes the clipboard, takes it back the moment it loses it and
           never answers a request for its content.

Each prints "ready" once it holds its selection, then runs until killed.
"""
import sys

try:
    import Xlib  # noqa: F401
except ImportError:  # an interpreter other than the system's: Debian's python3-xlib
    sys.path.append("/usr/lib/python3/dist-packages")
from Xlib import X, Xatom, display  # noqa: E402
from Xlib.protocol import event  # noqa: E402


def notify(request, prop):
    answer = event.SelectionNotify(time=request.time, requestor=request.requestor,
                                   selection=request.selection, target=request.target,
                                   property=prop)
    request.requestor.send_event(answer, 0)


def manager(d, window, atom):
    window.set_selection_owner(atom("CLIPBOARD_MANAGER"), X.CurrentTime)
    d.flush()
    print("ready", flush=True)
    saved, pending = None, None
    while True:
        e = d.next_event()
        if e.type == X.SelectionRequest:
            if e.selection == atom("CLIPBOARD_MANAGER") and e.target == atom("SAVE_TARGETS"):
                pending = e
                window.convert_selection(atom("CLIPBOARD"), atom("UTF8_STRING"), atom("SAVED"),
                                         X.CurrentTime)
            elif e.selection == atom("CLIPBOARD") and saved is not None:
                if e.target == atom("TARGETS"):
                    e.requestor.change_property(e.property, Xatom.ATOM, 32,
                                                [atom("UTF8_STRING"), atom("TARGETS")])
                    notify(e, e.property)
                elif e.target == atom("UTF8_STRING"):
                    e.requestor.change_property(e.property, atom("UTF8_STRING"), 8, saved)
                    notify(e, e.property)
                else:
                    notify(e, X.NONE)
            else:
                notify(e, X.NONE)
        elif e.type == X.SelectionNotify and pending is not None:
            ok = e.property != X.NONE
            if ok:
                saved = window.get_full_property(atom("SAVED"), X.AnyPropertyType).value
                window.set_selection_owner(atom("CLIPBOARD"), X.CurrentTime)
            notify(pending, pending.property if ok else X.NONE)
            pending = None
        elif e.type == X.SelectionClear and e.atom == atom("CLIPBOARD"):
            saved = None
        d.flush()


def hostile(d, window, atom):
    window.set_selection_owner(atom("CLIPBOARD"), X.CurrentTime)
    d.flush()
    print("ready", flush=True)
    while True:
        e = d.next_event()
        if e.type == X.SelectionClear:
            window.set_selection_owner(atom("CLIPBOARD"), X.CurrentTime)
            d.flush()


def main():
    d = display.Display()
    window = d.screen().root.create_window(0, 0, 1, 1, 0, X.CopyFromParent)
    atoms = {}

    def atom(name):
        if name not in atoms:
            atoms[name] = d.intern_atom(name)
        return atoms[name]

    {"manager": manager, "hostile": hostile}[sys.argv[1]](d, window, atom)


if __name__ == "__main__":
    main()
