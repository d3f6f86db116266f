#!/usr/bin/python3
"""Draws the progress window's artwork from nothing.

  make_artwork.py [--out DIR]        progress_animation.gif and progress_icon.ico
                                     (default: the folder of this script)
  make_artwork.py --fixtures DIR     small test images: a one-frame GIF and a
                                     GIF whose frames carry no delays

The animation: a shield with a check mark inside a ring whose bright arc
turns once per loop, on a dark slate background, and a row of dots below
that pulse twice per loop. The band from y 165 to 195 stays plain and dark:
the window draws its caption there in near-white. 400 x 267 pixels, one
global table of 256 colours, 74 frames of 40 ms, looping forever.

Everything is drawn at four times the size and scaled down, so edges are
smooth; frames are mapped onto one shared palette without dithering, so
still parts stay identical from frame to frame, and from the second frame on
a frame stores only what changed (the rest is transparent over the frame
before). The output is deterministic.
"""

import argparse
import math
import os
import sys

from PIL import Image, ImageChops, ImageDraw

WIDTH, HEIGHT = 400, 267
FRAMES = 74
FRAME_MS = 40
SCALE = 4

BACKGROUND_TOP = (16, 38, 58)
BACKGROUND_BOTTOM = (10, 26, 40)
RING_TRACK = (30, 58, 82)
RING_HEAD = (111, 224, 210)
SHIELD_LIGHT = (42, 157, 143)
SHIELD_DARK = (29, 111, 120)
SHIELD_RIM = (168, 230, 223)
CHECK = (240, 247, 246)
DOT_DIM = (38, 70, 92)
DOT_BRIGHT = (150, 232, 220)

CENTRE = (200, 86)       # shield and ring, in output pixels
RING_RADIUS = 70
RING_WIDTH = 6
TAIL_DEGREES = 150
DOTS = 7
DOT_Y = 224
DOT_SPACING = 16
DOT_RADIUS = 3.5


def mix(a, b, t):
    return tuple(round(x + (y - x) * t) for x, y in zip(a, b))


def bezier(p0, p1, p2, steps=24):
    """Points of a quadratic Bezier curve from p0 to p2, p0 excluded."""
    out = []
    for i in range(1, steps + 1):
        t = i / steps
        u = 1 - t
        out.append((u * u * p0[0] + 2 * u * t * p1[0] + t * t * p2[0],
                    u * u * p0[1] + 2 * u * t * p1[1] + t * t * p2[1]))
    return out


def shield_outline(cx, cy, half_width, half_height):
    """A shield: a raised top edge, straight sides, curved down to a point."""
    def at(x, y):
        return (cx + x * half_width, cy + y * half_height)
    points = [at(-1.0, -0.78)]
    points += bezier(at(-1.0, -0.78), at(-0.45, -0.80), at(0.0, -1.0))
    points += bezier(at(0.0, -1.0), at(0.45, -0.80), at(1.0, -0.78))
    points.append(at(1.0, 0.05))
    points += bezier(at(1.0, 0.05), at(0.95, 0.62), at(0.0, 1.0))
    points += bezier(at(0.0, 1.0), at(-0.95, 0.62), at(-1.0, 0.05))
    return points


def draw_shield(image, cx, cy, half_width, half_height, rim_width):
    """Shield with a lighter left half, a rim and a check mark (big pixels)."""
    outline = shield_outline(cx, cy, half_width, half_height)
    mask = Image.new("L", image.size, 0)
    ImageDraw.Draw(mask).polygon(outline, fill=255)
    image.paste(SHIELD_DARK, (0, 0), mask)
    left = mask.copy()
    ImageDraw.Draw(left).rectangle((round(cx), 0, image.size[0], image.size[1]), fill=0)
    image.paste(SHIELD_LIGHT, (0, 0), left)
    draw = ImageDraw.Draw(image)
    draw.line(outline + [outline[0]], fill=SHIELD_RIM, width=rim_width, joint="curve")
    check = [(cx - 0.40 * half_width, cy + 0.02 * half_height),
             (cx - 0.08 * half_width, cy + 0.32 * half_height),
             (cx + 0.46 * half_width, cy - 0.30 * half_height)]
    draw.line(check, fill=CHECK, width=round(0.20 * half_width), joint="curve")
    for end in (check[0], check[-1]):
        r = 0.10 * half_width
        draw.ellipse((end[0] - r, end[1] - r, end[0] + r, end[1] + r), fill=CHECK)


def background():
    image = Image.new("RGB", (WIDTH * SCALE, HEIGHT * SCALE))
    draw = ImageDraw.Draw(image)
    for y in range(HEIGHT * SCALE):
        draw.line((0, y, WIDTH * SCALE, y), fill=mix(BACKGROUND_TOP, BACKGROUND_BOTTOM, y / (HEIGHT * SCALE - 1)))
    return image


def draw_ring(draw, phase):
    """The ring's track and its bright arc, whose head is at `phase` turns."""
    cx, cy = CENTRE[0] * SCALE, CENTRE[1] * SCALE
    r = RING_RADIUS * SCALE
    box = (cx - r, cy - r, cx + r, cy + r)
    width = RING_WIDTH * SCALE
    draw.arc(box, 0, 360, fill=RING_TRACK, width=width)
    head = -90 + 360 * phase
    for step in range(TAIL_DEGREES):
        t = 1 - step / TAIL_DEGREES
        start = head - step - 1
        draw.arc(box, start, start + 1.5, fill=mix(RING_TRACK, RING_HEAD, t * t), width=width)
    # A round cap on the head, drawn on the ring's centre line.
    inner = r - width / 2
    hx = cx + inner * math.cos(math.radians(head))
    hy = cy + inner * math.sin(math.radians(head))
    cap = width / 2
    draw.ellipse((hx - cap, hy - cap, hx + cap, hy + cap), fill=RING_HEAD)


def draw_dots(draw, phase):
    """Dots whose brightness runs from left to right twice per loop."""
    first = WIDTH / 2 - DOT_SPACING * (DOTS - 1) / 2
    for i in range(DOTS):
        wave = math.cos(2 * math.pi * (2 * phase - i / DOTS))
        glow = max(0.0, wave) ** 3
        x, y, r = (first + i * DOT_SPACING) * SCALE, DOT_Y * SCALE, DOT_RADIUS * SCALE
        draw.ellipse((x - r, y - r, x + r, y + r), fill=mix(DOT_DIM, DOT_BRIGHT, glow))


def animation_frames():
    base = background()
    frames = []
    for n in range(FRAMES):
        phase = n / FRAMES
        image = base.copy()
        draw = ImageDraw.Draw(image)
        draw_ring(draw, phase)
        draw_shield(image, CENTRE[0] * SCALE, CENTRE[1] * SCALE, 39 * SCALE, 46 * SCALE, 3 * SCALE)
        draw_dots(draw, phase)
        frames.append(image.resize((WIDTH, HEIGHT), Image.Resampling.LANCZOS))
    return frames


def shared_palette(frames, every=1):
    """One 256-colour palette for all frames, from a strip of every n-th frame."""
    samples = frames[::every]
    width, height = samples[0].size
    strip = Image.new("RGB", (width, height * len(samples)))
    for i, frame in enumerate(samples):
        strip.paste(frame, (0, i * height))
    palette = strip.quantize(colors=256, method=Image.Quantize.MEDIANCUT, dither=Image.Dither.NONE)
    colours = palette.getpalette()[:768]
    colours += [0] * (768 - len(colours))
    palette.putpalette(colours)
    return palette


def indexed(frames, every=1):
    palette = shared_palette(frames, every)
    return [frame.quantize(palette=palette, dither=Image.Dither.NONE) for frame in frames]


def save_gif(path, frames, duration_ms, transparent=None):
    """Writes frames that share the first frame's palette as one GIF with that
    palette as its only (global) colour table; with a duration every frame
    gets a graphic control block with that delay, and with a transparent
    index that index shows the frame below (the frames stay in place)."""
    # Without an explicit palette PIL gives every changed frame a local table.
    palette = bytes(frames[0].getpalette()[:768])
    options = dict(save_all=True, append_images=frames[1:], loop=0, optimize=False, palette=palette)
    if duration_ms:
        options.update(duration=duration_ms, disposal=1)
    if transparent is not None:
        options.update(transparency=transparent)
    frames[0].save(path, **options)


def frame_differences(frames):
    """The frames as differences: from the second frame on, every pixel that
    equals the one of the frame before becomes a palette index no frame uses,
    the transparent index. Frames stay in place (disposal 1), so a decoder
    composes exactly the same pictures; PIL already stores each frame only
    over the rectangle that changed, and the runs of the transparent index
    inside it cost the LZW coder next to nothing. Returns the new frames and
    the transparent index."""
    used = set()
    for frame in frames:
        used.update(index for _, index in frame.getcolors(256))
    transparent = max(set(range(256)) - used)
    out = [frames[0]]
    for previous, frame in zip(frames, frames[1:]):
        same = ImageChops.difference(frame, previous).point(lambda d: 255 if d == 0 else 0, "1")
        difference = frame.copy()
        difference.paste(transparent, mask=same)
        out.append(difference)
    return out, transparent


def write_animation(folder):
    frames, transparent = frame_differences(indexed(animation_frames(), every=6))
    save_gif(os.path.join(folder, "progress_animation.gif"), frames, FRAME_MS, transparent)


def write_icon(folder):
    size = 256 * SCALE
    image = Image.new("RGBA", (size, size), (0, 0, 0, 0))
    draw_shield(image, size / 2, size / 2, 0.40 * size, 0.47 * size, round(0.035 * size))
    icon = image.resize((256, 256), Image.Resampling.LANCZOS)
    icon.save(os.path.join(folder, "progress_icon.ico"), sizes=[(16, 16), (24, 24), (32, 32), (48, 48), (64, 64)],
              bitmap_format="bmp")


def write_fixtures(folder):
    """A 200 x 100 one-frame GIF and a three-frame GIF without delays."""
    colours = ((20, 60, 90), (90, 20, 60), (60, 90, 20))
    frames = indexed([Image.new("RGB", (200, 100), colour) for colour in colours])
    frames[0].save(os.path.join(folder, "animation_still.gif"))
    save_gif(os.path.join(folder, "animation_no_delays.gif"), frames, 0)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    group = parser.add_mutually_exclusive_group()
    group.add_argument("--out", default=os.path.dirname(os.path.abspath(__file__)))
    group.add_argument("--fixtures")
    args = parser.parse_args()
    if args.fixtures:
        os.makedirs(args.fixtures, exist_ok=True)
        write_fixtures(args.fixtures)
    else:
        os.makedirs(args.out, exist_ok=True)
        write_animation(args.out)
        write_icon(args.out)
    return 0


if __name__ == "__main__":
    sys.exit(main())
