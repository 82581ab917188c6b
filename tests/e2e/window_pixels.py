"""Pixels and X shape of a window, for the end-to-end scripts.

  window_pixels.py ink WINDOW KEY OUT   the window's pixels that differ from colour KEY
                                        (RRGGBB) go to OUT; prints "width height count"
  window_pixels.py cut WINDOW KEY INK   exit 0 when WINDOW is shaped so that the screen shows
                                        no pixel of colour KEY inside it and every pixel of
                                        INK (an "ink" file of the same window unshaped) lies
                                        inside the shape; else prints why and exits 1
  window_pixels.py spot WINDOW TOP END  prints "x y" of a pixel of WINDOW's shape in the rows
                                        TOP to END - 1 (window coordinates), the middlemost
                                        of its row; exits 1 when there is none
"""
import sys

from Xlib import X, display
from Xlib.ext import shape


def pixels(drawable, x, y, width, height):
    """Colours as 0xRRGGBB, row by row (24-bit TrueColor in 32-bit pixels)."""
    data = drawable.get_image(x, y, width, height, X.ZPixmap, 0xFFFFFFFF).data
    return [int.from_bytes(data[i:i + 3], "little") for i in range(0, len(data), 4)]


def open_window(window_id):
    d = display.Display()
    if not d.has_extension("SHAPE"):
        sys.exit("the X server has no SHAPE extension")
    window = d.create_resource_object("window", int(window_id, 0))
    geometry = window.get_geometry()
    origin = window.translate_coords(d.screen().root, 0, 0)
    # translate_coords gives the root's origin in window coordinates.
    return d, window, -origin.x, -origin.y, geometry.width, geometry.height


def ink(window_id, key, out):
    _, window, _, _, width, height = open_window(window_id)
    colours = pixels(window, 0, 0, width, height)
    points = [i for i, c in enumerate(colours) if c != key]
    with open(out, "w") as f:
        f.write(f"{width} {height}\n")
        f.writelines(f"{i}\n" for i in points)
    print(width, height, len(points))


def cut(window_id, key, ink_file):
    d, window, left, top, width, height = open_window(window_id)
    with open(ink_file) as f:
        size = f.readline().split()
        text = [int(line) for line in f]
    if [int(v) for v in size] != [width, height]:
        print(f"the window is {width}x{height}, unshaped it was {'x'.join(size)}")
        return 1
    inside = bytearray(width * height)
    for r in window.shape_get_rectangles(shape.SK.Bounding).rectangles:
        for y in range(max(r.y, 0), min(r.y + r.height, height)):
            start, end = max(r.x, 0), min(r.x + r.width, width)
            inside[y * width + start:y * width + end] = b"\1" * max(end - start, 0)
    covered = sum(inside)
    if covered == width * height:
        print("the shape covers the whole window")
        return 1
    missing = [i for i in text if not inside[i]]
    if missing:
        i = missing[0]
        print(f"{len(missing)} of {len(text)} text pixels are cut away, first at "
              f"({i % width}, {i // width})")
        return 1
    screen = pixels(d.screen().root, left, top, width, height)
    keyed = [i for i in range(width * height) if inside[i] and screen[i] == key]
    if keyed:
        i = keyed[0]
        print(f"{len(keyed)} pixels of the window colour are shown, first at "
              f"({i % width}, {i // width})")
        return 1
    print(f"shape: {covered} of {width * height} pixels, {len(text)} text pixels inside")
    return 0


def spot(window_id, top, end):
    _, window, _, _, width, height = open_window(window_id)
    rows = {}
    for r in window.shape_get_rectangles(shape.SK.Bounding).rectangles:
        for y in range(max(r.y, top), min(r.y + r.height, end, height)):
            rows.setdefault(y, []).extend(range(max(r.x, 0), min(r.x + r.width, width)))
    if not rows:
        return 1
    y = max(rows, key=lambda row: len(rows[row]))
    xs = sorted(rows[y])
    print(xs[len(xs) // 2], y)
    return 0


def main(argv):
    if len(argv) == 5 and argv[1] == "ink":
        ink(argv[2], int(argv[3], 16), argv[4])
        return 0
    if len(argv) == 5 and argv[1] == "cut":
        return cut(argv[2], int(argv[3], 16), argv[4])
    if len(argv) == 5 and argv[1] == "spot":
        return spot(argv[2], int(argv[3]), int(argv[4]))
    sys.exit(__doc__)


if __name__ == "__main__":
    sys.exit(main(sys.argv))
