# Writes justify.bmp, the text dialog's justification glyphs: three 14 by 14
# glyphs (left, centre, right) side by side over their masks, 1 bit deep.
# Run it in this folder after changing it.
import struct

W, H = 42, 28
lines = [(2, 10), (4, 7), (6, 11), (8, 6), (10, 9)]  # row, length

def glyph_pixel(x, y):
    if y >= 14:
        return 1  # the mask: white, nothing of the face is kept out
    g, gx = divmod(x, 14)
    for row, length in lines:
        if y == row:
            start = [1, (14 - length) // 2, 13 - length][g]
            return 0 if start <= gx < start + length else 1
    return 1

rowbytes = ((W + 31) // 32) * 4
bits = bytearray()
for y in reversed(range(H)):
    row = bytearray(rowbytes)
    for x in range(W):
        if glyph_pixel(x, y):
            row[x // 8] |= 0x80 >> (x % 8)
    bits += row
table = bytes([0, 0, 0, 0, 255, 255, 255, 0])
info = struct.pack('<IiiHHIIiiII', 40, W, H, 1, 1, 0, len(bits), 2835, 2835, 2, 2)
offset = 14 + len(info) + len(table)
head = struct.pack('<2sIHHI', b'BM', offset + len(bits), 0, 0, offset)
open('justify.bmp', 'wb').write(head + info + table + bits)
