# SPDX-License-Identifier: GPL-3.0-or-later
"""A minimal X11 clipboard manager for the whole-program test.

Owns the CLIPBOARD_MANAGER selection and prints "ready". When a closing
program asks it to SAVE_TARGETS, it converts CLIPBOARD to UTF8_STRING on a
property of its own window, prints "saved=" and the text's UTF-8 bytes in
hex, then tells the program the content is saved, and exits. Anything else
it is asked is refused. Needs python3-xlib.
"""

import sys

from Xlib import X, display
from Xlib.protocol import event


def reply(d, request, prop):
    notify = event.SelectionNotify(
        time=request.time,
        requestor=request.requestor,
        selection=request.selection,
        target=request.target,
        property=prop,
    )
    request.requestor.send_event(notify)
    d.flush()


def next_property_notify(d, window):
    while True:
        e = d.next_event()
        if e.type == X.PropertyNotify and e.window == window:
            return e


def fetch_clipboard(d, window, when):
    """The CLIPBOARD's text, or None when its owner does not give it."""
    clipboard = d.intern_atom("CLIPBOARD")
    utf8 = d.intern_atom("UTF8_STRING")
    saved = d.intern_atom("ROVADOD_SAVED")
    incr = d.intern_atom("INCR")
    window.convert_selection(clipboard, utf8, saved, when)
    d.flush()
    while True:
        notify = d.next_event()
        if notify.type == X.SelectionNotify and notify.requestor == window:
            break
    if notify.property == X.NONE:
        return None
    prop = window.get_full_property(saved, X.AnyPropertyType)
    if prop is None:
        return None
    if prop.property_type != incr:
        window.delete_property(saved)
        d.flush()
        return bytes(prop.value)
    # Large content comes in pieces, each announced by a new property value.
    data = b""
    window.delete_property(saved)
    d.flush()
    while True:
        e = next_property_notify(d, window)
        if e.atom != saved or e.state != X.PropertyNewValue:
            continue
        piece = window.get_full_property(saved, X.AnyPropertyType)
        window.delete_property(saved)
        d.flush()
        if piece is None or len(piece.value) == 0:
            return data
        data += bytes(piece.value)


def main():
    d = display.Display()
    screen = d.screen()
    window = screen.root.create_window(
        0, 0, 1, 1, 0, screen.root_depth, event_mask=X.PropertyChangeMask
    )
    manager = d.intern_atom("CLIPBOARD_MANAGER")
    save_targets = d.intern_atom("SAVE_TARGETS")
    window.set_selection_owner(manager, X.CurrentTime)
    if d.get_selection_owner(manager) != window:
        print("error=another clipboard manager runs", flush=True)
        return 1
    print("ready", flush=True)
    while True:
        e = d.next_event()
        if e.type != X.SelectionRequest:
            continue
        if e.selection != manager or e.target != save_targets:
            reply(d, e, X.NONE)
            continue
        text = fetch_clipboard(d, window, e.time)
        if text is None:
            print("error=the clipboard's owner gave nothing", flush=True)
            reply(d, e, X.NONE)
            return 1
        print("saved=" + text.hex(), flush=True)
        reply(d, e, e.property)
        return 0


if __name__ == "__main__":
    sys.exit(main())
