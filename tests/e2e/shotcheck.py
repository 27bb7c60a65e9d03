#!/usr/bin/env python3
"""Checks what a screenshot of Korvane's editor shows.

  shotcheck.py locate SHOT.ppm WX WY WW WH REF.ppm
      Finds the reference picture inside the window (WX, WY, WW, WH) of the
      screenshot and checks that every visible pixel of it is shown exactly.
      Prints the picture's offset inside the window.
  shotcheck.py drawing SHOT.ppm WX WY WW WH DX DY PW PH
      Checks that the picture area at (DX, DY) of size PW x PH inside the
      window holds a drawing on white, with the silver scroll box around it.
"""
import sys

SILVER = (192, 192, 192)
WHITE = (255, 255, 255)
# Scroll bars and the window's frame may cover the right and bottom edges.
EDGE = 24


def read_ppm(path):
    with open(path, 'rb') as f:
        data = f.read()
    fields, pos = [], 0
    while len(fields) < 4:
        while data[pos:pos + 1].isspace():
            pos += 1
        if data[pos:pos + 1] == b'#':
            pos = data.index(b'\n', pos)
            continue
        end = pos
        while not data[end:end + 1].isspace():
            end += 1
        fields.append(data[pos:end])
        pos = end
    pos += 1
    magic, w, h, maxval = fields[0], int(fields[1]), int(fields[2]), int(fields[3])
    if magic != b'P6' or maxval != 255:
        sys.exit(f'{path}: not an 8-bit PPM')
    return w, h, data[pos:pos + w * h * 3]


class Picture:
    def __init__(self, path):
        self.w, self.h, self.px = read_ppm(path)

    def at(self, x, y):
        i = (y * self.w + x) * 3
        return tuple(self.px[i:i + 3])


def locate(shot, wx, wy, ww, wh, ref):
    block = min(8, ref.w, ref.h)
    want = [[ref.at(x, y) for x in range(block)] for y in range(block)]
    for dy in range(0, min(160, wh - block)):
        for dx in range(0, min(40, ww - block)):
            if all(shot.at(wx + dx + x, wy + dy + y) == want[y][x]
                   for y in range(block) for x in range(block)):
                visible_w = min(ref.w, ww - EDGE - dx)
                visible_h = min(ref.h, wh - EDGE - dy)
                bad = [(x, y) for y in range(visible_h) for x in range(visible_w)
                       if shot.at(wx + dx + x, wy + dy + y) != ref.at(x, y)]
                if bad:
                    x, y = bad[0]
                    sys.exit(f'{len(bad)} of {visible_w * visible_h} pixels differ; first at '
                             f'({x}, {y}): shown {shot.at(wx + dx + x, wy + dy + y)}, '
                             f'picture {ref.at(x, y)}')
                print(dx, dy)
                return
    sys.exit('the picture is not shown in the window')


def drawing(shot, wx, wy, ww, wh, dx, dy, pw, ph):
    inside = [shot.at(wx + dx + x, wy + dy + y) for y in range(ph) for x in range(pw)]
    white = sum(p == WHITE for p in inside)
    ink = sum(p != WHITE and p != SILVER for p in inside)
    if white < len(inside) // 4 or ink == 0:
        sys.exit(f'no drawing on white: {white} white and {ink} drawn pixels of {len(inside)}')
    right = shot.at(wx + dx + pw + 2, wy + dy + ph // 2)
    below = shot.at(wx + dx + pw // 2, wy + dy + ph + 2)
    if right != SILVER or below != SILVER:
        sys.exit(f'the picture is not {pw} x {ph}: beside it {right}, below it {below}')
    print(f'{white} white and {ink} drawn pixels')


def main(argv):
    mode, shot = argv[1], Picture(argv[2])
    geometry = [int(v) for v in argv[3:7]]
    if mode == 'locate':
        locate(shot, *geometry, Picture(argv[7]))
    elif mode == 'drawing':
        drawing(shot, *geometry, *[int(v) for v in argv[7:11]])
    else:
        sys.exit(f'unknown mode {mode}')


if __name__ == '__main__':
    main(sys.argv)
