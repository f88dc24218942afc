#!/usr/bin/python3
"""Walks every window of the running vpcounter processes through at-spi, as a
screen reader sees them, and fails on what a blind player could not use:
a control without a name, a value not tied to its caption, a picture that is
neither named nor hidden, a table without cells, a focusable object with no
role, a counter window that is
not announced.

Usage: atspi_walk.py --windows N [--timeout S]
Waits until N top-level windows of the applications are in the tree.
"""
import argparse
import sys
import time

import pyatspi

NAMED_ROLES = {
    pyatspi.ROLE_PUSH_BUTTON, pyatspi.ROLE_CHECK_BOX, pyatspi.ROLE_RADIO_BUTTON,
    pyatspi.ROLE_COMBO_BOX, pyatspi.ROLE_TEXT, pyatspi.ROLE_ENTRY,
    pyatspi.ROLE_SPIN_BUTTON, pyatspi.ROLE_SLIDER, pyatspi.ROLE_MENU_ITEM,
    pyatspi.ROLE_MENU, pyatspi.ROLE_PAGE_TAB, pyatspi.ROLE_LIST,
    pyatspi.ROLE_TREE, pyatspi.ROLE_TREE_TABLE, pyatspi.ROLE_TABLE,
    pyatspi.ROLE_TABLE_CELL, pyatspi.ROLE_TOGGLE_BUTTON,
}
VALUE_ROLES = {
    pyatspi.ROLE_COMBO_BOX, pyatspi.ROLE_TEXT, pyatspi.ROLE_ENTRY,
    pyatspi.ROLE_SPIN_BUTTON, pyatspi.ROLE_SLIDER,
}
PICTURE_ROLES = {pyatspi.ROLE_IMAGE, pyatspi.ROLE_ICON}
SHAPELESS_ROLES = {pyatspi.ROLE_FILLER, pyatspi.ROLE_PANEL, pyatspi.ROLE_UNKNOWN}
WINDOW_ROLES = {pyatspi.ROLE_FRAME, pyatspi.ROLE_DIALOG, pyatspi.ROLE_WINDOW,
                pyatspi.ROLE_NOTIFICATION, pyatspi.ROLE_ALERT}


def showing(acc):
    try:
        return acc.getState().contains(pyatspi.STATE_SHOWING)
    except Exception:
        return False


def relations(acc, kind):
    try:
        return [r for r in acc.getRelationSet() if r.getRelationType() == kind]
    except Exception:
        return []


def shown_text(acc):
    try:
        text = acc.queryText()
        return text.getText(0, text.characterCount)
    except Exception:
        return ""


def path_of(acc):
    parts = []
    while acc is not None and acc.getRole() != pyatspi.ROLE_APPLICATION:
        parts.append("%s '%s'" % (acc.getRoleName(), acc.name))
        acc = acc.parent
    return " < ".join(parts)


class Walk:
    def __init__(self):
        self.faults = []
        self.seen = 0

    def fault(self, acc, why):
        self.faults.append("%s: %s" % (path_of(acc), why))

    def check(self, acc):
        role = acc.getRole()
        name = (acc.name or "").strip()
        self.seen += 1
        if role in NAMED_ROLES and not name and not relations(acc, pyatspi.RELATION_LABELLED_BY):
            self.fault(acc, "no name")
        if role in VALUE_ROLES:
            value = shown_text(acc).strip()
            tied = relations(acc, pyatspi.RELATION_LABELLED_BY)
            if not tied and (not name or name == value):
                self.fault(acc, "its value is read without a caption")
        if role in SHAPELESS_ROLES and acc.getState().contains(pyatspi.STATE_FOCUSABLE):
            self.fault(acc, "takes the keyboard focus but says not what it is")
        if role in PICTURE_ROLES and not name:
            self.fault(acc, "a picture with neither a name nor hidden")
        if role == pyatspi.ROLE_TABLE:
            self.check_table(acc)

    def check_table(self, acc):
        try:
            table = acc.queryTable()
        except NotImplementedError:
            self.fault(acc, "a table without rows and columns")
            return
        cells = 0
        for row in range(table.nRows):
            for column in range(table.nColumns):
                cell = table.getAccessibleAt(row, column)
                if cell is None:
                    continue
                cells += 1
                if not (cell.name or "").strip():
                    self.fault(cell, "a table cell without text")
        if cells == 0:
            self.fault(acc, "a table whose cells cannot be reached")

    def check_captions(self, container):
        """Where a group pairs captions with values, every label takes part."""
        labels = [c for c in container if c is not None and showing(c)
                  and c.getRole() == pyatspi.ROLE_LABEL and (c.name or "").strip()]
        paired = [c for c in labels if relations(c, pyatspi.RELATION_LABEL_FOR)]
        if len(paired) < 2:
            return
        for label in labels:
            if not relations(label, pyatspi.RELATION_LABEL_FOR) and \
               not relations(label, pyatspi.RELATION_LABELLED_BY):
                self.fault(label, "a value or caption not tied to its partner")

    def walk(self, acc, depth=0):
        if acc is None or depth > 40 or not showing(acc):
            return  # hidden (decorative pictures, closed menus) is not read
        self.check(acc)
        self.check_captions(acc)
        for child in acc:
            self.walk(child, depth + 1)


def windows():
    found = []
    desktop = pyatspi.Registry.getDesktop(0)
    for app in desktop:
        if app is None:
            continue
        for window in app:
            if window is not None and window.getRole() in WINDOW_ROLES and showing(window):
                found.append(window)
    return found


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--windows", type=int, required=True)
    parser.add_argument("--timeout", type=float, default=30)
    parser.add_argument("--announce", help="text the counter window must be announced with")
    args = parser.parse_args()
    deadline = time.monotonic() + args.timeout
    found = windows()
    while len(found) < args.windows and time.monotonic() < deadline:
        time.sleep(0.5)
        found = windows()
    if len(found) < args.windows:
        print("only %d of %d windows reached the accessibility tree: %s"
              % (len(found), args.windows, [w.name for w in found]))
        return 1
    walk = Walk()
    announced = False
    for window in found:
        print("window %s '%s'" % (window.getRoleName(), window.name))
        if not (window.name or "").strip():
            walk.fault(window, "a window without a title")
        walk.walk(window)
        if window.getRole() in (pyatspi.ROLE_NOTIFICATION, pyatspi.ROLE_ALERT):
            announced |= args.announce is None or args.announce in (window.name or "")
    if args.announce is not None and not announced:
        walk.faults.append("no notification window announces '%s'" % args.announce)
    for fault in walk.faults:
        print("FAULT " + fault)
    print("walked %d windows, %d objects, %d faults" % (len(found), walk.seen, len(walk.faults)))
    return 1 if walk.faults else 0


if __name__ == "__main__":
    sys.exit(main())
