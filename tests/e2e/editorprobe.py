#!/usr/bin/python3
"""Looks at Korvane's editor for editor.sh and saving.sh: its controls
through the accessibility bus (AT-SPI), its pixels through screenshots of the
X screen, the pictures it writes through their bytes. Runs with Debian's
python3, which has pyatspi. Every look waits a few seconds for its condition,
so the flow never sleeps for a fixed time.

  editorprobe.py [--in TITLE] COMMAND ...
      --in looks for controls in the shown window titled TITLE (a dialog,
      a message box) instead of the editor window.
  editorprobe.py ready
      Waits until the accessibility registry answers.
  editorprobe.py box NAME
      Prints "X Y W H" of the editor's control named NAME, on the screen.
      A NAME of "about:DESCRIPTION" finds the control by its description
      instead, for the status panels, whose names are their changing texts;
      "role:ROLE:NAME" finds it by its role as well, where a label and its
      field share a name.
  editorprobe.py center NAME
      Prints the middle point "X Y" of that control.
  editorprobe.py text NAME [EXPECTED]
      Prints the control's text; with EXPECTED, first waits for that text.
  editorprobe.py enabled NAME yes|no
      Waits until the control is (or is not) enabled.
  editorprobe.py alert TITLE
      Prints the texts of the shown message box titled TITLE.
  editorprobe.py close WINDOW
      Asks the X window to close as a window manager's close button does
      (WM_DELETE_WINDOW).
  editorprobe.py file PATH bmp|jpeg|ico|png WxH TERM...
      Waits until the picture file is of that type and size (a 24-bit
      bottom-up BMP with the 54-byte header; a JPEG of quality 90, decoded
      by djpeg; a 766-byte 16-colour icon, its clear pixels shown on white;
      an 8-bit RGB PNG, decoded by ImageMagick)
      and every TERM below holds of its pixels.
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
        beyond:D:X1,Y1,X2,Y2[,...]=C
                              every pixel of a picture file farther than D
                              from all of the segments has the colour
      Colours: a name below, a hex "rrggbb", "dark" (every channel < 96), or
      "reddish" and "whitish", near red and white as JPEG keeps them.
  editorprobe.py page PAGE DPI landscape|portrait MARGIN WxH TERM...
      Checks a printed page, rendered into the PPM file PAGE at DPI: one
      picture of W x H pixels (a non-white frame at its edges), upright on
      a page of that orientation (a landscape page may come as a portrait
      sheet with its content turned a quarter anticlockwise), at the top left
      of the printable area, whose margins on every side are MARGIN ("3.53mm",
      "10pt"), as large as that area allows with its aspect ratio kept. The
      TERMs are those of pixels, in the picture's own coordinates, with each
      channel of the page read as on (>= 128) or off.
  editorprobe.py press NAME
      Presses the control through its accessible action, as assistive
      technology does: no pointer is used, so the input focus stays where
      it is.
  editorprobe.py menu X Y ENTRY
      Right-clicks at (X, Y) and walks the context menu that opens with the
      Down key; prints its entries as they are shown, " | " between them and
      "-" for a separator; then chooses ENTRY with Return.
"""
import math
import os
import subprocess
import sys
import tempfile
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


def named(node, name):
    if name.startswith('about:'):
        return node.description == name[6:]
    if name.startswith('role:'):
        role, _, name = name[5:].partition(':')
        return node.getRoleName() == role and node.name == name
    return node.name == name


def find(node, name):
    if named(node, name):
        return node
    for child in node:
        if child is not None:
            found = find(child, name)
            if found is not None:
                return found
    return None


# The title of the window --in names; None for the editor window.
WINDOW = None


def control(name):
    pyatspi, desk = desktop()

    def attempt():
        for window in windows(pyatspi, desk):
            if window.name == WINDOW if WINDOW else window.name.startswith(EDITOR_PREFIX):
                found = find(window, name)
                if found is not None:
                    return found
        return None
    where = f'the window [{WINDOW}]' if WINDOW else 'a shown editor window'
    return pyatspi, poll(attempt, lambda: f'no control named [{name}] in {where}')


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
    if name == 'reddish':
        return lambda p: p[0] >= 200 and max(p[1:]) <= 60
    if name == 'whitish':
        return lambda p: min(p) >= 225
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


def segment_distance(x, y, x1, y1, x2, y2):
    dx, dy = x2 - x1, y2 - y1
    t = ((x - x1) * dx + (y - y1) * dy) / (dx * dx + dy * dy or 1)
    t = min(1, max(0, t))
    return math.hypot(x - x1 - t * dx, y - y1 - t * dy)


def beyond_check(term):
    where, name = term.split('=')
    _, reach, coordinates = where.split(':')
    reach = float(reach)
    values = numbers(coordinates)
    segments = [values[i:i + 4] for i in range(0, len(values), 4)]
    match = colour(name)

    def near(x, y):
        return any(segment_distance(x, y, *s) <= reach for s in segments)

    def check(shot, ox, oy):
        bad = [(x, y) for y in range(shot.h - oy) for x in range(shot.w - ox)
               if not match(shot.at(ox + x, oy + y)) and not near(x, y)]
        if not bad:
            return None
        x, y = bad[0]
        return f'{len(bad)} pixels differ, the first ({x}, {y}) is {shot.at(ox + x, oy + y)}'
    return check


def term_check(term):
    """A function of (picture, ox, oy) giving None when the term holds, or
    what was found instead."""
    kind = term.split(':', 1)[0]
    if kind == 'beyond':
        return beyond_check(term)
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


# --- windows and files ---------------------------------------------------------

def close_window(window):
    import ctypes
    x11 = ctypes.cdll.LoadLibrary('libX11.so.6')
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x11.XInternAtom.restype = ctypes.c_ulong
    x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]

    class ClientMessage(ctypes.Structure):
        _fields_ = [('type', ctypes.c_int), ('serial', ctypes.c_ulong),
                    ('send_event', ctypes.c_int), ('display', ctypes.c_void_p),
                    ('window', ctypes.c_ulong), ('message_type', ctypes.c_ulong),
                    ('format', ctypes.c_int), ('data', ctypes.c_long * 5)]

    class Event(ctypes.Union):
        _fields_ = [('xclient', ClientMessage), ('pad', ctypes.c_long * 24)]

    x11.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                               ctypes.POINTER(Event)]
    x11.XFlush.argtypes = x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
    display = x11.XOpenDisplay(None)
    if not display:
        sys.exit('no X display')
    event = Event()
    event.xclient.type = 33  # ClientMessage
    event.xclient.window = window
    event.xclient.message_type = x11.XInternAtom(display, b'WM_PROTOCOLS', 0)
    event.xclient.format = 32
    event.xclient.data[0] = x11.XInternAtom(display, b'WM_DELETE_WINDOW', 0)
    x11.XSendEvent(display, window, 0, 0, ctypes.byref(event))
    x11.XFlush(display)
    x11.XCloseDisplay(display)


def read_bmp(data):
    """The pixels of a 24-bit bottom-up BMP with the plain 54-byte header,
    read here rather than by a library, so that the layout itself is
    checked."""
    def number(at, size, signed=False):
        return int.from_bytes(data[at:at + size], 'little', signed=signed)
    w, h = number(18, 4, True), number(22, 4, True)
    header = (data[:2], number(2, 4), number(10, 4), number(14, 4), number(26, 2),
              number(28, 2), number(30, 4))
    stride = (w * 3 + 3) & ~3
    want = (b'BM', len(data), 54, 40, 1, 24, 0)
    if header != want or h <= 0 or len(data) < 54 + stride * h:
        raise ValueError(f'not a 24-bit bottom-up BMP: header (magic, size, offset, info size, '
                         f'planes, bits, compression) {header}, {w} x {h}, {len(data)} bytes')
    picture = Picture.__new__(Picture)
    picture.w, picture.h = w, h
    rows = []
    for y in range(h - 1, -1, -1):
        row = bytearray(data[54 + y * stride:54 + y * stride + w * 3])
        row[0::3], row[2::3] = row[2::3], row[0::3]
        rows.append(bytes(row))
    picture.px = b''.join(rows)
    return picture


def read_jpeg(path, data):
    if data[:2] != b'\xff\xd8':
        raise ValueError(f'not a JPEG: it starts with {data[:4].hex(" ")}')
    quality = subprocess.run(['identify', '-format', '%Q', f'jpeg:{path}'],
                             capture_output=True, text=True).stdout
    if quality != '90':
        raise ValueError(f'a JPEG of quality {quality or "?"}, not 90')
    with tempfile.NamedTemporaryFile(suffix='.ppm') as decoded:
        subprocess.run(['djpeg', '-ppm', '-outfile', decoded.name, path],
                       check=True, capture_output=True)
        return Picture(decoded.name)


def read_icon(path, data):
    layout = (len(data), data[:6], data[6], data[7], data[36])
    if layout != (766, b'\0\0\1\0\1\0', 32, 32, 4):
        raise ValueError(f'not a 16-colour 32 x 32 icon: (bytes, header, width, height, '
                         f'bits) {layout}')
    with tempfile.NamedTemporaryFile(suffix='.ppm') as decoded:
        subprocess.run(['convert', f'ico:{path}', '-background', 'white', '-flatten',
                        '-depth', '8', f'ppm:{decoded.name}'], check=True, capture_output=True)
        return Picture(decoded.name)


def read_png(path, data):
    """A PNG as ImageMagick reads it: 8-bit RGB without alpha, as written."""
    if data[:8] != b'\x89PNG\r\n\x1a\n':
        raise ValueError(f'not a PNG: it starts with {data[:8].hex(" ")}')
    kind = subprocess.run(['identify', '-format', '%[png:IHDR.color-type-orig] %[png:IHDR.bit-depth-orig]',
                           f'png:{path}'], capture_output=True, text=True).stdout
    if kind != '2 8':
        raise ValueError(f'a PNG of colour type and depth [{kind}], not 8-bit RGB')
    with tempfile.NamedTemporaryFile(suffix='.ppm') as decoded:
        subprocess.run(['convert', f'png:{path}', '-depth', '8', f'ppm:{decoded.name}'],
                       check=True, capture_output=True)
        return Picture(decoded.name)


READERS = {'bmp': lambda path, data: read_bmp(data), 'jpeg': read_jpeg, 'ico': read_icon,
           'png': read_png}


def picture_file(path, kind, size, terms):
    checks = [(term, term_check(term)) for term in terms]
    failure = []

    def attempt():
        failure.clear()
        try:
            with open(path, 'rb') as f:
                data = f.read()
            picture = READERS[kind](path, data)
        except (OSError, ValueError, subprocess.CalledProcessError) as error:
            failure.append(f'{path}: {error}')
            return None
        if f'{picture.w}x{picture.h}' != size:
            failure.append(f'{path}: {picture.w} x {picture.h}, not {size}')
            return None
        failure.extend(f'{term}: {found}' for term, check in checks
                       if (found := check(picture, 0, 0)) is not None)
        return None if failure else True
    poll(attempt, lambda: '; '.join(failure))


# --- printed pages -------------------------------------------------------------

def length_pt(text):
    """A length as the print dialog shows it ("3.53mm"), in points."""
    for unit, points in (('mm', 72 / 25.4), ('pt', 1.0), ('in', 72.0)):
        if text.endswith(unit):
            return float(text[:-len(unit)]) * points
    raise ValueError(f'no known unit in the length [{text}]')


def content_box(page):
    """The box (x0, y0, x1, y1), right and bottom included, of the page's
    pixels with a channel below 128, or None for a blank page."""
    ink = bytes(1 if b < 128 else 0 for b in range(256))
    stride = page.w * 3
    top = bottom = left = right = None
    for y in range(page.h):
        row = page.px[y * stride:(y + 1) * stride].translate(ink)
        first = row.find(1)
        if first < 0:
            continue
        top = y if top is None else top
        bottom = y
        left = min(first // 3, left if left is not None else page.w)
        right = max(row.rfind(1) // 3, right if right is not None else 0)
    return None if top is None else (left, top, right, bottom)


class PrintedPicture:
    """The printed picture read in its own pixel coordinates. The print path
    moves plain colours by a step or two, so each channel reads as 0 or 255."""

    def __init__(self, at, box, size):
        self.page_at, (self.x0, self.y0, self.pw, self.ph) = at, box
        self.w, self.h = size

    def at(self, x, y):
        p = self.page_at(int(self.x0 + (x + 0.5) * self.pw / self.w),
                         int(self.y0 + (y + 0.5) * self.ph / self.h))
        return tuple(255 if c >= 128 else 0 for c in p)


def printed_page(path, dpi, orientation, margin, size, terms):
    sheet = Picture(path)
    w, h = (int(v) for v in size.split('x'))
    ink = content_box(sheet)
    if ink is None:
        sys.exit(f'{path}: a blank page')
    sx0, sy0, sx1, sy1 = ink
    turned = orientation == 'landscape' and sheet.h > sheet.w
    if orientation == 'portrait' and sheet.w > sheet.h:
        sys.exit(f'{path}: a landscape sheet for a portrait page')
    if turned:
        # Read the sheet turned a quarter clockwise.
        pw, ph = sheet.h, sheet.w
        x0, y0, x1, y1 = sheet.h - 1 - sy1, sx0, sheet.h - 1 - sy0, sx1

        def at(x, y):
            return sheet.at(y, sheet.h - 1 - x)
    else:
        pw, ph = sheet.w, sheet.h
        x0, y0, x1, y1 = sx0, sy0, sx1, sy1
        at = sheet.at
    m = length_pt(margin) * dpi / 72
    area_w, area_h = pw - 2 * m, ph - 2 * m
    if w * area_h > h * area_w:
        want_w, want_h, fills = area_w, area_w * h / w, 'width'
    else:
        want_w, want_h, fills = area_h * w / h, area_h, 'height'
    got_w, got_h = x1 - x0 + 1, y1 - y0 + 1
    sheet_note = ' (a portrait sheet, read turned)' if turned else ''
    # Two pixels: the page sizes that the print path rounds to whole points,
    # and the partly covered pixels at the picture's edges.
    if max(abs(x0 - m), abs(y0 - m), abs(got_w - want_w), abs(got_h - want_h)) > 2:
        sys.exit(f'{path}: on the {orientation} page of {pw} x {ph} px{sheet_note} the picture is '
                 f'{got_w} x {got_h} at ({x0}, {y0}); filling the printable {fills} it would be '
                 f'{want_w:.1f} x {want_h:.1f} at ({m:.1f}, {m:.1f})')
    picture = PrintedPicture(at, (x0, y0, got_w, got_h), (w, h))
    failure = [f'{term}: {found}' for term in terms
               if (found := term_check(term)(picture, 0, 0)) is not None]
    if failure:
        sys.exit(f'{path}{sheet_note}: ' + '; '.join(failure))


# --- context menus -------------------------------------------------------------

def context_menu(x, y, entry):
    # A popup menu is no child of the application on the bus: it is found by
    # the event that it shows. An entry's shown state cannot be read from it
    # either, since Qt keeps one accessible per action, owned by the first
    # menu that listed it; the entries the Down key reaches are the shown ones.
    import pyatspi
    from gi.repository import GLib
    heard, told = [], []

    def hear(event):
        try:
            role, name = event.source.getRoleName(), event.source.name
        except GLib.GError:
            return  # from an object already gone, such as a message box just closed
        heard.append((event.type.split(':')[-1], event.detail1, role, event.source))
        told.append(f'{event.type.split(":")[-1]}={event.detail1} {role} [{name}]')
    pyatspi.Registry.registerEventListener(
        hear, 'object:state-changed:showing', 'object:state-changed:focused')
    # The program learns of a new listener asynchronously; a call answered by
    # it after the registration means it sends the events.
    list(windows(*desktop()))
    context = GLib.MainContext.default()

    def event(wanted, what):
        """The first event heard from now on of those wanted: a dict of
        (kind, on, role) to what to return for it."""
        def attempt():
            while context.iteration(False):
                pass
            while heard:
                kind, on, role, source = heard.pop(0)
                key = (kind, on, role)
                if key in wanted:
                    return wanted[key], source
            return None
        return poll(attempt, lambda: f'{what}; heard: {"; ".join(told)}')

    def key(name):
        subprocess.run(['xdotool', 'key', name], check=True)

    def down():
        key('Down')
        found, item = event({('focused', 1, 'menu item'): 'entry',
                             ('showing', 0, 'popup menu'): 'closed'}, 'Down reached no entry')
        return item.name if found == 'entry' else None

    # A menu opened just after the program's last window has hidden may be
    # closed again at once: Qt deactivates the program a moment after it loses
    # the input focus, which closes popups. As a person would, the menu is
    # opened again then, a moment later.
    for attempt in range(3):
        if attempt:
            time.sleep(0.5)
        subprocess.run(['xdotool', 'mousemove', x, y, 'click', '3'], check=True)
        _, menu = event({('showing', 1, 'popup menu'): 'shown'}, f'no menu opened at ({x}, {y})')
        # While no window of the program has the input focus, keys go to the
        # window under the pointer: the pointer rests on the menu, on a
        # separator rather than an entry, which it would choose.
        rest = next((item for item in menu if item.getRoleName() == 'separator'
                     and item.getState().contains(pyatspi.STATE_VISIBLE)), menu)
        box = rest.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        subprocess.run(['xdotool', 'mousemove', str(box.x + box.width // 2),
                        str(box.y + box.height // 2)], check=True)
        first = down()
        if first is not None:
            break
    else:
        sys.exit(f'the menu at ({x}, {y}) closes as it opens; heard: {"; ".join(told)}')
    reached = [first]
    while len(reached) <= menu.childCount and (name := down()) != reached[0]:
        if name is None:
            sys.exit(f'the menu at ({x}, {y}) closed; heard: {"; ".join(told)}')
        reached.append(name)
    shown = []
    for item in menu:
        if item.getRoleName() == 'separator':
            if item.getState().contains(pyatspi.STATE_VISIBLE):
                shown.append('-')
        elif item.name in reached:
            shown.append(item.name)
    print(' | '.join(shown))
    if entry not in reached:
        key('Escape')
        sys.exit(f'the menu has no entry [{entry}]: {" | ".join(shown)}')
    # The focus is on reached[0] again.
    for _ in range(reached.index(entry)):
        down()
    key('Return')


def main(argv):
    global WINDOW
    if argv[1] == '--in':
        WINDOW, argv = argv[2], argv[:1] + argv[3:]
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
    elif command == 'close':
        close_window(int(args[0]))
    elif command == 'file':
        picture_file(args[0], args[1], args[2], args[3:])
    elif command == 'page':
        printed_page(args[0], int(args[1]), args[2], args[3], args[4], args[5:])
    elif command == 'press':
        control(args[0])[1].queryAction().doAction(0)
    elif command == 'menu':
        context_menu(*args[:3])
    else:
        sys.exit(f'unknown command {command}')


if __name__ == '__main__':
    main(sys.argv)
