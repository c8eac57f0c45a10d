"""The 咕噜兽 character: one body, one palette, one face, drawn as SVG fragments.

Every picture is composed from these pieces so that shape, colours and face stay the same in all of them.
The character lives in its own coordinates: the ground line is y = 0, the body is centred on x = 0 and the
figure rises to about y = -480 (ear tips; the leaf sprout reaches y = -560). Positive y points down, as in SVG.
"""

import math

OUTLINE = "#2a1b12"
BODY_LIGHT = "#b9ec8f"
BODY = "#86cc5f"
BODY_DARK = "#5a9f45"
BELLY = "#fff3d2"
LEAF = "#3f9a4a"
LEAF_LIGHT = "#6cc46a"
VEIN = "#23602c"
EAR_INNER = "#f6a6a0"
CHEEK = "#ff7f8a"
WHITE = "#ffffff"
GOLD = "#ffcf3a"
GOLD_DARK = "#d89516"

LINE = 14  # outline width in character units
SHOULDER_X = 168
SHOULDER_Y = -212
EYE_X = 80
EYE_Y = -268
MOUTH_Y = -222
CHEEK_X = 142
CHEEK_Y = -220

BODY_PATH = ("M -196,-34 C -236,-130 -232,-300 -168,-370 C -112,-428 112,-428 168,-370 "
             "C 232,-300 236,-130 196,-34 C 160,4 -160,4 -196,-34 Z")


def defs():
    """Gradients shared by every picture that contains the character."""
    return (
        '<radialGradient id="guluBody" cx="0.38" cy="0.3" r="0.78">'
        f'<stop offset="0" stop-color="{BODY_LIGHT}"/><stop offset="0.55" stop-color="{BODY}"/>'
        f'<stop offset="1" stop-color="{BODY_DARK}"/></radialGradient>'
        '<linearGradient id="guluLeaf" x1="0" y1="1" x2="0.6" y2="0">'
        f'<stop offset="0" stop-color="{LEAF}"/><stop offset="1" stop-color="{LEAF_LIGHT}"/></linearGradient>'
        '<radialGradient id="goldShine" cx="0.35" cy="0.3" r="0.8">'
        f'<stop offset="0" stop-color="#fff2a8"/><stop offset="0.5" stop-color="{GOLD}"/>'
        f'<stop offset="1" stop-color="{GOLD_DARK}"/></radialGradient>'
    )


def stroke(width=LINE, colour=OUTLINE):
    return f'stroke="{colour}" stroke-width="{width}" stroke-linejoin="round" stroke-linecap="round"'


def arm_length(angle):
    """Raised arms are longer, so that the paw clears the round head instead of hiding behind it."""
    return 118 + max(0.0, min(angle, 180) - 90) * 0.6


def arm_end(side, angle, length=None):
    """Where the hand of an arm ends: angle 0 hangs down, 90 points sideways outward, 180 points up."""
    length = length or arm_length(angle)
    a = math.radians(angle)
    return (side * SHOULDER_X + side * math.sin(a) * length, SHOULDER_Y + math.cos(a) * length)


def arm(side, angle, length=None, fill="url(#guluBody)"):
    length = length or arm_length(angle)
    a = math.radians(angle)
    dx, dy = side * math.sin(a), math.cos(a)
    cx = side * SHOULDER_X + dx * length * 0.5
    cy = SHOULDER_Y + dy * length * 0.5
    rot = -side * angle
    return (f'<ellipse cx="{cx:.1f}" cy="{cy:.1f}" rx="40" ry="{length * 0.5 + 36:.1f}" '
            f'transform="rotate({rot:.1f} {cx:.1f} {cy:.1f})" fill="{fill}" {stroke()}/>')


def ears():
    out = []
    for side in (-1, 1):
        s = side
        out.append(f'<path d="M {s*96},-392 C {s*118},-468 {s*160},-500 {s*196},-482 '
                   f'C {s*222},-462 {s*214},-392 {s*178},-340 Z" fill="url(#guluBody)" {stroke()}/>')
        out.append(f'<path d="M {s*128},-398 C {s*140},-446 {s*166},-468 {s*186},-458 '
                   f'C {s*198},-440 {s*190},-400 {s*172},-372 Z" fill="{EAR_INNER}"/>')
    return "".join(out)


def leaf(wilted=False):
    if wilted:
        return (f'<path d="M 4,-404 C 30,-440 80,-452 122,-432 C 96,-396 52,-388 4,-404 Z" '
                f'fill="#8aa05a" {stroke()}/>'
                f'<path d="M 12,-406 C 50,-420 86,-426 112,-430" fill="none" {stroke(7, VEIN)}/>')
    return (f'<path d="M 2,-402 C -70,-440 -62,-540 36,-566 C 70,-500 66,-440 2,-402 Z" '
            f'fill="url(#guluLeaf)" {stroke()}/>'
            f'<path d="M 6,-412 C 20,-460 28,-510 34,-552" fill="none" {stroke(7, VEIN)}/>'
            f'<path d="M 16,-470 L 46,-488 M 12,-440 L -22,-462 M 24,-506 L -2,-524" fill="none" {stroke(6, VEIN)}/>')


def tail():
    return (f'<path d="M 186,-84 C 250,-84 300,-120 300,-176 C 300,-214 266,-226 246,-206 '
            f'C 262,-186 254,-150 214,-140 Z" fill="url(#guluBody)" {stroke()}/>'
            f'<path d="M 262,-196 C 280,-176 272,-142 240,-128" fill="none" {stroke(7, BODY_DARK)}/>')


def body():
    return (f'<path d="{BODY_PATH}" fill="url(#guluBody)" {stroke()}/>'
            f'<path d="M -118,-58 C -150,-110 -140,-190 -92,-214 C -40,-238 40,-238 92,-214 '
            f'C 140,-190 150,-110 118,-58 C 80,-26 -80,-26 -118,-58 Z" fill="{BELLY}" opacity="0.95"/>'
            '<path d="M -150,-340 C -120,-378 -70,-396 -30,-398" fill="none" stroke="#ffffff" '
            'stroke-width="16" stroke-linecap="round" opacity="0.55"/>')


def feet():
    out = []
    for side in (-1, 1):
        out.append(f'<ellipse cx="{side*92}" cy="-30" rx="66" ry="30" fill="{BODY_DARK}" {stroke()}/>')
        for toe in (-22, 0, 22):
            out.append(f'<path d="M {side*92+toe},-52 L {side*92+toe},-38" {stroke(6)}/>')
    return "".join(out)


def eye(side, kind):
    x, y = side * EYE_X, EYE_Y
    if kind == "open":
        return (f'<ellipse cx="{x}" cy="{y}" rx="31" ry="40" fill="{OUTLINE}"/>'
                f'<circle cx="{x-9}" cy="{y-15}" r="12" fill="{WHITE}"/>'
                f'<circle cx="{x+11}" cy="{y+14}" r="5.5" fill="{WHITE}"/>')
    if kind == "sparkle":
        return (f'<ellipse cx="{x}" cy="{y}" rx="38" ry="46" fill="{OUTLINE}"/>'
                f'<ellipse cx="{x}" cy="{y+18}" rx="26" ry="16" fill="#4a8ad8" opacity="0.7"/>'
                f'<circle cx="{x-11}" cy="{y-16}" r="15" fill="{WHITE}"/>'
                f'<circle cx="{x+14}" cy="{y+10}" r="7" fill="{WHITE}"/>'
                f'<circle cx="{x-14}" cy="{y+20}" r="4" fill="{WHITE}"/>')
    if kind == "happy":
        return f'<path d="M {x-30},{y+10} Q {x},{y-34} {x+30},{y+10}" fill="none" {stroke(13)}/>'
    if kind == "closed":
        return f'<path d="M {x-30},{y} Q {x},{y+24} {x+30},{y}" fill="none" {stroke(13)}/>'
    if kind == "flat":
        return (f'<path d="M {x-32},{y} L {x+32},{y}" fill="none" {stroke(14)}/>'
                f'<circle cx="{x+side*6}" cy="{y+12}" r="9" fill="{OUTLINE}"/>')
    if kind == "sleepy":
        return (f'<path d="M {x-30},{y} A 30,26 0 0 0 {x+30},{y} Z" fill="{OUTLINE}"/>'
                f'<path d="M {x-34},{y} L {x+34},{y}" fill="none" {stroke(12)}/>')
    if kind == "swirl":
        return (f'<path d="M {x},{y} m -4,0 a 6,6 0 1 1 10,4 a 14,14 0 1 1 -22,-12 a 22,22 0 1 1 34,18 '
                f'a 30,30 0 1 1 -44,-26" fill="none" {stroke(8)}/>')
    if kind == "star":
        pts = []
        for i in range(10):
            r = 38 if i % 2 == 0 else 16
            a = math.radians(-90 + 36 * i)
            pts.append(f"{x + r*math.cos(a):.1f},{y + r*math.sin(a):.1f}")
        return f'<polygon points="{" ".join(pts)}" fill="{GOLD}" {stroke(7)}/>'
    if kind == "evil":
        inner = x - side * 36
        outer = x + side * 34
        return (f'<path d="M {inner},{y-8} L {outer},{y-34} Q {outer+side*6},{y+26} {x},{y+28} '
                f'Q {inner-side*4},{y+20} {inner},{y-8} Z" fill="{OUTLINE}"/>'
                f'<circle cx="{x+side*2}" cy="{y+6}" r="9" fill="#ff4d4d"/>')
    if kind == "coin":
        return (f'<circle cx="{x}" cy="{y}" r="36" fill="url(#goldShine)" {stroke(8)}/>'
                f'<rect x="{x-10}" y="{y-10}" width="20" height="20" fill="{GOLD_DARK}" {stroke(5)}/>')
    raise ValueError(kind)


def mouth(kind):
    y = MOUTH_Y
    if kind == "smile":
        return f'<path d="M -30,{y-4} Q -15,{y+16} 0,{y-2} Q 15,{y+16} 30,{y-4}" fill="none" {stroke(10)}/>'
    if kind == "fang":
        return (f'<path d="M -30,{y-4} Q -15,{y+16} 0,{y-2} Q 15,{y+16} 30,{y-4}" fill="none" {stroke(10)}/>'
                f'<path d="M 10,{y+4} L 16,{y+20} L 22,{y+2}" fill="{WHITE}" {stroke(5)}/>')
    if kind == "open":
        return (f'<path d="M -34,{y-10} Q 0,{y-2} 34,{y-10} Q 30,{y+44} 0,{y+46} Q -30,{y+44} -34,{y-10} Z" '
                f'fill="#8a2b2b" {stroke(10)}/>'
                f'<path d="M -18,{y+34} Q 0,{y+18} 18,{y+34} Q 0,{y+44} -18,{y+34} Z" fill="#ff8f8f"/>')
    if kind == "flat":
        return f'<path d="M -22,{y+4} L 22,{y+4}" fill="none" {stroke(10)}/>'
    if kind == "wobble":
        return (f'<path d="M -36,{y+8} Q -24,{y-6} -12,{y+8} Q 0,{y+20} 12,{y+8} Q 24,{y-6} 36,{y+8}" '
                f'fill="none" {stroke(10)}/>')
    if kind == "grin":
        return (f'<path d="M -56,{y-14} Q 0,{y+10} 56,{y-14} Q 40,{y+44} 0,{y+46} Q -40,{y+44} -56,{y-14} Z" '
                f'fill="#5a1620" {stroke(10)}/>'
                f'<path d="M -40,{y-6} L -30,{y+14} L -20,{y-1} M 20,{y-1} L 30,{y+14} L 40,{y-6}" '
                f'fill="{WHITE}" {stroke(4)}/>')
    if kind == "pout":
        return f'<path d="M -20,{y+14} Q 0,{y-6} 20,{y+14}" fill="none" {stroke(10)}/>'
    raise ValueError(kind)


def face(eyes="open", mouth_kind="smile", blush=True, brows=None):
    out = []
    if blush:
        for side in (-1, 1):
            out.append(f'<ellipse cx="{side*CHEEK_X}" cy="{CHEEK_Y}" rx="30" ry="17" fill="{CHEEK}" opacity="0.6"/>')
    out.append(eye(-1, eyes))
    out.append(eye(1, eyes))
    out.append(mouth(mouth_kind))
    if brows == "worried":
        for side in (-1, 1):
            out.append(f'<path d="M {side*48},{EYE_Y-62} L {side*108},{EYE_Y-48}" fill="none" {stroke(11)}/>')
    if brows == "angry":
        for side in (-1, 1):
            out.append(f'<path d="M {side*44},{EYE_Y-44} L {side*112},{EYE_Y-72}" fill="none" {stroke(12)}/>')
    return "".join(out)


def character(eyes="open", mouth_kind="smile", arms=((-1, 20, False), (1, 20, False)), blush=True,
              brows=None, back="", front="", head="", leaf_kind="normal", hand_items="", show_tail=True,
              shadow=True):
    """The whole creature. arms: (side, angle, in_front[, length]) per arm; back/front/head/hand_items are SVG
    fragments in character coordinates drawn behind the body, over the body, on the head, and over the arms."""
    parts = ['<ellipse cx="0" cy="-8" rx="230" ry="16" fill="#1a120c" opacity="0.22"/>' if shadow else "", back]
    if show_tail:
        parts.append(tail())
    parts += [arm(*shape[:2], *shape[3:]) for shape in arms if not shape[2]]
    parts.append(ears())
    parts.append(body())
    parts.append(feet())
    parts.append(face(eyes, mouth_kind, blush, brows))
    if leaf_kind == "normal":
        parts.append(leaf())
    elif leaf_kind == "wilted":
        parts.append(leaf(wilted=True))
    parts.append(front)
    parts.append(head)
    parts += [arm(*shape[:2], *shape[3:]) for shape in arms if shape[2]]
    parts.append(hand_items)
    return "".join(parts)


def place(fragment, x, ground, scale, mirror=False):
    sx = -scale if mirror else scale
    return f'<g transform="translate({x:.1f},{ground:.1f}) scale({sx:.4f},{scale:.4f})">{fragment}</g>'


def svg(width, height, content, background=None, extra_defs=""):
    bg = f'<rect width="{width}" height="{height}" fill="{background}"/>' if background else ""
    return (f'<svg xmlns="http://www.w3.org/2000/svg" width="{width}" height="{height}" '
            f'viewBox="0 0 {width} {height}"><defs>{defs()}{extra_defs}</defs>{bg}{content}</svg>\n')
