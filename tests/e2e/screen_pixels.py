"""What a window shows on the screen, for the end-to-end scripts: pictures taken from the
root window (what the user sees, shape and all), and the checks made on them.

  screen_pixels.py root RRGGBB                 paints the desktop (the root window) in a colour
  screen_pixels.py save WINDOW FILE.ppm        the window's rectangle as the screen shows it
  screen_pixels.py keyed WINDOW KEY N PAUSE    N times, PAUSE seconds apart, under a server
                                               grab: pixels of colour KEY (RRGGBB) shown inside
                                               the window's shape; prints one line per look
  screen_pixels.py styled PLAIN.ppm STYLED.ppm BG   the lines of a styled window (see styled())
  screen_pixels.py same A.ppm B.ppm BG         the ink of two pictures is the same
  screen_pixels.py corner FILE.ppm SIDE SIZE OUT.ppm   the SIZE x SIZE top corner (left, right)
  screen_pixels.py align FILE.ppm LINES BG SIDE     every line has ink, at SIDE (left, right,
                                               centre) of the window
  screen_pixels.py handle FILE.ppm BG CORNER SIZE   the SIZE x SIZE corner (left, right) holds
                                               the icon: many colours, most of it inked, and,
                                               above size 20, drawn at device resolution
"""
import sys
import time

from Xlib import X, display
from Xlib.ext import shape


def window_rect(d, window):
    geometry = window.get_geometry()
    origin = window.translate_coords(d.screen().root, 0, 0)
    # translate_coords gives the root's origin in window coordinates.
    return -origin.x, -origin.y, geometry.width, geometry.height


def root_pixels(d, left, top, width, height):
    """Colours as 0xRRGGBB, row by row (24-bit TrueColor in 32-bit pixels)."""
    data = d.screen().root.get_image(left, top, width, height, X.ZPixmap, 0xFFFFFFFF).data
    return [int.from_bytes(data[i:i + 3], "little") for i in range(0, len(data), 4)]


class Picture:
    def __init__(self, width, height, pixels):
        self.width, self.height, self.pixels = width, height, pixels

    def at(self, x, y):
        return self.pixels[y * self.width + x]

    def crop(self, left, top, width, height):
        rows = []
        for y in range(top, top + height):
            rows.extend(self.pixels[y * self.width + left:y * self.width + left + width])
        return Picture(width, height, rows)

    def ink(self, bg):
        """(x, y) of every pixel that is not the background."""
        return {(i % self.width, i // self.width) for i, c in enumerate(self.pixels) if c != bg}

    def save(self, path):
        with open(path, "wb") as f:
            f.write(f"P6\n{self.width} {self.height}\n255\n".encode())
            f.write(b"".join(c.to_bytes(3, "big") for c in self.pixels))

    @staticmethod
    def load(path):
        with open(path, "rb") as f:
            data = f.read()
        fields = data.split(maxsplit=4)
        width, height = int(fields[1]), int(fields[2])
        body = fields[4]
        pixels = [int.from_bytes(body[i:i + 3], "big") for i in range(0, 3 * width * height, 3)]
        return Picture(width, height, pixels)


def grab(window_id):
    d = display.Display()
    window = d.create_resource_object("window", int(window_id, 0))
    d.grab_server()
    try:
        left, top, width, height = window_rect(d, window)
        return Picture(width, height, root_pixels(d, left, top, width, height))
    finally:
        d.ungrab_server()
        d.sync()


def keyed(window_id, key, count, pause):
    """Fails when a look finds the key colour inside the shape, or no text at all."""
    d = display.Display()
    if not d.has_extension("SHAPE"):
        sys.exit("the X server has no SHAPE extension")
    window = d.create_resource_object("window", int(window_id, 0))
    worst = 0
    for look in range(count):
        # Shape and screen from one moment: nobody draws while the server is grabbed.
        d.grab_server()
        try:
            left, top, width, height = window_rect(d, window)
            rects = window.shape_get_rectangles(shape.SK.Bounding).rectangles
            screen = root_pixels(d, left, top, width, height)
        finally:
            d.ungrab_server()
            d.sync()
        inside = bytearray(width * height)
        for r in rects:
            for y in range(max(r.y, 0), min(r.y + r.height, height)):
                start, end = max(r.x, 0), min(r.x + r.width, width)
                if end > start:
                    inside[y * width + start:y * width + end] = b"\1" * (end - start)
        shown = sum(inside)
        keys = sum(1 for i in range(width * height) if inside[i] and screen[i] == key)
        print(f"look {look}: {width}x{height}, {shown} pixels shown, {keys} of the key colour")
        if shown == 0 or shown == width * height:
            print("the window is not cut to its text")
            return 1
        worst = max(worst, keys)
        time.sleep(pause)
    return 1 if worst else 0


def bands(picture, lines):
    """The rows of each line: the labels stand at top 2, one pitch apart."""
    pitch = (picture.height - 2) // lines
    return [picture.crop(0, 2 + i * pitch, picture.width, pitch) for i in range(lines)]


def row_starts(picture, bg):
    """Leftmost ink of every inked row."""
    starts = []
    for y in range(picture.height):
        xs = [x for x in range(picture.width) if picture.at(x, y) != bg]
        if xs:
            starts.append(xs[0])
    return starts


def full_rows(picture, bg, span):
    """Rows inked without a break over at least span pixels."""
    rows = []
    for y in range(picture.height):
        run = best = 0
        for x in range(picture.width):
            run = run + 1 if picture.at(x, y) != bg else 0
            best = max(best, run)
        if best >= span:
            rows.append(y)
    return rows


def shifted(ink, dx):
    return {(x + dx, y) for x, y in ink}


def styled(plain_path, styled_path, bg):
    """PLAIN: one line "HHHH". STYLED: the lines HHHH, <B>HHHH, <I>HHHH, <U>HHHH and
    <B>HHHH</B>HHHH, the last the widest. Each style shows, and the last line is its bold run
    followed by the plain one, as wide as both together."""
    plain_window = Picture.load(plain_path)
    window = Picture.load(styled_path)
    plain_width = plain_window.width - 6  # the window is the widest line plus 6
    line_width = window.width - 6
    plain, bold, italic, underline, mixed = bands(window, 5)
    p, b, m = plain.ink(bg), bold.ink(bg), mixed.ink(bg)
    problems = []
    if not p:
        problems.append("the plain line shows nothing")
    if b == p:
        problems.append("<B> draws the same ink as plain text")
    if len(b) <= len(p):
        problems.append(f"<B> draws {len(b)} ink pixels, plain text {len(p)}")
    starts, plain_starts = row_starts(italic, bg), row_starts(plain, bg)
    if len(set(starts)) < 3:
        problems.append(f"<I> rows all start at {sorted(set(starts))}: not slanted")
    if len(set(plain_starts)) > 2:
        problems.append(f"plain rows start at {sorted(set(plain_starts))}")
    span = plain_width * 3 // 4
    if full_rows(plain, bg, span):
        problems.append("plain text has a row inked across the line")
    if not full_rows(underline, bg, span):
        problems.append("<U> draws no underline")
    bold_width = line_width - plain_width
    head = {(x, y) for x, y in m if x < 1 + bold_width}
    tail = {(x, y) for x, y in m if x >= 1 + bold_width}
    if head != b:
        problems.append(f"the bold run of <B>HHHH</B>HHHH differs from <B>HHHH in "
                        f"{len(head ^ b)} pixels")
    if tail != shifted(p, bold_width):
        problems.append(f"the plain run after </B> is not plain text right after the bold "
                        f"run ({len(tail ^ shifted(p, bold_width))} pixels differ)")
    print(f"plain line {plain_width} px, mixed line {line_width} px, bold run {bold_width} px; "
          f"ink: plain {len(p)}, bold {len(b)}")
    for problem in problems:
        print(problem)
    return 1 if problems else 0


def same(a_path, b_path, bg):
    a, b = Picture.load(a_path), Picture.load(b_path)
    if (a.width, a.height) != (b.width, b.height):
        print(f"sizes differ: {a.width}x{a.height} and {b.width}x{b.height}")
        return 1
    diff = a.ink(bg) ^ b.ink(bg)
    differ = sum(1 for i in range(len(a.pixels)) if a.pixels[i] != b.pixels[i])
    print(f"{len(a.ink(bg))} ink pixels, {differ} pixels differ")
    return 1 if diff or differ else 0


def align(path, lines, bg, side):
    picture = Picture.load(path)
    problems = []
    for i, band in enumerate(bands(picture, lines)):
        xs = [x for x, _ in band.ink(bg)]
        if not xs:
            problems.append(f"line {i} shows nothing")
            continue
        left, right = min(xs), max(xs)
        # Side bearings of the glyphs: a few pixels.
        if side == "left" and left > 4:
            problems.append(f"line {i} starts at {left}")
        if side == "right" and picture.width - 1 - right > 5:
            problems.append(f"line {i} ends at {right} of {picture.width}")
        if side == "centre" and abs((left + right) - picture.width) > 6:
            problems.append(f"line {i} spans {left}..{right} of {picture.width}")
        print(f"line {i}: ink {left}..{right} of {picture.width}")
    for problem in problems:
        print(problem)
    return 1 if problems else 0


def handle(path, bg, corner, size):
    picture = Picture.load(path)
    left = 0 if corner == "left" else picture.width - size
    area = picture.crop(left, 0, size, size)
    colours = set(area.pixels) - {bg}
    inked = len(area.ink(bg))
    print(f"{corner} corner {size}x{size}: {inked} inked pixels, {len(colours)} colours")
    if len(colours) < 8 or inked < size * size // 3:
        print("the corner holds no icon")
        return 1
    if size > 20:
        # Pixel-doubled from a small picture, every 2x2 block would be one colour.
        mixed = sum(1 for y in range(0, size - 1, 2) for x in range(0, size - 1, 2)
                    if len({area.at(x, y), area.at(x + 1, y), area.at(x, y + 1),
                            area.at(x + 1, y + 1)}) > 1)
        print(f"{mixed} of {(size // 2) ** 2} 2x2 blocks mix colours")
        if mixed < size:
            print("the icon is a small picture scaled up")
            return 1
    return 0


def paint_root(colour):
    d = display.Display()
    root = d.screen().root
    pixel = d.screen().default_colormap.alloc_color(
        (colour >> 16) * 257, (colour >> 8 & 255) * 257, (colour & 255) * 257).pixel
    root.change_attributes(background_pixel=pixel)
    root.clear_area()
    d.sync()


def main(argv):
    command, args = (argv[1], argv[2:]) if len(argv) > 1 else ("", [])
    if command == "root" and len(args) == 1:
        paint_root(int(args[0], 16))
        return 0
    if command == "save" and len(args) == 2:
        grab(args[0]).save(args[1])
        return 0
    if command == "keyed" and len(args) == 4:
        return keyed(args[0], int(args[1], 16), int(args[2]), float(args[3]))
    if command == "styled" and len(args) == 3:
        return styled(args[0], args[1], int(args[2], 16))
    if command == "corner" and len(args) == 4:
        picture = Picture.load(args[0])
        size = int(args[2])
        left = 0 if args[1] == "left" else picture.width - size
        picture.crop(left, 0, size, size).save(args[3])
        return 0
    if command == "same" and len(args) == 3:
        return same(args[0], args[1], int(args[2], 16))
    if command == "align" and len(args) == 4:
        return align(args[0], int(args[1]), int(args[2], 16), args[3])
    if command == "handle" and len(args) == 4:
        return handle(args[0], int(args[1], 16), args[2], int(args[3]))
    sys.exit(__doc__)


if __name__ == "__main__":
    sys.exit(main(sys.argv))
