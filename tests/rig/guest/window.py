#!/usr/bin/python3
"""Reads the tool's windows through the AT-SPI accessibility bridge, as a screen reader would.

Each control is one line: role, description, text (its name where it has no text) and "checked"
for a ticked box or chosen option, separated by tabs. A label's description is its screen-reader
name ("카드 처리 상태" for Label1), a port option's is its tooltip (the device).
  window.py dump                          every control of every window of the tool
  window.py wait SECONDS REGEX...         until each pattern matches a control's line; prints them
  window.py centre REGEX SECONDS          the screen point at the middle of the matching control
  window.py watch-loss TTY DESCRIPTION REGEX [SECONDS]
                                          the milliseconds from the kernel removing TTY to the
                                          control of that description showing a matching line
"""
import os
import re
import sys
import time

import pyatspi
from gi.repository import Atspi

# AT-SPI gives up on the tool's answer to a call after 0.8 s, which a loaded, emulated guest
# exceeds; only a hang should take ten minutes.
try:
    Atspi.set_timeout(600000, 600000)
except AttributeError:
    pass


def tool():
    for app in pyatspi.Registry.getDesktop(0):
        if app is not None and app.name == "novard-demo":
            return app
    return None


def nodes(accessible):
    yield accessible
    for child in accessible:
        # The address box's drop-down list (45 entries) would only slow every look.
        if child is not None and not (
            accessible.getRole() == pyatspi.ROLE_COMBO_BOX and child.getRole() == pyatspi.ROLE_LIST
        ):
            yield from nodes(child)


def line(node):
    try:
        text = node.queryText().getText(0, -1)
    except NotImplementedError:
        text = node.name
    checked = node.getState().contains(pyatspi.STATE_CHECKED)
    return "\t".join([node.getRoleName(), node.description, text, "checked" if checked else ""])


def controls():
    app = tool()
    if app is None:
        return []
    try:
        return [(node, line(node)) for node in nodes(app)]
    except Exception:  # a window closing while it is walked
        return []


def find(seconds, *patterns):
    """The first control matching each pattern, once all of them match at the same look."""
    expressions = [re.compile(pattern) for pattern in patterns]
    deadline = time.monotonic() + float(seconds)
    shown = []
    while time.monotonic() < deadline:
        shown = controls()
        found = [next((hit for hit in shown if e.search(hit[1])), None) for e in expressions]
        if all(found):
            return found
        time.sleep(0.05)
    missing = [p for p, e in zip(patterns, expressions) if not any(e.search(t) for _, t in shown)]
    print("no control matches " + " nor ".join(missing) + "; the windows show:")
    print("\n".join(text for _, text in shown))
    sys.exit(1)


def watch_loss(tty, description, pattern, seconds=1100):
    node = find(seconds, "^[^\t]*\t" + re.escape(description) + "\t")[0][0]
    device = "/sys/class/tty/" + tty
    if not os.path.exists(device):
        sys.exit(tty + " is not there")
    print("watching", flush=True)
    expression = re.compile(pattern)
    deadline = time.monotonic() + float(seconds)
    gone = None
    while time.monotonic() < deadline:
        if gone is None and not os.path.exists(device):
            gone = time.monotonic()
        try:
            text = line(node)
        except Exception:  # no answer yet from a busy tool
            continue
        if gone is not None and expression.search(text):
            print(text)
            print("shown %d ms after %s left" % ((time.monotonic() - gone) * 1000, tty))
            return
        time.sleep(0.01)
    sys.exit("%s %s; the control shows: %s" % (tty, "left" if gone else "stayed", line(node)))


def main():
    command = sys.argv[1]
    if command == "dump":
        print("\n".join(text for _, text in controls()))
    elif command == "wait":
        print("\n".join(text for _, text in find(*sys.argv[2:])))
    elif command == "centre":
        node = find(sys.argv[3], sys.argv[2])[0][0]
        box = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        print(box.x + box.width // 2, box.y + box.height // 2)
    elif command == "watch-loss":
        watch_loss(*sys.argv[2:])


main()
