#!/usr/bin/env python3
"""Pixel checks on a screenshot of the launcher window (window-relative coordinates).

  skin_checks.py look   WINDOW.png ASSETS_DIR   the skinned look at start
  skin_checks.py face   WINDOW.png ASSET X Y    a component shows exactly this image at (X, Y)
  skin_checks.py notface WINDOW.png ASSET X Y   ... does not
Images are read through ImageMagick as PPM, so no Python imaging package is needed.
"""
import subprocess
import sys


def load(path):
    data = subprocess.run(["convert", path, "-depth", "8", "ppm:-"], check=True, capture_output=True).stdout
    fields, pos = [], 0
    while len(fields) < 4:  # magic, width, height, maximum
        while data[pos:pos + 1].isspace():
            pos += 1
        end = pos
        while not data[end:end + 1].isspace():
            end += 1
        fields.append(data[pos:end])
        pos = end
    w, h = int(fields[1]), int(fields[2])
    return w, h, data[pos + 1:]


class Picture:
    def __init__(self, path):
        self.width, self.height, self.pixels = load(path)

    def at(self, x, y):
        i = (y * self.width + x) * 3
        return tuple(self.pixels[i:i + 3])


def mean_difference(shot, image, left, top):
    total = 0
    for y in range(image.height):
        for x in range(image.width):
            a, b = shot.at(left + x, top + y), image.at(x, y)
            total += sum(abs(p - q) for p, q in zip(a, b))
    return total / (image.width * image.height * 3)


def count_near(shot, box, colour, tolerance):
    left, top, right, bottom = box
    n = 0
    for y in range(top, min(bottom, shot.height)):
        for x in range(left, min(right, shot.width)):
            if all(abs(p - q) <= tolerance for p, q in zip(shot.at(x, y), colour)):
                n += 1
    return n


failures = []


def check(ok, what):
    print(("ok     " if ok else "FAILED ") + what)
    if not ok:
        failures.append(what)


def look(shot, assets):
    background = Picture(f"{assets}/background.png")
    check((shot.width, shot.height) == (988, 730), f"window is 988 x 730 (got {shot.width} x {shot.height})")
    # Points of the background that no component covers: title strip, artwork, panels, footer.
    for x, y in [(600, 20), (40, 120), (180, 450), (20, 700), (365, 300), (440, 650), (700, 715), (990 - 5, 600)]:
        x = min(x, 987)
        a, b = shot.at(x, y), background.at(x, y)
        check(all(abs(p - q) <= 3 for p, q in zip(a, b)), f"background at ({x}, {y}): {a} vs {b}")
    below = shot.at(500, 728)
    check(below != background.at(500, 726), f"the 3 rows below the picture show the window colour {below}")
    disabled = Picture(f"{assets}/btn_startgame_disabled.jpg")
    update = Picture(f"{assets}/btn_startupdate_normal.jpg")
    d = mean_difference(shot, disabled, 805, 630)
    check(d < 4, f"start-game shows its disabled face at (805, 630): mean difference {d:.2f}")
    u = mean_difference(shot, update, 805, 630)
    check(u > 30, f"start-update is not shown there: mean difference to its face {u:.2f}")
    zone = Picture(f"{assets}/zone_field.jpg")
    shown = sum(1 for x in range(0, 206, 5) if all(abs(p - q) <= 6 for p, q in zip(shot.at(512 + x, 633 + 31), zone.at(x, 31))))
    check(shown > 30, f"the zone picture is drawn from (512, 633): {shown}/42 of its row 31 match")
    labels = [
        ("version label in (192, 192, 192)", (860, 707, 988, 726), (192, 192, 192), 20),
        ("status caption in red", (513, 691, 548, 710), (255, 0, 0), 10),
        ("status line in red", (377, 597, 912, 616), (255, 0, 0), 10),
    ]
    for what, box, colour, least in labels:
        n = count_near(shot, box, colour, 40)
        check(n >= least, f"{what}: {n} pixels")
    icon = count_near(shot, (550, 692, 562, 705), (91, 100, 114), 12)
    check(icon >= 10, f"the offline status icon is drawn in its box: {icon} frame pixels")


def main():
    mode, path = sys.argv[1], sys.argv[2]
    shot = Picture(path)
    if mode == "look":
        look(shot, sys.argv[3])
    else:
        image, x, y = Picture(sys.argv[3]), int(sys.argv[4]), int(sys.argv[5])
        d = mean_difference(shot, image, x, y)
        name = sys.argv[3].rsplit("/", 1)[-1]
        if mode == "face":
            check(d < 4, f"{name} shown at ({x}, {y}): mean difference {d:.2f}")
        else:
            check(d >= 4, f"{name} not shown at ({x}, {y}): mean difference {d:.2f}")
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
