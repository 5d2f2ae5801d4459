#!/usr/bin/python3
"""Draws the window's pictures: the banner, the window icon and the program icon.

Run by hand from this folder (see README.md); the outputs are committed. Everything is drawn
procedurally from a fixed seed, so a run gives the same files again.

Needs Debian's python3-pil, python3-numpy and fonts-urw-base35.
"""

import io
import struct
from pathlib import Path

import numpy as np
from PIL import Image, ImageDraw, ImageFilter, ImageFont

HERE = Path(__file__).resolve().parent
FONTS = Path("/usr/share/fonts/opentype/urw-base35")

BANNER_SIZE = (543, 130)
SUPERSAMPLE = 3
rng = np.random.default_rng(20160122)


# ---------------------------------------------------------------------------------------------
# Drawing helpers: the canvas is a float array (height, width, 3) with values in 0..1.


def polygon_mask(size, points, blur=0.0):
    mask = Image.new("L", size, 0)
    ImageDraw.Draw(mask).polygon(points, fill=255)
    if blur:
        mask = mask.filter(ImageFilter.GaussianBlur(blur))
    return np.asarray(mask, dtype=np.float32) / 255.0


def ellipse_mask(size, cx, cy, rx, ry, blur=0.0):
    mask = Image.new("L", size, 0)
    ImageDraw.Draw(mask).ellipse((cx - rx, cy - ry, cx + rx, cy + ry), fill=255)
    if blur:
        mask = mask.filter(ImageFilter.GaussianBlur(blur))
    return np.asarray(mask, dtype=np.float32) / 255.0


def paint(canvas, mask, colour):
    m = mask[..., None]
    canvas *= 1.0 - m
    canvas += m * np.asarray(colour, dtype=np.float32)


def darken(canvas, mask, strength):
    canvas *= 1.0 - strength * mask[..., None]


def smooth_noise(shape, cell, octaves=4):
    """Value noise in 0..1: random grids of shrinking cells, upsampled smoothly and summed."""
    height, width = shape
    total = np.zeros(shape, dtype=np.float32)
    weight = 0.0
    amplitude = 1.0
    for _ in range(octaves):
        grid = rng.random((max(2, int(height / cell) + 2), max(2, int(width / cell) + 2)))
        layer = Image.fromarray((grid * 255).astype(np.uint8)).resize(
            (width, height), Image.Resampling.BICUBIC)
        total += amplitude * np.asarray(layer, dtype=np.float32) / 255.0
        weight += amplitude
        amplitude *= 0.5
        cell = max(1.0, cell / 2.0)
    return total / weight


LIGHT = np.array([-0.45, -0.6, 0.66])
LIGHT /= np.linalg.norm(LIGHT)


def stamp(canvas, cx, cy, half_length, half_width, angle, shape, colour_of, clip=None,
          shadow=0.35):
    """Draws one shaded object. `shape(u, v)` gives (inside 0..1, normal x, y, z) in the object's
    own frame, u along its length and v across, both in -1..1; `colour_of(u, v)` its colour."""
    reach = max(half_length, half_width) + half_width + 8
    x0, x1 = int(max(0, cx - reach)), int(min(canvas.shape[1], cx + reach + 1))
    y0, y1 = int(max(0, cy - reach)), int(min(canvas.shape[0], cy + reach + 1))
    if x0 >= x1 or y0 >= y1:
        return
    ys, xs = np.mgrid[y0:y1, x0:x1].astype(np.float32)
    dx, dy = xs - cx, ys - cy
    c, s = np.cos(angle), np.sin(angle)
    u = (dx * c + dy * s) / half_length
    v = (-dx * s + dy * c) / half_width
    inside, nx, ny, nz = shape(u, v)
    # Normals are in the object's frame; turn them into the picture's frame.
    wx = nx * c - ny * s
    wy = nx * s + ny * c
    diffuse = np.clip(wx * LIGHT[0] + wy * LIGHT[1] + nz * LIGHT[2], 0.0, 1.0)
    reflect_z = 2 * diffuse * nz - LIGHT[2]
    specular = np.clip(reflect_z, 0.0, 1.0) ** 24
    # Dried surfaces are never smooth: a little mottling in the object's own frame.
    mottle = 1.0 + 0.12 * (smooth_noise(u.shape, max(2.0, half_width / 3), 2) - 0.5)
    base = colour_of(u, v) * mottle[..., None]
    lit = base * (0.38 + 0.78 * diffuse)[..., None] + 0.35 * specular[..., None]
    alpha = inside
    if clip is not None:
        alpha = alpha * clip[y0:y1, x0:x1]
    region = canvas[y0:y1, x0:x1]
    if shadow:
        # A soft contact shadow, down and to the right of the object, away from the light.
        shade = Image.fromarray((alpha * 255).astype(np.uint8)).filter(
            ImageFilter.GaussianBlur(half_width * 0.35 + 2))
        offset = max(1, int(half_width * 0.25))
        shifted = np.zeros_like(alpha)
        shade_array = np.asarray(shade, dtype=np.float32) / 255.0
        shifted[offset:, offset:] = shade_array[:-offset, :-offset]
        region *= 1.0 - shadow * shifted[..., None]
    a = alpha[..., None]
    region *= 1.0 - a
    region += a * np.clip(lit, 0.0, 1.0)


def soft_edge(distance_inside, pixels):
    return np.clip(distance_inside * pixels, 0.0, 1.0)


def sphere(half_width):
    def shape(u, v):
        r2 = u * u + v * v
        nz = np.sqrt(np.clip(1.0 - r2, 0.0, 1.0))
        return soft_edge(1.0 - np.sqrt(r2), half_width), u, v, nz
    return shape


def cylinder(half_length, half_width):
    """A stick with rounded ends, shaded round across its width."""
    def shape(u, v):
        end = np.abs(u) - (1.0 - half_width / half_length)
        end_v = np.sqrt(np.clip(end, 0, None) ** 2 * (half_length / half_width) ** 2 + v * v)
        inside = soft_edge(1.0 - np.maximum(end_v, np.abs(v)), half_width)
        nz = np.sqrt(np.clip(1.0 - v * v, 0.0, 1.0))
        return inside, np.zeros_like(u), v, nz
    return shape


def leaf(half_width):
    def shape(u, v):
        edge = np.clip(1.0 - u * u, 0.0, 1.0) ** 0.85
        inside = soft_edge(edge - np.abs(v), half_width) * (np.abs(u) <= 1.0)
        across = np.clip(v / np.maximum(edge, 1e-3), -1.0, 1.0)
        curl = 0.55 * across
        nz = np.sqrt(np.clip(1.0 - curl * curl, 0.0, 1.0))
        return inside, np.zeros_like(u), curl, nz
    return shape


def disc(half_width):
    def shape(u, v):
        r = np.sqrt(u * u + v * v)
        tilt = 0.18
        return soft_edge(1.0 - r, half_width), tilt * u, tilt * v, np.full_like(u, 0.97)
    return shape


def star(half_width):
    def shape(u, v):
        r = np.sqrt(u * u + v * v)
        theta = np.arctan2(v, u)
        limit = 0.42 + 0.58 * np.abs(np.cos(4 * theta)) ** 1.6
        inside = soft_edge(limit - r, half_width)
        nz = np.sqrt(np.clip(1.0 - (r / np.maximum(limit, 1e-3)) ** 2 * 0.6, 0.0, 1.0))
        return inside, u * 0.5, v * 0.5, nz
    return shape


def flat(colour):
    colour = np.asarray(colour, dtype=np.float32)
    return lambda u, v: np.broadcast_to(colour, u.shape + (3,))


def streaked(colour, dark, frequency, seed):
    colour = np.asarray(colour, dtype=np.float32)
    dark = np.asarray(dark, dtype=np.float32)
    phase = np.random.default_rng(seed).random() * 6.28

    def colour_of(u, v):
        t = 0.5 + 0.5 * np.sin(v * frequency + np.sin(u * 3.0 + phase) * 1.5)
        return colour + (dark - colour) * (t ** 3)[..., None]
    return colour_of


def leaf_colour(colour, seed):
    colour = np.asarray(colour, dtype=np.float32)
    phase = np.random.default_rng(seed).random() * 6.28

    def colour_of(u, v):
        rib = np.exp(-(v / 0.07) ** 2)
        veins = 0.5 + 0.5 * np.sin((u * 9.0 + np.abs(v) * 6.0) + phase)
        tone = colour * (0.92 + 0.1 * veins)[..., None]
        return tone + (np.array([0.85, 0.78, 0.55]) - tone) * (0.55 * rib)[..., None]
    return colour_of


def slice_colour(seed):
    local = np.random.default_rng(seed)
    rays = local.random(64)

    def colour_of(u, v):
        r = np.sqrt(u * u + v * v)
        theta = (np.arctan2(v, u) + np.pi) / (2 * np.pi) * 63
        ray = rays[np.clip(theta.astype(int), 0, 63)]
        pale = np.array([0.93, 0.84, 0.58]) * (0.9 + 0.12 * ray[..., None] * r[..., None])
        ring = np.exp(-((r - 0.55) / 0.05) ** 2)[..., None]
        pale = pale * (1.0 - 0.18 * ring)
        bark = np.array([0.50, 0.36, 0.22])
        return np.where((r > 0.86)[..., None], bark, pale)
    return colour_of


# ---------------------------------------------------------------------------------------------
# The banner: dried herbs in and around a dark bowl on a light ground, with the lettering.


def banner():
    width, height = BANNER_SIZE[0] * SUPERSAMPLE, BANNER_SIZE[1] * SUPERSAMPLE
    k = SUPERSAMPLE
    size = (width, height)
    ys, xs = np.mgrid[0:height, 0:width].astype(np.float32)

    # Light linen ground, lit from the upper left, with fibre texture and a soft vignette.
    ground = np.empty((height, width, 3), dtype=np.float32)
    ground[:] = np.array([0.93, 0.895, 0.83])
    light = 1.0 + 0.06 * (1.0 - xs / width) - 0.05 * (ys / height)
    fibre = smooth_noise((height, width), 60 * k) - 0.5
    grain_h = np.asarray(Image.fromarray(((rng.random((height, width)) * 255)).astype(np.uint8))
                         .filter(ImageFilter.BoxBlur(k)), dtype=np.float32) / 255.0 - 0.5
    weave = 0.012 * np.sin(xs * 2.1 / k) * np.sin(ys * 2.3 / k)
    vignette = 1.0 - 0.16 * (((xs / width - 0.45) * 1.5) ** 2 + ((ys / height - 0.45) * 1.2) ** 2)
    canvas = ground * (light * vignette)[..., None]
    canvas += (0.05 * fibre + 0.03 * grain_h + weave)[..., None] * np.array([1.0, 0.97, 0.9])
    # A warmer, brighter field behind the lettering.
    glow = np.exp(-(((xs - 0.72 * width) / (0.33 * width)) ** 2 + ((ys - 0.42 * height)
                                                                     / (0.6 * height)) ** 2))
    canvas += 0.035 * glow[..., None] * np.array([1.0, 0.95, 0.8])

    bowl_x, rim_y = 128 * k, 54 * k
    rim_rx, rim_ry = 92 * k, 27 * k
    depth = 60 * k

    # The bowl's shadow on the ground, thrown right and down.
    darken(canvas, ellipse_mask(size, bowl_x + 16 * k, rim_y + 50 * k, 98 * k, 22 * k,
                                blur=11 * k), 0.42)

    # Loose herbs on the ground, drawn before the bowl where they lie behind it.
    loose = [
        # kind, x, y, half length, half width, angle
        ("stick", 22, 112, 40, 6.5, -0.30),
        ("slice", 246, 100, 15, 15, 0.0),
        ("berry", 218, 114, 6.5, 3.6, 0.8),
        ("leaf", 44, 20, 24, 8.5, 0.55),
        ("twig", 300, 118, 62, 2.2, -0.12),
        ("star", 272, 56, 13, 13, 0.3),
        ("berry", 262, 80, 6.2, 3.4, -0.4),
        ("berry", 276, 86, 6.0, 3.3, 0.9),
        ("leaf", 222, 14, 22, 7.5, 2.7),
        ("slice", 12, 66, 14, 14, 0.0),
        ("berry", 30, 52, 5.8, 3.2, 1.9),
        ("leaf", 356, 124, 26, 8.0, 2.9),
        ("berry", 520, 120, 6.0, 3.3, 2.3),
        ("leaf", 534, 118, 20, 7.0, 2.2),
        ("slice", 470, 126, 13, 13, 0.0),
    ]
    for index, (kind, x, y, length, width_, angle) in enumerate(loose):
        draw_herb(canvas, kind, x * k, y * k, length * k, width_ * k, angle, seed=index)

    # Bowl body: the lower half of an ellipse below the rim, dark glaze lit from the left.
    body = (ys >= rim_y) & (((xs - bowl_x) / rim_rx) ** 2 + ((ys - rim_y) / depth) ** 2 <= 1.0)
    body_mask = np.asarray(Image.fromarray((body * 255).astype(np.uint8)).filter(
        ImageFilter.GaussianBlur(0.6 * k)), dtype=np.float32) / 255.0
    across = np.clip((xs - bowl_x) / rim_rx, -1, 1)
    down = np.clip((ys - rim_y) / depth, 0, 1)
    shade = 0.55 + 0.45 * np.cos((across + 0.35) * 1.4) - 0.35 * down
    glaze = np.array([0.16, 0.115, 0.10])[None, None, :] * shade[..., None]
    highlight = np.exp(-((across + 0.55) / 0.09) ** 2) * np.exp(-((down - 0.35) / 0.3) ** 2)
    glaze = glaze + (0.38 * highlight)[..., None] * np.array([0.95, 0.9, 0.85])
    glaze += (0.05 * (smooth_noise((height, width), 8 * k, 2) - 0.5))[..., None]
    # Foot ring at the bottom of the bowl.
    foot = np.exp(-((ys - (rim_y + depth * 0.93)) / (2.5 * k)) ** 2) * (np.abs(across) < 0.4)
    glaze = glaze * (1.0 - 0.5 * foot[..., None])
    paint(canvas, body_mask, glaze)

    # Rim: the outer lip, a light edge, then the dark inside.
    outer = ellipse_mask(size, bowl_x, rim_y, rim_rx, rim_ry, blur=0.5 * k)
    paint(canvas, outer, [0.22, 0.165, 0.14])
    lip = ellipse_mask(size, bowl_x, rim_y + 0.5 * k, rim_rx - 2.5 * k, rim_ry - 2 * k,
                       blur=0.6 * k)
    paint(canvas, lip, [0.42, 0.34, 0.29])
    inner = ellipse_mask(size, bowl_x, rim_y + 1.5 * k, rim_rx - 5 * k, rim_ry - 4.5 * k,
                         blur=0.6 * k)
    inside_shade = 0.55 + 0.6 * np.clip((ys - (rim_y - rim_ry)) / (2 * rim_ry), 0, 1)
    paint(canvas, inner, np.array([0.09, 0.07, 0.06])[None, None, :] * inside_shade[..., None])

    # Herbs heaped in the bowl, clipped to its inside; the far side sits in shadow.
    heap_clip = ellipse_mask(size, bowl_x, rim_y + 2 * k, rim_rx - 6 * k, rim_ry - 5.5 * k,
                             blur=0.5 * k)
    kinds = ["berry", "slice", "berry", "leaf", "slice", "berry", "stick"]
    for index in range(120):
        angle = rng.random() * 2 * np.pi
        radius = np.sqrt(rng.random())
        x = bowl_x + np.cos(angle) * radius * (rim_rx - 10 * k)
        y = rim_y + 4 * k + np.sin(angle) * radius * (rim_ry - 6 * k) - 4 * k * (1 - radius)
        kind = kinds[index % len(kinds)]
        scale = rng.uniform(0.8, 1.15)
        length, width_ = {"berry": (6.0, 3.4), "slice": (11.5, 11.5), "leaf": (16, 6),
                          "stick": (20, 4.5)}[kind]
        draw_herb(canvas, kind, x, y, length * k * scale, width_ * k * scale,
                  rng.random() * np.pi, seed=100 + index, clip=heap_clip, shadow=0.5)
    back = np.clip(1.0 - (ys - (rim_y - rim_ry)) / (1.1 * rim_ry), 0, 1) * heap_clip
    darken(canvas, back, 0.55)
    # Glaze highlight along the near lip.
    near_lip = ellipse_mask(size, bowl_x, rim_y + 1 * k, rim_rx - 1.2 * k, rim_ry - 0.8 * k) \
        - ellipse_mask(size, bowl_x, rim_y - 0.6 * k, rim_rx - 1.2 * k, rim_ry - 0.8 * k)
    near_lip = np.clip(near_lip, 0, 1) * np.exp(-((xs - bowl_x + 30 * k) / (45 * k)) ** 2)
    paint(canvas, np.asarray(Image.fromarray((near_lip * 255).astype(np.uint8)).filter(
        ImageFilter.GaussianBlur(0.7 * k)), dtype=np.float32) / 255.0 * 0.7, [0.8, 0.74, 0.68])

    letter(canvas, size, k)

    # Film grain, then down to the banner's size.
    canvas += (rng.normal(0.0, 0.018, (height, width)))[..., None]
    image = Image.fromarray((np.clip(canvas, 0, 1) * 255 + 0.5).astype(np.uint8), "RGB")
    image = image.resize(BANNER_SIZE, Image.Resampling.LANCZOS)
    image = image.filter(ImageFilter.UnsharpMask(radius=1.0, percent=40, threshold=2))
    return image


def draw_herb(canvas, kind, x, y, length, width_, angle, seed, clip=None, shadow=0.35):
    local = np.random.default_rng(seed)
    if kind == "berry":
        hue = local.uniform(-0.06, 0.06)
        stamp(canvas, x, y, length, width_, angle, sphere(width_),
              flat([0.78 + hue, 0.17 + hue * 0.5, 0.09]), clip=clip, shadow=shadow)
    elif kind == "slice":
        stamp(canvas, x, y, length, width_ * local.uniform(0.6, 1.0), angle, disc(width_),
              slice_colour(seed), clip=clip, shadow=shadow)
    elif kind == "leaf":
        tone = local.uniform(0.85, 1.1)
        stamp(canvas, x, y, length, width_, angle, leaf(width_),
              leaf_colour(np.array([0.47, 0.5, 0.27]) * tone, seed), clip=clip, shadow=shadow)
    elif kind == "stick":
        stamp(canvas, x, y, length, width_, angle, cylinder(length, width_),
              streaked([0.62, 0.36, 0.2], [0.38, 0.2, 0.1], 11.0, seed), clip=clip,
              shadow=shadow)
    elif kind == "twig":
        stamp(canvas, x, y, length, width_, angle, cylinder(length, width_),
              streaked([0.47, 0.37, 0.28], [0.3, 0.23, 0.17], 5.0, seed), clip=clip,
              shadow=shadow)
    elif kind == "star":
        stamp(canvas, x, y, length, width_, angle, star(width_),
              streaked([0.5, 0.26, 0.15], [0.3, 0.14, 0.08], 14.0, seed), clip=clip,
              shadow=shadow)


def letter(canvas, size, k):
    """The product name and, under a thin rule, the maker's site name and host."""
    title_font = ImageFont.truetype(str(FONTS / "P052-Bold.otf"), 46 * k)
    host_font = ImageFont.truetype(str(FONTS / "P052-Roman.otf"), 15 * k)
    title, host = "Vorlantix", "Dravena www.dravena.example"
    measure = ImageDraw.Draw(Image.new("L", (1, 1)))
    title_width = measure.textlength(title, font=title_font)
    host_width = measure.textlength(host, font=host_font)
    # The block of lettering is centred in the free ground right of the herbs.
    left = (418 * k) - max(title_width, host_width) / 2

    def text_mask(text, font, x, y, blur=0.0):
        mask = Image.new("L", size, 0)
        ImageDraw.Draw(mask).text((x, y), text, font=font, fill=255)
        if blur:
            mask = mask.filter(ImageFilter.GaussianBlur(blur))
        return np.asarray(mask, dtype=np.float32) / 255.0

    title_left = left + (max(title_width, host_width) - title_width) / 2
    darken(canvas, text_mask(title, title_font, title_left + 2 * k, 18 * k, blur=2.2 * k), 0.28)
    paint(canvas, text_mask(title, title_font, title_left, 16 * k), [0.36, 0.17, 0.07])
    right = left + max(title_width, host_width)
    rule = polygon_mask(size, [(left, 78 * k), (right, 78 * k), (right, 78.8 * k),
                               (left, 78.8 * k)])
    paint(canvas, rule * 0.6, [0.55, 0.33, 0.16])
    paint(canvas, text_mask(host, host_font, left, 84 * k), [0.27, 0.22, 0.19])


# ---------------------------------------------------------------------------------------------
# The book icons: one drawing, in orange for the window and in blue for the program.

ICON_DRAW_SIZE = 512
RIBBON = (199, 26, 26)


def book(cover_light, cover_dark, spine_dark):
    s = ICON_DRAW_SIZE
    image = np.zeros((s, s, 4), dtype=np.float32)
    size = (s, s)
    ys, xs = np.mgrid[0:s, 0:s].astype(np.float32) / s

    def put(mask, colour):
        m = mask[..., None]
        rgb = np.asarray(colour, dtype=np.float32)
        rgb = np.broadcast_to(rgb, image.shape[:2] + (3,)) if rgb.ndim == 1 else rgb
        image[..., :3] = image[..., :3] * (1 - m) + rgb * m
        image[..., 3] = image[..., 3] * (1 - mask) + mask

    def pts(*points):
        return [(x * s, y * s) for x, y in points]

    outline = np.array([0.16, 0.11, 0.08]) if cover_light[2] < 0.5 else np.array(
        [0.07, 0.11, 0.22])
    front = ((0.14, 0.08), (0.72, 0.08), (0.72, 0.80), (0.14, 0.80))
    d = (0.12, 0.10)
    back = tuple((x + d[0], y + d[1]) for x, y in front)
    # Silhouette with a dark outline, then the back cover, the page block, the front cover.
    hull = pts(front[0], front[1], back[1], back[2], back[3], front[3])
    grow = Image.new("L", size, 0)
    ImageDraw.Draw(grow).polygon(hull, fill=255)
    grow = grow.filter(ImageFilter.MaxFilter(29))
    put(np.asarray(grow, dtype=np.float32) / 255.0, outline)
    put(polygon_mask(size, pts(*back)), np.asarray(spine_dark))
    inset = 0.025
    pages = pts((front[1][0], front[1][1] + inset), (back[1][0] - inset, back[1][1] + inset),
                (back[2][0] - inset, back[2][1] - inset), (back[3][0] + inset, back[3][1] - inset),
                (front[3][0] + inset, front[3][1]), (front[2][0], front[2][1]))
    put(polygon_mask(size, pages), [0.97, 0.94, 0.86])
    # Page edges: fine lines along the block's right and bottom faces.
    lines = Image.new("L", size, 0)
    draw = ImageDraw.Draw(lines)
    for t in np.linspace(0.2, 0.85, 5):
        ox, oy = d[0] * t, d[1] * t
        draw.line(pts((front[1][0] + ox, front[1][1] + oy + 0.04),
                      (front[2][0] + ox, front[2][1] + oy),
                      (front[3][0] + ox + 0.04, front[3][1] + oy)), fill=255, width=6)
    put(np.asarray(lines, dtype=np.float32) / 255.0 * polygon_mask(size, pages) * 0.7,
        [0.72, 0.66, 0.56])
    # Front cover: diagonal gradient, light at the top left.
    t = np.clip((xs - 0.14) / 0.58 * 0.5 + (ys - 0.08) / 0.72 * 0.5, 0, 1)[..., None]
    cover = np.asarray(cover_light) * (1 - t) + np.asarray(cover_dark) * t
    put(polygon_mask(size, pts(*front)), cover)
    # Spine band along the left edge, rounded by shading, with two raised bands.
    spine = pts((0.14, 0.08), (0.25, 0.08), (0.25, 0.80), (0.14, 0.80))
    across = np.clip((xs - 0.14) / 0.11, 0, 1)
    spine_shade = (0.55 + 0.45 * np.sin(across * np.pi))[..., None]
    put(polygon_mask(size, spine), np.asarray(spine_dark) * 0.6 + cover * 0.4 * spine_shade)
    for y in (0.16, 0.70):
        put(polygon_mask(size, pts((0.14, y), (0.25, y), (0.25, y + 0.035), (0.14, y + 0.035))),
            np.asarray(cover_light) * 1.0)
    put(polygon_mask(size, pts((0.25, 0.08), (0.265, 0.08), (0.265, 0.80), (0.25, 0.80))),
        np.asarray(spine_dark))
    # Title plate with two lines of "text".
    put(polygon_mask(size, pts((0.34, 0.22), (0.64, 0.22), (0.64, 0.42), (0.34, 0.42))),
        [0.99, 0.96, 0.86])
    for y, right in ((0.27, 0.60), (0.34, 0.54)):
        put(polygon_mask(size, pts((0.38, y), (right, y), (right, y + 0.03), (0.38, y + 0.03))),
            np.asarray(spine_dark))
    # Light edge along the cover's top and left, for a little depth.
    put(polygon_mask(size, pts((0.14, 0.08), (0.72, 0.08), (0.72, 0.095), (0.14, 0.095))) * 0.6,
        [1.0, 1.0, 1.0])
    # Bookmark ribbon hanging out of the bottom pages.
    put(polygon_mask(size, pts((0.50, 0.80), (0.57, 0.80), (0.60, 0.965), (0.565, 0.93),
                               (0.535, 0.975))), np.asarray(RIBBON) / 255.0)
    rgba = np.clip(image, 0, 1)
    rgba[..., :3] *= rgba[..., 3:4]  # premultiplied, so that scaling keeps clean edges
    return Image.fromarray((rgba * 255 + 0.5).astype(np.uint8), "RGBa")


def render(picture, pixels):
    return picture.resize((pixels, pixels), Image.Resampling.LANCZOS).convert("RGBA")


def ico_entry(rgba, colours, keep=()):
    """One icon image as a palette bitmap with a transparency mask (the classic ICO form).
    The palette is fitted to the picture, plus the `keep` colours, which small details (the
    ribbon) need but a fitted palette of 16 would merge away."""
    pixels = rgba.size[0]
    alpha = np.asarray(rgba, dtype=np.uint8)[..., 3]
    opaque = alpha >= 128
    flat_rgb = Image.new("RGB", rgba.size, (0, 0, 0))
    flat_rgb.paste(rgba.convert("RGB"), mask=Image.fromarray((opaque * 255).astype(np.uint8)))
    fitted = flat_rgb.quantize(colours - len(keep), method=Image.Quantize.MEDIANCUT,
                               dither=Image.Dither.NONE)
    palette = fitted.getpalette()[:(colours - len(keep)) * 3]
    palette += [0] * ((colours - len(keep)) * 3 - len(palette))
    palette += [channel for colour in keep for channel in colour]
    palette_image = Image.new("P", (1, 1))
    palette_image.putpalette(palette)
    quantised = flat_rgb.quantize(palette=palette_image, dither=Image.Dither.NONE)
    indices = np.asarray(quantised, dtype=np.uint8)
    bits = {16: 4, 256: 8}[colours]

    xor_rows, and_rows = [], []
    for row in range(pixels - 1, -1, -1):  # bitmaps run bottom-up
        if bits == 8:
            data = bytes(indices[row])
        else:
            data = bytes((int(indices[row, i]) << 4) | int(indices[row, i + 1])
                         for i in range(0, pixels, 2))
        xor_rows.append(data + b"\0" * (-len(data) % 4))
        mask_bits = np.packbits(~opaque[row])
        and_rows.append(bytes(mask_bits) + b"\0" * (-len(mask_bits) % 4))
    header = struct.pack("<IiiHHIIiiII", 40, pixels, pixels * 2, 1, bits, 0,
                         len(b"".join(xor_rows)) + len(b"".join(and_rows)), 0, 0, colours, 0)
    colour_table = b"".join(bytes((palette[3 * i + 2], palette[3 * i + 1], palette[3 * i], 0))
                            for i in range(colours))
    return pixels, colours, bits, header + colour_table + b"".join(xor_rows) + b"".join(and_rows)


def write_ico(path, entries):
    directory = struct.pack("<HHH", 0, 1, len(entries))
    offset = 6 + 16 * len(entries)
    records, blobs = [], []
    for pixels, colours, bits, blob in entries:
        records.append(struct.pack("<BBBBHHII", pixels % 256, pixels % 256, colours % 256, 0, 1,
                                   bits, len(blob), offset))
        blobs.append(blob)
        offset += len(blob)
    path.write_bytes(directory + b"".join(records) + b"".join(blobs))


# ---------------------------------------------------------------------------------------------
# The Silver style's arrows (combo box, scroll bars): small crisp triangles, drawn pixel by pixel.

ARROW_COLOUR = (59, 62, 67, 255)


def arrows():
    down = Image.new("RGBA", (7, 4), (0, 0, 0, 0))
    for row in range(4):
        for column in range(row, 7 - row):
            down.putpixel((column, row), ARROW_COLOUR)
    return {
        "down": down,
        "up": down.transpose(Image.Transpose.FLIP_TOP_BOTTOM),
        "left": down.transpose(Image.Transpose.ROTATE_270),
        "right": down.transpose(Image.Transpose.ROTATE_90),
    }


def main():
    banner_image = banner()
    out = io.BytesIO()
    banner_image.save(out, "JPEG", quality=90, subsampling=0, dpi=(150, 150), optimize=True,
                      progressive=False)
    (HERE / "banner.jpg").write_bytes(out.getvalue())

    orange = book([1.0, 0.74, 0.30], [0.93, 0.45, 0.08], [0.62, 0.27, 0.04])
    write_ico(HERE / "window.ico", [ico_entry(render(orange, 32), 16, keep=[RIBBON]),
                                    ico_entry(render(orange, 32), 256),
                                    ico_entry(render(orange, 48), 256)])

    blue = book([0.55, 0.74, 1.0], [0.14, 0.36, 0.82], [0.06, 0.18, 0.48])
    write_ico(HERE / "program.ico", [ico_entry(render(blue, 32), 16, keep=[RIBBON])])
    for pixels in (32, 48, 128):
        render(blue, pixels).save(HERE / f"program-{pixels}.png", optimize=True)

    for direction, arrow in arrows().items():
        arrow.save(HERE / f"arrow-{direction}.png", optimize=True)


if __name__ == "__main__":
    main()
