"""Pictures in the form in which the window paints them, made at build time so
that the program neither decodes nor scales anything when it starts:
premultiplied B, G, R, A pixels at the size of their control, rows top-down,
stored in runs (read by platform/PackedPicture.cpp):

    width, height   two 16-bit little-endian numbers
    runs            a count byte 1-128 and one pixel repeated that many times,
                    or a count byte 129-255 and (count - 128) pixels as they are

The arithmetic is the one the program used to do at run time, so that the
window looks the same to the pixel: each channel multiplied by alpha and
rounded to the nearest (as the system's image decoder does), then shrunk by
area averaging in double precision, rounded half up.
"""

import struct

MAX_RUN = 128
MAX_LITERAL = 127


def premultiplied(rows):
    """RGBA rows (8-bit channels, straight alpha) as one list of B, G, R, A
    tuples with the colour premultiplied by alpha."""
    return [((b * a + 127) // 255, (g * a + 127) // 255, (r * a + 127) // 255, a)
            for row in rows for r, g, b, a in row]


def _overlap(cell, start, end):
    """How much of source cell `cell` lies within [start, end), in cells."""
    low = max(cell, start)
    high = min(cell + 1, end)
    return high - low if high > low else 0


def shrink(pixels, width, height, target_width, target_height):
    """Each target pixel the mean of the source area it covers."""
    step_x, step_y = width / target_width, height / target_height
    area = step_x * step_y
    result = []
    for ty in range(target_height):
        top = ty * step_y
        bottom = top + step_y
        for tx in range(target_width):
            left = tx * step_x
            right = left + step_x
            total = [0.0, 0.0, 0.0, 0.0]
            sy = int(top)
            while sy < height and sy < bottom:
                weight_y = _overlap(sy, top, bottom)
                sx = int(left)
                while sx < width and sx < right:
                    weight = weight_y * _overlap(sx, left, right)
                    pixel = pixels[sy * width + sx]
                    for channel in range(4):
                        total[channel] += weight * pixel[channel]
                    sx += 1
                sy += 1
            result.append(tuple(int(value / area + 0.5) for value in total))
    return result


def pack(pixels, width, height):
    """The stored form of width x height B, G, R, A tuples."""
    out = bytearray(struct.pack("<HH", width, height))
    literal = []

    def flush():
        while literal:
            chunk = literal[:MAX_LITERAL]
            del literal[:MAX_LITERAL]
            out.append(MAX_RUN + len(chunk))
            for pixel in chunk:
                out.extend(pixel)

    i = 0
    while i < len(pixels):
        end = i
        while end < len(pixels) and pixels[end] == pixels[i] and end - i < MAX_RUN:
            end += 1
        if end - i >= 2:
            flush()
            out.append(end - i)
            out.extend(pixels[i])
            i = end
        else:
            literal.append(pixels[i])
            i += 1
    flush()
    return bytes(out)


def unpack(data):
    """(width, height, pixels) of a stored picture; raises ValueError when the
    data does not describe exactly width x height pixels."""
    width, height = struct.unpack_from("<HH", data)
    pixels, at = [], 4
    while at < len(data):
        count = data[at]
        at += 1
        if count == 0:
            raise ValueError("a run of no pixels")
        if count <= MAX_RUN:
            pixels += [tuple(data[at:at + 4])] * count
            at += 4
        else:
            count -= MAX_RUN
            pixels += [tuple(data[at + 4 * i:at + 4 * i + 4]) for i in range(count)]
            at += 4 * count
    if at != len(data) or len(pixels) != width * height:
        raise ValueError("the runs do not make the picture")
    return width, height, pixels


def packed_picture(rows, width, height):
    """RGBA rows drawn at any size, as the stored picture of width x height,
    checked by unpacking it again."""
    pixels = premultiplied(rows)
    size = len(rows)
    if (size, size) != (width, height):
        pixels = shrink(pixels, size, size, width, height)
    data = pack(pixels, width, height)
    if unpack(data) != (width, height, pixels):
        raise AssertionError("packed picture does not unpack to itself")
    return data
