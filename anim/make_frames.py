#!/usr/bin/env python3
"""Writes the nine frames of the icon animation as 16 x 16 bitmaps with 256
colours (8 bits per pixel, uncompressed): frame1.bmp .. frame9.bmp.

A pair of eyes on a blue background: 1 lids half closed (the bar's resting
face), 2 and 3 opening, 4 wide open looking ahead, 5 to 9 the pupils rolling
round (right, up right, up left, down left on a darker blue, down right).

Usage: make_frames.py OUTPUT_FOLDER
"""
import os
import struct
import sys

# Palette: the first entries are the face's colours (R, G, B); the rest stay
# black.
PALETTE = {
    'b': (0, 0, 255),      # background
    'd': (0, 0, 160),      # darker background (frame 8)
    'k': (0, 0, 0),        # outline, pupils
    's': (192, 192, 192),  # lids
    'w': (255, 255, 255),  # eyeball
    'n': (0, 0, 128),      # mouth
}
ORDER = 'bdkswn'

# The inside of one eye: 4 columns by 5 rows. Lid rows first, then the
# eyeball with a 2 x 2 pupil.
def eyeball(pupil_col, pupil_row, lid=''):
    rows = []
    for r in range(5):
        if r < len(lid):
            rows.append(lid[r] * 4)
            continue
        rows.append(''.join('k' if pupil_col <= c < pupil_col + 2 and pupil_row <= r < pupil_row + 2 else 'w'
                            for c in range(4)))
    return rows

# (inside of the eye, background) for frames 1 to 9.
FRAMES = [
    (eyeball(1, 3, 'ssk'), 'b'),  # 1 half closed: the resting face
    (eyeball(1, 2, 'sk'), 'b'),   # 2 opening
    (eyeball(1, 2, 'k'), 'b'),    # 3 nearly open
    (eyeball(1, 2), 'b'),         # 4 wide open, looking ahead
    (eyeball(2, 2), 'b'),         # 5 right
    (eyeball(2, 0), 'b'),         # 6 up right
    (eyeball(0, 0), 'b'),         # 7 up left
    (eyeball(0, 3), 'd'),         # 8 down left, darker
    (eyeball(2, 3), 'b'),         # 9 down right
]


def face(inside, bg):
    """16 rows of 16 colour letters."""
    grid = [[bg] * 16 for _ in range(16)]
    for left in (1, 9):  # the two eyes, six columns wide
        for c in range(left + 1, left + 5):
            grid[3][c] = 'k'
            grid[9][c] = 'k'
        for r in range(5):
            grid[4 + r][left] = 'k'
            grid[4 + r][left + 5] = 'k'
            for c in range(4):
                grid[4 + r][left + 1 + c] = inside[r][c]
    for c in range(6, 10):
        grid[12][c] = 'n'
    return [''.join(row) for row in grid]


def bitmap(rows):
    palette = b''.join(struct.pack('<BBBB', *reversed(PALETTE[ch]), 0) for ch in ORDER)
    palette += b'\0' * (256 * 4 - len(palette))
    pixels = b''.join(bytes(ORDER.index(ch) for ch in row) for row in reversed(rows))  # bottom-up
    offset = 14 + 40 + len(palette)
    info = struct.pack('<IiiHHIIiiII', 40, 16, 16, 1, 8, 0, len(pixels), 2835, 2835, 256, 0)
    head = struct.pack('<2sIHHI', b'BM', offset + len(pixels), 0, 0, offset)
    return head + info + palette + pixels


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    for n, (inside, bg) in enumerate(FRAMES, 1):
        with open(os.path.join(out, 'frame%d.bmp' % n), 'wb') as f:
            f.write(bitmap(face(inside, bg)))


if __name__ == '__main__':
    main()
