#!/usr/bin/env python3
"""Makes the built-in pictures once; the results are committed.

background.gif       299 x 210, a deep-blue sky with soft clouds (day look)
background_night.bin the first 368 bytes of the same GIF with a night colour table
wait.gif             42 x 30 placeholder shown while weather pictures load

The background's colour table has 64 entries, and a comment extension pads the
header to exactly 368 bytes, so copying the night header over the first 368 bytes
keeps a valid picture whose image data is unchanged.
"""
import math
import random
import struct

W, H = 299, 210
HEADER = 368


def lzw(indices, min_code_size):
    clear = 1 << min_code_size
    end = clear + 1
    out_bits, nbits, data = 0, 0, bytearray()

    def emit(code, size):
        nonlocal out_bits, nbits
        out_bits |= code << nbits
        nbits += size
        while nbits >= 8:
            data.append(out_bits & 0xFF)
            out_bits >>= 8
            nbits -= 8

    size = min_code_size + 1
    table = {(i,): i for i in range(clear)}
    next_code = end + 1
    emit(clear, size)
    w = ()
    for k in indices:
        wk = w + (k,)
        if wk in table:
            w = wk
            continue
        emit(table[w], size)
        if next_code < 4096:
            table[wk] = next_code
            next_code += 1
            if next_code - 1 == (1 << size) and size < 12:
                size += 1
        else:
            emit(clear, size)
            table = {(i,): i for i in range(clear)}
            next_code = end + 1
            size = min_code_size + 1
        w = (k,)
    if w:
        emit(table[w], size)
    emit(end, size)
    if nbits:
        data.append(out_bits & 0xFF)
    blocks = bytearray([min_code_size])
    for i in range(0, len(data), 255):
        chunk = data[i:i + 255]
        blocks.append(len(chunk))
        blocks += chunk
    blocks.append(0)
    return bytes(blocks)


def gif(width, height, palette, indices, comment=b"", table_bits=6):
    n = 1 << table_bits
    assert len(palette) == n
    out = bytearray(b"GIF89a")
    out += struct.pack("<HHBBB", width, height, 0x80 | 0x70 | (table_bits - 1), 0, 0)
    for r, g, b in palette:
        out += bytes([r, g, b])
    if comment:
        out += b"\x21\xfe"
        for i in range(0, len(comment), 255):
            chunk = comment[i:i + 255]
            out.append(len(chunk))
            out += chunk
        out.append(0)
    out += b"\x2c" + struct.pack("<HHHHB", 0, 0, width, height, 0)
    out += lzw(indices, max(2, table_bits))
    out += b"\x3b"
    return bytes(out)


def mix(a, b, t):
    return tuple(max(1, min(255, round(a[i] + (b[i] - a[i]) * t))) for i in range(3))


# 8 sky levels x 7 cloud levels = 56 entries; 8 more are "star" pixels that match
# the clear sky by day and shine at night. No entry is exact black: black pixels
# are see-through when the widget uses its colour key.
SKY, CLOUD = 8, 7


def palette(top, bottom, cloud, cloud_alpha, star):
    p = []
    for s in range(SKY):
        sky = mix(top, bottom, s / (SKY - 1))
        for c in range(CLOUD):
            p.append(mix(sky, cloud, cloud_alpha * c / (CLOUD - 1)))
    for s in range(SKY):
        sky = mix(top, bottom, s / (SKY - 1))
        p.append(star if star else sky)
    return p


day = palette((12, 36, 104), (46, 112, 178), (236, 242, 250), 0.45, None)
night = palette((6, 8, 30), (28, 36, 76), (92, 100, 128), 0.5, (236, 232, 200))

random.seed(7)
blobs = []
for cx, cy, rx, ry in [(60, 150, 70, 22), (110, 160, 60, 18), (230, 60, 60, 16),
                       (270, 70, 40, 14), (180, 185, 80, 20), (20, 40, 40, 12)]:
    for _ in range(9):
        blobs.append((cx + random.uniform(-rx, rx) * 0.7, cy + random.uniform(-ry, ry) * 0.6,
                      rx * random.uniform(0.35, 0.6), ry * random.uniform(0.6, 1.0)))

bayer = [[0, 8, 2, 10], [12, 4, 14, 6], [3, 11, 1, 9], [15, 7, 13, 5]]
stars = {(random.randrange(W), random.randrange(int(H * 0.8))) for _ in range(70)}
pixels = []
for y in range(H):
    for x in range(W):
        d = (bayer[y % 4][x % 4] + 0.5) / 16
        sky = min(SKY - 1, int(y / (H - 1) * (SKY - 1) + d))
        density = 0.0
        for bx, by, rx, ry in blobs:
            q = ((x - bx) / rx) ** 2 + ((y - by) / ry) ** 2
            density += math.exp(-q * 1.6)
        density = min(1.0, density * 0.55)
        cloud = min(CLOUD - 1, int(density * (CLOUD - 1) + d))
        if cloud == 0 and (x, y) in stars:
            pixels.append(SKY * CLOUD + sky)
        else:
            pixels.append(sky * CLOUD + cloud)

comment_len = HEADER - 13 - 3 * 64 - 3 - 1  # introducer, label, size byte, terminator
text = b"Nimbulux built-in background"
comment = text + b" " * (comment_len - len(text))
day_gif = gif(W, H, day, pixels, comment)
night_gif = gif(W, H, night, pixels, comment)
assert day_gif[HEADER:] == night_gif[HEADER:]
assert day_gif[HEADER] == 0x2C, "the header must end right before the image descriptor"
open("background.gif", "wb").write(day_gif)
open("background_night.bin", "wb").write(night_gif[:HEADER])

# The placeholder: three dots on a transparent ground.
wait_palette = [(1, 1, 1), (250, 250, 250), (190, 200, 215), (120, 130, 150)]
wait_pixels = []
for y in range(30):
    for x in range(42):
        v = 0
        for i, cx in enumerate((11, 21, 31)):
            if (x - cx) ** 2 + (y - 15) ** 2 <= 9:
                v = 1 + i
        wait_pixels.append(v)
wait = bytearray(gif(42, 30, wait_palette, wait_pixels, b"", table_bits=2))
# Graphic control extension: index 0 transparent.
gce = b"\x21\xf9\x04\x01\x00\x00\x00\x00"
pos = wait.index(b"\x2c", 13 + 12)
wait[pos:pos] = gce
open("wait.gif", "wb").write(bytes(wait))
