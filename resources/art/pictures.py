"""The 25 pictures of 咕噜兽: which resource id shows what, at which size and with which channels.

Each entry composes the shared character (gulu.py) with props and scenery (props.py) into one SVG.
Pet pictures (alpha) stand on their bottom edge, since the renderer anchors them at the bottom of the window.
"""

import math

import gulu
import props as p
from gulu import OUTLINE, GOLD, character, place, svg, stroke

ALPHA, OPAQUE = "alpha", "opaque"
RELAXED = ((-1, 38, False), (1, 38, False))


def ground_scale(height, top_margin, bottom_margin, figure_height=570):
    return (height - top_margin - bottom_margin) / figure_height


def confetti(w, h, count, seed, colours=("#ff5a6e", "#ffcf3a", "#4fc3f7", "#7ddc6a", "#b57ee6"), region=None):
    """Deterministic confetti pieces scattered over the region (x0, y0, x1, y1)."""
    x0, y0, x1, y1 = region or (0, 0, w, h)
    out = []
    state = seed
    for i in range(count):
        state = (state * 1103515245 + 12345) % 2147483648
        x = x0 + (state % 10000) / 10000 * (x1 - x0)
        state = (state * 1103515245 + 12345) % 2147483648
        y = y0 + (state % 10000) / 10000 * (y1 - y0)
        state = (state * 1103515245 + 12345) % 2147483648
        angle = state % 180
        colour = colours[i % len(colours)]
        cw, ch = 16 * w / 600, 30 * w / 600
        out.append(f'<rect x="{x - cw / 2:.1f}" y="{y - ch / 2:.1f}" width="{cw:.1f}" height="{ch:.1f}" rx="{cw * 0.3:.1f}" '
                   f'fill="{colour}" stroke="{OUTLINE}" stroke-width="{max(1.5, 3 * w / 600):.1f}" '
                   f'transform="rotate({angle} {x:.1f} {y:.1f})"/>')
    return "".join(out)


def sky(w, h, top, bottom, ident):
    return (f'<linearGradient id="{ident}" x1="0" y1="0" x2="0" y2="1"><stop offset="0" stop-color="{top}"/>'
            f'<stop offset="1" stop-color="{bottom}"/></linearGradient>', f'<rect width="{w}" height="{h}" fill="url(#{ident})"/>')


# --- appearance 0 and the menu poses -------------------------------------------------------------------------

def plain(w, h):
    s = ground_scale(h, 14, 8)
    return svg(w, h, place(character(arms=RELAXED), w / 2 - 20 * s, h - 8, s))


def speechless(w, h):
    s = ground_scale(h, 150, 8)
    fig = character(eyes="flat", mouth_kind="flat", blush=False, arms=((-1, 10, False), (1, 10, False)),
                    front=p.sweat(200, -350, 1.2))
    # Centred above the head: the energy badge covers the top-right corner whichever way the pet faces.
    dots = "".join(f'<circle cx="{w / 2 + dx}" cy="96" r="30" fill="#ffffff" {stroke(12)}/>' for dx in (-150, -40, 70))
    return svg(w, h, dots + place(fig, w / 2 - 30, h - 8, s))


def begging(w, h):
    s = ground_scale(h, 14, 8)
    bowl_svg = p.bowl(0, -70, 230, fill="#c98a4b", food="none") + p.coin(-30, -166, 26, 7)
    fig = character(eyes="sparkle", mouth_kind="pout", brows="worried",
                    arms=((-1, -16, True, 70), (1, -16, True, 70)),
                    front=bowl_svg)
    extra = (p.sparkle(150, 200, 40, "#ffe27a") + p.sparkle(230, 330, 24, "#ffe27a")
             + p.sparkle(w - 170, 220, 36, "#ffe27a") + p.sparkle(w - 250, 360, 22, "#ffe27a")
             + p.heart(w - 190, 540, 90, "#ff8fa3", 8) + p.heart(180, 560, 70, "#ff8fa3", 8))
    return svg(w, h, extra + place(fig, w / 2 - 20 * s, h - 8, s))


def flying(w, h):
    ground = h - 320
    s = 1.33
    fig = character(eyes="happy", mouth_kind="open", arms=((-1, 150, False), (1, 150, False)),
                    back=p.wing(-1) + p.wing(1), shadow=False)
    cloud = p.cloud(w / 2 + 10, h - 150, 520)
    lines = "".join(f'<path d="M {x},{y} l {-ln},0" stroke="{OUTLINE}" stroke-width="14" stroke-linecap="round" '
                    f'opacity="0.4"/>' for x, y, ln in ((200, h - 200, 120), (170, h - 120, 90), (w - 60, h - 170, 110)))
    extra = (p.sparkle(140, 260, 46, "#ffe27a") + p.sparkle(w - 130, 200, 36, "#ffe27a")
             + p.sparkle(w - 200, 460, 26, "#ffe27a") + p.sparkle(190, 520, 24, "#ffe27a"))
    return svg(w, h, extra + lines + place(fig, w / 2 + 10, ground, s) + cloud)


def cheers(w, h):
    s = ground_scale(h, 140, 8)
    hx, hy = gulu.arm_end(1, 145)
    fig = character(eyes="happy", mouth_kind="open", arms=((-1, 40, False), (1, 145, True)),
                    front=p.glass(hx + 20, hy + 90, 200))
    drops = "".join(p.sweat(x, y, 0.8) for x, y in ((w - 130, 120), (w - 230, 60), (w - 60, 230)))
    return svg(w, h, drops + place(fig, w / 2 - 40, h - 8, s))


def cheers_cut_in(w, h):
    """Overlay: two glasses clink with a splash in the top-left corner; bubbles rise along both sides."""
    cx, cy = w * 0.24, h * 0.2
    burst = p.star(cx, cy + 10, w * 0.17, "#fff2a8", 10, points=8, inner=0.62)
    left = p.at(p.glass(0, 0, 240, line=12), cx - 105, cy + 130, 1, 20)
    right = p.at(p.glass(0, 0, 240, line=12), cx + 105, cy + 130, 1, -20)
    splash = "".join(p.sweat(cx + dx, cy + dy, sc) for dx, dy, sc in ((-70, -120, 0.75), (0, -150, 0.9), (70, -120, 0.75),
                                                                      (-140, -60, 0.6), (140, -60, 0.6)))
    stars = p.star(cx + 230, cy - 70, 34, GOLD, 8) + p.sparkle(cx + 170, cy + 60, 40) + p.sparkle(w * 0.88, h * 0.12, 34)
    bubbles = "".join(f'<circle cx="{x}" cy="{y}" r="{r}" fill="#bfeaff" fill-opacity="0.7" stroke="#3a8fc4" '
                      f'stroke-width="6"/><circle cx="{x - r * 0.35:.1f}" cy="{y - r * 0.35:.1f}" r="{r * 0.25:.1f}" '
                      f'fill="#ffffff"/>'
                      for x, y, r in ((70, 620, 30), (120, 760, 20), (56, 890, 26), (w - 80, 560, 28), (w - 130, 720, 36),
                                      (w - 64, 880, 22), (w - 180, 980, 18), (160, 990, 16)))
    return svg(w, h, burst + left + right + splash + stars + bubbles)


# --- appearances 1..3 -------------------------------------------------------------------------------------------

def hero_figure(eyes="open", mouth_kind="fang", sword_angle=140):
    hx, hy = gulu.arm_end(1, sword_angle)
    sx, sy = gulu.arm_end(-1, 60)
    return character(eyes=eyes, mouth_kind=mouth_kind, brows="angry",
                     arms=((-1, 60, False), (1, sword_angle, False)),
                     back=p.cape("#e2463c", GOLD),
                     head=p.headband(),
                     hand_items=p.sword(hx, hy, 300, sword_angle - 180 + 20) + p.shield(sx + 14, sy + 6, 84))


def hero(w, h):
    s = ground_scale(h, 8, 4, figure_height=690)
    return svg(w, h, place(hero_figure(), w / 2 + 10, h - 4, s))


def hero_cut_in(w, h):
    grad, bg = sky(w, h, "#ffb347", "#e2463c", "heroSky")
    burst = p.rays(w / 2, h * 0.45, w, 20, "#ffe27a", 0.55, 5)
    s = w / 560
    fig = hero_figure(eyes="sparkle", mouth_kind="open", sword_angle=160)
    stars = p.star(70, 80, 30, GOLD, 5) + p.star(440, 110, 22, GOLD, 5) + p.sparkle(420, 300, 28) + p.sparkle(80, 330, 20)
    ground = f'<ellipse cx="{w / 2}" cy="{h + 30}" rx="{w * 0.6}" ry="90" fill="#a8322a" opacity="0.5"/>'
    return svg(w, h, bg + burst + ground + place(fig, w / 2 - 10, h + 30, s) + stars, extra_defs=grad)


def apprentice_figure(eyes="open", mouth_kind="smile", wand_angle=130):
    hx, hy = gulu.arm_end(1, wand_angle)
    return character(eyes=eyes, mouth_kind=mouth_kind,
                     arms=((-1, 40, False), (1, wand_angle, False)),
                     back=p.cape("#3f6fd8", "#9fd0ff", bottom=-60, flare=240),
                     head=p.mage_hat("#7b4fd0", "#ffcf3a"), leaf_kind="none",
                     hand_items=p.wand(hx, hy, 150, wand_angle - 180 + 30))


def apprentice(w, h):
    s = ground_scale(h, 6, 4, figure_height=660)
    return svg(w, h, place(apprentice_figure(), w / 2 - 20, h - 4, s))


def magic_circle(cx, cy, rx, colour, opacity=1.0, line=6):
    ry = rx * 0.32
    runes = []
    for i in range(12):
        a = math.radians(i * 30)
        x, y = cx + rx * 0.86 * math.cos(a), cy + ry * 0.86 * math.sin(a)
        runes.append(f'<circle cx="{x:.1f}" cy="{y:.1f}" r="{line * 1.3:.1f}" fill="{colour}"/>')
    return (f'<g opacity="{opacity}"><ellipse cx="{cx}" cy="{cy}" rx="{rx}" ry="{ry}" fill="{colour}" fill-opacity="0.18" '
            f'stroke="{colour}" stroke-width="{line}"/>'
            f'<ellipse cx="{cx}" cy="{cy}" rx="{rx * 0.72}" ry="{ry * 0.72}" fill="none" stroke="{colour}" stroke-width="{line * 0.7}"/>'
            + "".join(runes) +
            f'<path d="M {cx - rx * 0.7},{cy} L {cx + rx * 0.35},{cy - ry * 0.62} L {cx + rx * 0.35},{cy + ry * 0.62} Z '
            f'M {cx + rx * 0.7},{cy} L {cx - rx * 0.35},{cy - ry * 0.62} L {cx - rx * 0.35},{cy + ry * 0.62} Z" '
            f'fill="none" stroke="{colour}" stroke-width="{line * 0.7}"/></g>')


def apprentice_cut_in(w, h):
    grad, bg = sky(w, h, "#2b2370", "#6a3fb0", "mageSky")
    stars = "".join(p.sparkle(x, y, r, "#fff6c0") for x, y, r in ((60, 60, 14), (150, 40, 9), (430, 70, 16), (460, 200, 9),
                                                                  (40, 220, 10), (350, 30, 8)))
    circle = magic_circle(w / 2, h - 40, w * 0.46, "#9fe8ff", 0.95, 5)
    s = w / 640
    trail = "".join(p.star(x, y, r, GOLD, 3) for x, y, r in ((380, 120, 20), (420, 170, 12), (330, 80, 14)))
    return svg(w, h, bg + stars + circle + place(apprentice_figure(eyes="happy", mouth_kind="open", wand_angle=150),
                                                 w / 2 - 20, h - 30, s) + trail, extra_defs=grad)


def grand_mage_figure(eyes="open", mouth_kind="smile"):
    hx, hy = gulu.arm_end(-1, 70)
    return character(eyes=eyes, mouth_kind=mouth_kind,
                     arms=((-1, 70, False), (1, 36, False)),
                     back=p.cape("#2d2a7a", GOLD, bottom=-24, flare=280) + p.staff(hx - 24, hy, 420),
                     front=p.beard(), head=p.mage_hat("#2d2a7a", GOLD, tall=True), leaf_kind="none")


def grand_mage(w, h):
    s = ground_scale(h, 8, 6, figure_height=790)
    return svg(w, h, place(grand_mage_figure(), w / 2 + 40, h - 6, s), extra_defs=p.ORB_GLOW)


def grand_mage_cut_in(w, h):
    """Overlay: a glowing magic circle at the feet, light rising and stars circling."""
    glow = ('<radialGradient id="riseGlow" cx="0.5" cy="0.92" r="0.4"><stop offset="0" stop-color="#9fe8ff" stop-opacity="0.4"/>'
            '<stop offset="1" stop-color="#9fe8ff" stop-opacity="0"/></radialGradient>')
    light = f'<rect width="{w}" height="{h}" fill="url(#riseGlow)"/>'
    circle = magic_circle(w / 2, h - 70, w * 0.47, "#7fe0ff", 1.0, 10)
    ring = "".join(p.star(w / 2 + w * 0.44 * math.cos(math.radians(a)), h * 0.46 + h * 0.2 * math.sin(math.radians(a)),
                          30 if i % 2 else 22, GOLD, 7) for i, a in enumerate(range(200, 340 + 1, 35)))
    particles = "".join(p.sparkle(x, y, r, "#e8fbff", 0.9) for x, y, r in ((120, 700, 30), (200, 560, 20), (860, 640, 34),
                                                                         (780, 500, 22), (90, 420, 18), (920, 380, 24)))
    return svg(w, h, light + circle + ring + particles, extra_defs=glow)


# --- dragon challenge ---------------------------------------------------------------------------------------------

def dragon_won(w, h):
    s = ground_scale(h, 8, 6, figure_height=760)
    fig = character(eyes="star", mouth_kind="open", arms=((-1, 145, False), (1, 145, False)),
                    hand_items=p.trophy(0, -330, 240))
    return svg(w, h, confetti(w, h, 14, 7, region=(20, 30, w - 20, h * 0.55)) + place(fig, w / 2 - 10, h - 6, s))


def dragon_won_cut_in(w, h):
    grad, bg = sky(w, h, "#fff1a8", "#ffb347", "winSky")
    burst = p.rays(w / 2, h * 0.4, w, 24, "#ffffff", 0.45)
    dragon = p.at(p.dragon_head("knocked"), w * 0.5, h * 0.86, 0.62, -8)
    s = w / 1350
    hx, hy = gulu.arm_end(-1, 130)
    fig = character(eyes="happy", mouth_kind="open", arms=((-1, 130, True), (1, 40, False)), shadow=False,
                    front=p.trophy(hx + 10, hy + 50, 220))
    return svg(w, h, bg + burst + dragon + place(fig, w * 0.5, h * 0.66, s * 1.6)
               + confetti(w, h, 12, 3, region=(300, 10, w - 10, h * 0.3)) + confetti(w, h, 6, 5, region=(10, 200, 120, h * 0.6)),
               extra_defs=grad)


def dragon_lost(w, h):
    s = ground_scale(h, 60, 8)
    fig = character(eyes="swirl", mouth_kind="wobble", blush=False, leaf_kind="wilted",
                    arms=((-1, 8, False), (1, 8, False)),
                    front='<ellipse cx="-110" cy="-150" rx="36" ry="20" fill="#4a4a4a" opacity="0.45"/>'
                          '<ellipse cx="120" cy="-320" rx="30" ry="16" fill="#4a4a4a" opacity="0.45"/>'
                          + p.sweat(-210, -320, 1.0),
                    head=p.bandage(-60, -372, -18))
    smoke = p.smoke(w * 0.22, 110, 42) + p.smoke(w * 0.78, 80, 34) + p.smoke(w * 0.5, 60, 26)
    return svg(w, h, smoke + place(fig, w / 2 - 10, h - 8, s))


def dragon_lost_cut_in(w, h):
    grad, bg = sky(w, h, "#3a1442", "#a8322a", "loseSky")
    dragon = p.at(p.dragon_head("fierce"), w * 0.7, h * 0.32, 0.75, -8)
    fire = p.at(p.fire(0, 0, 300), w * 0.66, h * 0.45, 1, 148)
    s = w / 1600
    fig = character(eyes="swirl", mouth_kind="wobble", blush=False, leaf_kind="wilted",
                    arms=((-1, 110, False), (1, 110, False)))
    smoke = p.smoke(w * 0.08, h * 0.55, 34) + p.smoke(w * 0.45, h * 0.62, 28)
    return svg(w, h, bg + dragon + fire + place(fig, w * 0.26, h - 20, s * 1.6, True) + smoke, extra_defs=grad)


# --- reminders ----------------------------------------------------------------------------------------------------

def off_work_cut_in(w, h):
    grad, bg = sky(w, h, "#ffb36b", "#ff6f91", "sunsetSky")
    sun = f'<circle cx="{w * 0.72}" cy="{h * 0.62}" r="{w * 0.2}" fill="#ffe27a" opacity="0.95"/>'
    city = ('<path d="M 0,520 L 60,520 L 60,440 L 130,440 L 130,500 L 190,500 L 190,400 L 260,400 L 260,480 L 330,480 '
            'L 330,430 L 420,430 L 420,490 L 480,490 L 480,380 L 560,380 L 560,470 L 620,470 L 620,420 L 690,420 L 690,690 '
            'L 0,690 Z" fill="#7a3a6a" opacity="0.75"/>')
    street = f'<rect x="0" y="{h - 110}" width="{w}" height="110" fill="#5a2a55"/>'
    s = w / 1100
    hx, hy = gulu.arm_end(-1, 30)
    bag = (f'<path d="M {hx - 30:.1f},{hy + 20:.1f} L {hx - 30:.1f},{hy - 10:.1f} L {hx + 30:.1f},{hy - 10:.1f} '
           f'L {hx + 30:.1f},{hy + 20:.1f}" fill="none" {stroke(30)}/>'
           f'<path d="M {hx - 30:.1f},{hy + 20:.1f} L {hx - 30:.1f},{hy - 10:.1f} L {hx + 30:.1f},{hy - 10:.1f} '
           f'L {hx + 30:.1f},{hy + 20:.1f}" fill="none" stroke="#8a5a2b" stroke-width="12"/>'
           f'<rect x="{hx - 110:.1f}" y="{hy + 14:.1f}" width="220" height="150" rx="22" fill="#b5793f" {stroke()}/>'
           f'<path d="M {hx - 110:.1f},{hy + 70:.1f} L {hx + 110:.1f},{hy + 70:.1f}" {stroke(10)}/>'
           f'<rect x="{hx - 20:.1f}" y="{hy + 58:.1f}" width="40" height="26" rx="6" fill="{GOLD}" {stroke(8)}/>')
    fig = character(eyes="happy", mouth_kind="open", arms=((-1, 30, True), (1, 150, False)), front=bag)
    clock = p.clock(110, 110, 72, 18, 0)
    return svg(w, h, bg + sun + city + street + clock + place(fig, w * 0.5, h - 40, s * 1.5)
               + p.sparkle(w * 0.85, 120, 28) + p.sparkle(w * 0.3, 80, 20), extra_defs=grad)


def slacking_cut_in(w, h):
    """Overlay: a thought bubble in which 咕噜兽 lies flat on a deck chair next to a cold drink."""
    bubble_fill = "#fffaf0"
    cx, cy, rx, ry = w * 0.42, h * 0.25, w * 0.38, h * 0.21
    bubble = (f'<ellipse cx="{cx}" cy="{cy}" rx="{rx}" ry="{ry}" fill="{bubble_fill}" {stroke(12)}/>'
              f'<circle cx="{w * 0.7}" cy="{h * 0.5}" r="{w * 0.04}" fill="{bubble_fill}" {stroke(10)}/>'
              f'<circle cx="{w * 0.77}" cy="{h * 0.58}" r="{w * 0.025}" fill="{bubble_fill}" {stroke(8)}/>')
    sun = f'<circle cx="{cx + rx * 0.55}" cy="{cy - ry * 0.45}" r="{w * 0.05}" fill="#ffd84a" {stroke(8)}/>'
    seat_y = cy + ry * 0.45
    chair = (f'<path d="M {cx - rx * 0.78},{cy - ry * 0.2} L {cx - rx * 0.5},{seat_y} L {cx + rx * 0.5},{seat_y}" '
             f'fill="none" stroke="{OUTLINE}" stroke-width="34" stroke-linecap="round" stroke-linejoin="round"/>'
             f'<path d="M {cx - rx * 0.78},{cy - ry * 0.2} L {cx - rx * 0.5},{seat_y} L {cx + rx * 0.5},{seat_y}" '
             f'fill="none" stroke="#4fa3e0" stroke-width="18" stroke-linecap="round" stroke-linejoin="round"/>'
             f'<path d="M {cx - rx * 0.45},{seat_y} L {cx - rx * 0.55},{seat_y + ry * 0.35} M {cx + rx * 0.42},{seat_y} '
             f'L {cx + rx * 0.52},{seat_y + ry * 0.35}" fill="none" {stroke(12)}/>')
    lying = character(eyes="sleepy", mouth_kind="smile", arms=((-1, 175, False), (1, 175, False)), shadow=False)
    flat = f'<g transform="translate({cx - rx * 0.05},{seat_y - 60}) rotate(-78) scale(0.5) translate(0,220)">{lying}</g>'
    drink_svg = p.glass(cx + rx * 0.72, seat_y + 10, 120, water="#ffb43a", line=8)
    return svg(w, h, bubble + sun + chair + flat + drink_svg)


def late_night_cut_in(w, h):
    """Overlay: night falls around the pet: dark edges, a moon, stars, a clock past eleven and a coffee."""
    vignette = ('<radialGradient id="nightEdge" cx="0.5" cy="0.6" r="0.72"><stop offset="0.45" stop-color="#10163a" '
                'stop-opacity="0"/><stop offset="1" stop-color="#10163a" stop-opacity="0.85"/></radialGradient>')
    dark = f'<rect width="{w}" height="{h}" fill="url(#nightEdge)"/>'
    moon = p.moon(120, 130, 80)
    stars = "".join(p.star(x, y, r, "#fff2a8", 5) for x, y, r in ((260, 70, 20), (420, 50, 14), (560, 120, 18), (60, 330, 14)))
    clock = p.clock(w - 110, h - 130, 70, 23, 30, face_fill="#fff8e0", rim="#5a5fd0")
    coffee = (f'<path d="M 40,{h - 200} L 160,{h - 200} L 150,{h - 60} Q 100,{h - 40} 50,{h - 60} Z" fill="#ffffff" {stroke(10)}/>'
              f'<path d="M 158,{h - 170} C 210,{h - 170} 210,{h - 100} 152,{h - 100}" fill="none" {stroke(10)}/>'
              f'<ellipse cx="100" cy="{h - 200}" rx="60" ry="12" fill="#6b3e1f" {stroke(8)}/>'
              + p.steam(100, h - 220, 90, 9))
    return svg(w, h, dark + moon + stars + clock + coffee + p.zzz(w * 0.72, 150, 30), extra_defs=vignette)


# --- visit art ------------------------------------------------------------------------------------------------------

def greet(w, h):
    grad, bg = sky(w, h, "#fff1d6", "#ffd2c2", "greetSky")
    s = ground_scale(h, 10, -10, figure_height=560)
    fig = character(eyes="happy", mouth_kind="open", arms=((-1, 36, False), (1, 125, False)))
    arcs = (f'<path d="M {w * 0.86},{h * 0.18} q 10,14 0,28 M {w * 0.93},{h * 0.12} q 16,22 0,42" fill="none" '
            f'stroke="{OUTLINE}" stroke-width="3.5" stroke-linecap="round"/>')
    return svg(w, h, bg + place(fig, w / 2 - 8, h + 6, s) + arcs, extra_defs=grad)


def wealth(w, h):
    s = ground_scale(h, 40, 8, figure_height=580)
    fig = character(eyes="coin", mouth_kind="open", arms=((-1, -16, True, 70), (1, -16, True, 70)),
                    front=p.ingot(0, -6, 330))
    rain = "".join(p.coin(x, y, r, 7) for x, y, r in ((90, 120, 34), (700, 90, 30), (130, 420, 28), (690, 380, 36),
                                                       (60, 640, 26), (740, 600, 28), (400, 40, 26)))
    pile = "".join(p.coin(x, h - 30 - dy, 38, 7) for x, dy in ((110, 0), (150, 30), (190, 0), (620, 0), (660, 30), (700, 0)))
    return svg(w, h, rain + place(fig, w / 2 - 10, h - 8, s) + pile)


def eat(w, h):
    s = ground_scale(h, 30, 8, figure_height=600)
    hx, hy = gulu.arm_end(1, 120)
    fig = character(eyes="happy", mouth_kind="open", arms=((-1, -30, True), (1, 120, False)),
                    front=p.bowl(-20, -24, 270),
                    hand_items=p.chopsticks(hx, hy + 20, 240, -120)
                    + f'<path d="M -10,-210 C -30,-160 0,-140 -20,-110" fill="none" stroke="#d99a2b" stroke-width="12" '
                      'stroke-linecap="round"/>')
    side_bowl = p.bowl(w - 120, h - 12, 170, fill="#4fa3e0", food="rice") + p.steam(w - 120, h - 120, 80, 8, 0.9)
    return svg(w, h, place(fig, w / 2 - 40, h - 8, s) + side_bowl)


def drink(w, h):
    s = ground_scale(h, 30, 8, figure_height=680)
    hx, hy = gulu.arm_end(1, 140)
    fig = character(eyes="happy", mouth_kind="open", arms=((-1, 40, False), (1, 140, True)),
                    front=p.mug(hx + 30, hy + 110, 190))
    other = p.at(p.mug(0, 0, 190), w - 50, 290, s, -38)
    clink = (p.star(w - 150, 70, 40, "#fff2a8", 7) + p.sparkle(w - 230, 50, 24, "#ffe27a")
             + p.sparkle(w - 60, 40, 20, "#ffe27a") + p.sweat(w - 250, 130, 0.5) + p.sweat(w - 60, 120, 0.45))
    return svg(w, h, place(fig, w * 0.38, h - 8, s) + other + clink)


def evil(w, h):
    grad, bg = sky(w, h, "#1c0b2e", "#5a1a5e", "evilSky")
    glow = ('<radialGradient id="evilGlow" cx="0.5" cy="0.55" r="0.5"><stop offset="0" stop-color="#c04cff" stop-opacity="0.6"/>'
            '<stop offset="1" stop-color="#c04cff" stop-opacity="0"/></radialGradient>')
    aura = f'<rect width="{w}" height="{h}" fill="url(#evilGlow)"/>'
    flames = "".join(p.at(p.fire(0, 0, 220), x, h + 10, 1, -90) for x in (60, 200, 350, 500, 640))
    s = ground_scale(h, 40, 40, figure_height=600)
    hx, hy = gulu.arm_end(1, 110)
    fig = character(eyes="evil", mouth_kind="grin", brows="angry", blush=False,
                    arms=((-1, 60, False), (1, 110, False)),
                    back=p.devil_tail(), head=p.horns(), leaf_kind="none",
                    hand_items=p.pitchfork(hx, hy + 40, 180, 10))
    bats = "".join(f'<path d="M {x},{y} q 20,-24 40,0 q 10,-16 20,0 q 10,-16 20,0 q 20,-24 40,0 q -30,10 -60,30 '
                   f'q -30,-20 -60,-30 Z" fill="#0d0614" opacity="0.9"/>' for x, y in ((60, 110), (540, 80), (580, 220)))
    return svg(w, h, bg + aura + bats + flames + place(fig, w / 2 - 10, h - 40, s), extra_defs=grad + glow)


def love(w, h):
    s = ground_scale(h, 30, 8, figure_height=600)
    big = p.heart(0, -170, 300, "#ff4f6d", 14) + p.heart_shine(0, -170, 300)
    fig = character(eyes="closed", mouth_kind="smile", arms=((-1, -10, True), (1, -10, True)), front=big)
    floating = (p.heart(110, 150, 90, "#ff8fa3", 8) + p.heart(w - 120, 110, 110, "#ff4f6d", 8)
                + p.heart(w - 70, 330, 60, "#ff8fa3", 7) + p.heart(70, 360, 60, "#ff4f6d", 7))
    return svg(w, h, floating + place(fig, w / 2 - 20, h - 8, s))


# id: (file role, width, height, channels, composer)
PICTURES = {
    102: ("plain", 1014, 924, ALPHA, plain),
    103: ("speechless", 915, 1016, ALPHA, speechless),
    104: ("begging", 1098, 807, ALPHA, begging),
    105: ("flying", 1104, 1100, ALPHA, flying),
    106: ("cheers-cut-in", 1080, 1080, ALPHA, cheers_cut_in),
    107: ("hero-cut-in", 500, 500, OPAQUE, hero_cut_in),
    108: ("apprentice-cut-in", 500, 500, OPAQUE, apprentice_cut_in),
    109: ("grand-mage-cut-in", 1000, 1000, ALPHA, grand_mage_cut_in),
    110: ("dragon-won-cut-in", 604, 604, OPAQUE, dragon_won_cut_in),
    111: ("dragon-lost-cut-in", 690, 690, OPAQUE, dragon_lost_cut_in),
    112: ("cheers", 1080, 1080, ALPHA, cheers),
    113: ("hero", 500, 500, ALPHA, hero),
    114: ("apprentice", 500, 500, ALPHA, apprentice),
    115: ("grand-mage", 1000, 1000, ALPHA, grand_mage),
    116: ("dragon-won", 600, 600, ALPHA, dragon_won),
    117: ("dragon-lost", 690, 690, ALPHA, dragon_lost),
    122: ("off-work-cut-in", 690, 690, OPAQUE, off_work_cut_in),
    123: ("greet", 134, 134, OPAQUE, greet),
    124: ("wealth", 800, 800, ALPHA, wealth),
    125: ("eat", 800, 800, ALPHA, eat),
    126: ("slacking-cut-in", 800, 800, ALPHA, slacking_cut_in),
    127: ("late-night-cut-in", 800, 800, ALPHA, late_night_cut_in),
    128: ("drink", 750, 750, ALPHA, drink),
    129: ("evil", 700, 700, OPAQUE, evil),
    130: ("heart", 700, 700, ALPHA, love),
}
