# Writes the object windows' drag cursors (32 x 32, black on a white edge):
#   python3 resources/cursors/make_cursors.py
import os, struct

N = 32

def cursor(path, black, hot, fill=()):
    white = set(fill) - set(black)
    for (x, y) in black:
        for dx in (-1, 0, 1):
            for dy in (-1, 0, 1):
                p = (x + dx, y + dy)
                if p not in black and 0 <= p[0] < N and 0 <= p[1] < N:
                    white.add(p)
    xor = bytearray(N * 4)
    andm = bytearray(b'\xff' * (N * 4))
    for y in range(N):
        row = N - 1 - y  # bottom row first
        for x in range(N):
            bit = 0x80 >> (x % 8)
            i = row * 4 + x // 8
            if (x, y) in black or (x, y) in white:
                andm[i] &= ~bit & 0xff
            if (x, y) in white:
                xor[i] |= bit
    bmp = struct.pack('<IiiHHIIiiII', 40, N, 2 * N, 1, 1, 0, 0, 0, 0, 2, 0)
    bmp += bytes([0, 0, 0, 0, 255, 255, 255, 0]) + bytes(xor) + bytes(andm)
    head = struct.pack('<HHH', 0, 2, 1) + struct.pack('<BBBBHHII', N, N, 0, 0, hot[0], hot[1], len(bmp), 22)
    with open(os.path.join(os.path.dirname(os.path.abspath(__file__)), path), 'wb') as f:
        f.write(head + bmp)

def line(a, b, width=1):
    pts = set()
    steps = max(abs(b[0] - a[0]), abs(b[1] - a[1]))
    for i in range(steps + 1):
        x = a[0] + (b[0] - a[0]) * i // steps
        y = a[1] + (b[1] - a[1]) * i // steps
        for w in range(width):
            pts.add((x + (w if abs(b[1] - a[1]) >= abs(b[0] - a[0]) else 0),
                     y + (w if abs(b[1] - a[1]) < abs(b[0] - a[0]) else 0)))
    return pts

def arrow(a, b):
    # A double arrow from a to b with filled heads of 5 pixels.
    pts = line(a, b, 2)
    for (tip, other) in ((a, b), (b, a)):
        dx = (other[0] > tip[0]) - (other[0] < tip[0])
        dy = (other[1] > tip[1]) - (other[1] < tip[1])
        if dx and dy:
            # A right-angled head along the two axes.
            for i in range(7):
                for j in range(7 - i):
                    pts.add((tip[0] + dx * i, tip[1] + dy * j))
        else:
            for k in range(6):
                for j in range(-k, k + 1):
                    pts.add((tip[0] + dx * k - dy * j, tip[1] + dy * k + dx * j))
    return pts

cursor('horizontal.cur', arrow((4, 15), (27, 15)), (15, 15))
cursor('vertical.cur', arrow((15, 4), (15, 27)), (15, 15))
cursor('diagdown.cur', arrow((6, 6), (25, 25)), (15, 15))
cursor('diagup.cur', arrow((25, 6), (6, 25)), (15, 15))

# A closed hand seen from its back: four bent fingers over a palm.
hand = set()
for f in range(4):
    x0 = 9 + f * 4
    for y in range(10, 14):
        for x in range(x0, x0 + 4):
            if not (y == 10 and x in (x0, x0 + 3)):
                hand.add((x, y))
for y in range(14, 24):
    for x in range(9, 25):
        if not (y >= 21 and (x < 10 + (y - 21) or x > 23 - (y - 21))):
            hand.add((x, y))
for y in range(15, 20):  # the thumb
    for x in range(6, 9):
        hand.add((x, y))
outline = {p for p in hand if any((p[0] + dx, p[1] + dy) not in hand for dx in (-1, 0, 1) for dy in (-1, 0, 1))}
creases = {(x0, y) for x0 in (13, 17, 21) for y in (11, 12, 13, 14)}
cursor('hand.cur', outline | creases, (16, 16), hand)

# A list line carried by the pointer: an arrow over a small box.
pointer = set()
for y in range(0, 12):
    for x in range(0, y // 2 + 1 if y < 11 else 0):
        pointer.add((x + 1, y + 1))
box = {(x, y) for x in range(10, 26) for y in range(16, 24)}
boxedge = {p for p in box if p[0] in (10, 25) or p[1] in (16, 23)}
boxtext = {(x, 19) for x in range(13, 23)} | {(x, 21) for x in range(13, 20)}
cursor('listdrag.cur', pointer | boxedge | boxtext, (1, 1), box)
