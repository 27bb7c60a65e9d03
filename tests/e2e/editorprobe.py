#!/usr/bin/python3
"""Looks at Korvane's editor for editor.sh: its controls through the
accessibility bus (AT-SPI), its pixels through screenshots of the X screen.
Runs with Debian's python3, which has pyatspi. Every look waits a few seconds
for its condition, so the flow never sleeps for a fixed time.

  editorprobe.py ready
      Waits until the accessibility registry answers.
  editorprobe.py box NAME
      Prints "X Y W H" of the editor's control named NAME, on the screen.
      A NAME of "about:DESCRIPTION" finds the control by its description
      instead, for the status panels, whose names are their changing texts.
  editorprobe.py center NAME
      Prints the middle point "X Y" of that control.
  editorprobe.py text NAME [EXPECTED]
      Prints the control's text; with EXPECTED, first waits for that text.
  editorprobe.py enabled NAME yes|no
      Waits until the control is (or is not) enabled.
  editorprobe.py alert TITLE
      Prints the texts of the shown message box titled TITLE.
  editorprobe.py pixels SHOT OX OY TERM...
      Screenshots into SHOT until every TERM holds of the screen, with
      coordinates counted from (OX, OY). Terms:
        X,Y=COLOUR            the pixel has the colour
        along:X1,Y1,X2,Y2=C   points along the segment have the colour
        head:X1,Y1,X2,Y2=C    the two points beside the segment, 15 px back
                              from (X2, Y2) and 4 px off its middle, which
                              only an arrow head covers
        min:X0,Y0,X1,Y1:C:N   at least N pixels of the box (right and
                              bottom excluded) have the colour
        none:X0,Y0,X1,Y1:C    no pixel of the box has it
        all:X0,Y0,X1,Y1:C     every pixel of the box has it
      Colours: a name below, a hex "rrggbb", or "dark" (every channel < 96).
"""
import math
import os
import subprocess
import sys
import time

sys.dont_write_bytecode = True  # no cache files beside the tests
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from shotcheck import Picture  # noqa: E402

WAIT = 5.0
EDITOR_PREFIX = '\u3000Korvane\u3000\u3000'
COLOURS = {
    'black': (0, 0, 0), 'white': (255, 255, 255), 'red': (255, 0, 0),
    'blue': (0, 0, 255), 'yellow': (255, 255, 0), 'aqua': (0, 255, 255),
    'silver': (192, 192, 192),
}


def poll(attempt, what):
    """Calls attempt() until it returns something other than None."""
    deadline = time.monotonic() + WAIT
    while True:
        result = attempt()
        if result is not None:
            return result
        if time.monotonic() > deadline:
            sys.exit(what())
        time.sleep(0.05)


# --- accessibility -----------------------------------------------------------

def desktop():
    import pyatspi
    return pyatspi, pyatspi.Registry.getDesktop(0)


def windows(pyatspi, desk):
    for app in desk:
        if app is None or app.name != 'Korvane':
            continue
        app.clearCache()
        for window in app:
            if window is not None and window.getState().contains(pyatspi.STATE_SHOWING):
                yield window


def find(node, name):
    if name.startswith('about:'):
        if node.description == name[6:]:
            return node
    elif node.name == name:
        return node
    for child in node:
        if child is not None:
            found = find(child, name)
            if found is not None:
                return found
    return None


def control(name):
    pyatspi, desk = desktop()

    def attempt():
        for window in windows(pyatspi, desk):
            if window.name.startswith(EDITOR_PREFIX):
                found = find(window, name)
                if found is not None:
                    return found
        return None
    return pyatspi, poll(attempt, lambda: f'no control named [{name}] in a shown editor window')


def extents(name):
    pyatspi, node = control(name)
    e = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    return e.x, e.y, e.width, e.height


def text_of(node):
    node.clearCache()  # a label's text is its name, which changes
    try:
        return node.queryText().getText(0, -1)
    except NotImplementedError:
        return node.name


def labels(node):
    found = []
    if node.getRoleName() == 'label' and node.name:
        found.append(node.name)
    for child in node:
        if child is not None:
            found.extend(labels(child))
    return found


# --- pixels ------------------------------------------------------------------

def colour(name):
    if name in COLOURS:
        return lambda p, c=COLOURS[name]: p == c
    if name == 'dark':
        return lambda p: max(p) < 96
    want = tuple(int(name[i:i + 2], 16) for i in (0, 2, 4))
    return lambda p: p == want


def numbers(text):
    return [int(v) for v in text.split(',')]


def segment_points(x1, y1, x2, y2):
    return [(round(x1 + (x2 - x1) * t / 10), round(y1 + (y2 - y1) * t / 10)) for t in range(1, 10)]


def head_points(x1, y1, x2, y2):
    # A 5-px pen covers 2.5 px on each side of the segment; the head of a
    # 5-px arrow reaches 21 px back from its tip and 4 px to each side at
    # 15 px back, so 4 px off the middle there only the head is drawn.
    length = math.hypot(x1 - x2, y1 - y2)
    ux, uy = (x1 - x2) / length, (y1 - y2) / length
    bx, by = x2 + 15 * ux, y2 + 15 * uy
    return [(math.floor(bx + s * 4 * uy), math.floor(by - s * 4 * ux)) for s in (1, -1)]


def term_check(term):
    """A function of (picture, ox, oy) giving None when the term holds, or
    what was found instead."""
    kind = term.split(':', 1)[0]
    if kind in ('min', 'none', 'all'):
        fields = term.split(':')
        x0, y0, x1, y1 = numbers(fields[1])
        match = colour(fields[2])
        total = (x1 - x0) * (y1 - y0)
        if kind == 'min':
            least, most = int(fields[3]), total
        else:
            least = most = 0 if kind == 'none' else total

        def check(shot, ox, oy):
            n = sum(match(shot.at(ox + x, oy + y)) for y in range(y0, y1) for x in range(x0, x1))
            return None if least <= n <= most else f'{n} of {total} pixels'
        return check
    where, name = term.split('=')
    if where.startswith('along:'):
        points = segment_points(*numbers(where[6:]))
    elif where.startswith('head:'):
        points = head_points(*numbers(where[5:]))
    else:
        points = [tuple(numbers(where))]
    match = colour(name)

    def check(shot, ox, oy):
        for x, y in points:
            p = shot.at(ox + x, oy + y)
            if not match(p):
                return f'({x}, {y}) is {p}'
        return None
    return check


def screenshot(path):
    subprocess.run(['import', '-window', 'root', '-depth', '8', path], check=True)
    return Picture(path)


def pixels(path, ox, oy, terms):
    checks = [(term, term_check(term)) for term in terms]
    failure = []

    def attempt():
        shot = screenshot(path)
        failure.clear()
        failure.extend(f'{term}: {found}' for term, check in checks
                       if (found := check(shot, ox, oy)) is not None)
        return None if failure else True
    poll(attempt, lambda: '; '.join(failure))


def main(argv):
    command, args = argv[1], argv[2:]
    if command == 'ready':
        # Without the bus the library aborts the process: ask in a child.
        probe = [sys.executable, '-c', 'import pyatspi; pyatspi.Registry.getDesktop(0).childCount']
        poll(lambda: True if subprocess.run(probe, stderr=subprocess.DEVNULL,
                                            timeout=10).returncode == 0
             else None, lambda: 'the accessibility bus does not answer')
    elif command == 'box':
        print(*extents(args[0]))
    elif command == 'center':
        x, y, w, h = extents(args[0])
        print(x + w // 2, y + h // 2)
    elif command == 'text':
        _, node = control(args[0])
        shown = [text_of(node)]
        if len(args) > 1:
            def attempt():
                shown[0] = text_of(node)
                return True if shown[0] == args[1] else None
            poll(attempt, lambda: f'[{args[0]}] shows [{shown[0]}], not [{args[1]}]')
        print(shown[0])
    elif command == 'enabled':
        pyatspi, node = control(args[0])
        want = args[1] == 'yes'

        def attempt():
            node.clearCache()
            return True if node.getState().contains(pyatspi.STATE_ENABLED) == want else None
        poll(attempt, lambda: f'[{args[0]}] is {"not " if want else ""}enabled')
    elif command == 'alert':
        pyatspi, desk = desktop()
        box = poll(lambda: next((w for w in windows(pyatspi, desk) if w.name == args[0]), None),
                   lambda: f'no message box titled [{args[0]}]')
        print('\n'.join(labels(box)))
    elif command == 'pixels':
        pixels(args[0], int(args[1]), int(args[2]), args[3:])
    else:
        sys.exit(f'unknown command {command}')


if __name__ == '__main__':
    main(sys.argv)
