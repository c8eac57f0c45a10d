"""Things 咕噜兽 holds, wears or meets, and the scenery of the full-window pictures, as SVG fragments.

Coordinates of the fragments are free; callers position them with translate/scale wrappers.
"""

import math

from gulu import OUTLINE, GOLD, GOLD_DARK, WHITE, stroke


def at(fragment, x, y, scale=1.0, rotate=0.0):
    return f'<g transform="translate({x:.1f},{y:.1f}) rotate({rotate:.1f}) scale({scale:.3f})">{fragment}</g>'


def star(x, y, r, fill=GOLD, line=7, points=5, inner=0.45):
    pts = []
    for i in range(points * 2):
        rr = r if i % 2 == 0 else r * inner
        a = math.radians(-90 + 180 / points * i)
        pts.append(f"{x + rr * math.cos(a):.1f},{y + rr * math.sin(a):.1f}")
    line_attr = stroke(line) if line else ""
    return f'<polygon points="{" ".join(pts)}" fill="{fill}" {line_attr}/>'


def sparkle(x, y, r, fill=WHITE, opacity=1.0):
    """A four-pointed glint."""
    q = r * 0.22
    return (f'<path d="M {x},{y-r} Q {x+q},{y-q} {x+r},{y} Q {x+q},{y+q} {x},{y+r} '
            f'Q {x-q},{y+q} {x-r},{y} Q {x-q},{y-q} {x},{y-r} Z" fill="{fill}" opacity="{opacity}"/>')


def heart(x, y, size, fill="#ff4f6d", line=10):
    s = size / 100
    line_attr = stroke(line) if line else ""
    return (f'<path transform="translate({x:.1f},{y:.1f}) scale({s:.3f})" '
            'd="M 0,40 C -90,-20 -60,-95 0,-45 C 60,-95 90,-20 0,40 Z" '
            f'fill="{fill}" {line_attr} vector-effect="non-scaling-stroke"/>')


def heart_shine(x, y, size):
    s = size / 100
    return (f'<path transform="translate({x:.1f},{y:.1f}) scale({s:.3f})" d="M -48,-30 C -50,-55 -30,-66 -14,-50" '
            'fill="none" stroke="#ffffff" stroke-width="10" stroke-linecap="round" opacity="0.8"/>')


def cloud(x, y, w, fill=WHITE, line=14):
    """A puffy cloud whose flat-ish base sits at y; union outline by stroking all puffs first."""
    puffs = [(-0.36, -0.10, 0.20), (-0.12, -0.22, 0.26), (0.16, -0.18, 0.24), (0.38, -0.08, 0.18),
             (0.0, -0.02, 0.30), (-0.30, 0.0, 0.18), (0.30, 0.0, 0.18)]
    circles = [(x + px * w, y + py * w, r * w) for px, py, r in puffs]
    under = "".join(f'<circle cx="{cx:.1f}" cy="{cy:.1f}" r="{r:.1f}" fill="{OUTLINE}" stroke="{OUTLINE}" '
                    f'stroke-width="{line*2}"/>' for cx, cy, r in circles)
    over = "".join(f'<circle cx="{cx:.1f}" cy="{cy:.1f}" r="{r:.1f}" fill="{fill}"/>' for cx, cy, r in circles)
    shade = f'<ellipse cx="{x:.1f}" cy="{y + 0.1 * w:.1f}" rx="{0.42 * w:.1f}" ry="{0.06 * w:.1f}" fill="#dbe7f5"/>'
    return under + over + shade


def coin(x, y, r, line=8):
    """A round gold coin with a square hole."""
    h = r * 0.3
    return (f'<circle cx="{x:.1f}" cy="{y:.1f}" r="{r:.1f}" fill="url(#goldShine)" {stroke(line)}/>'
            f'<circle cx="{x:.1f}" cy="{y:.1f}" r="{r*0.74:.1f}" fill="none" stroke="{GOLD_DARK}" stroke-width="{line*0.7:.1f}"/>'
            f'<rect x="{x-h:.1f}" y="{y-h:.1f}" width="{2*h:.1f}" height="{2*h:.1f}" fill="#b36b0c" {stroke(line*0.7)}/>')


def ingot(x, y, w, line=12):
    """A gold ingot (boat shape with a dome), centred on x, base at y."""
    s = w / 300
    return at(f'<ellipse cx="0" cy="-110" rx="80" ry="62" fill="url(#goldShine)" {stroke(line / s)}/>'
              f'<path d="M -150,-130 C -120,-110 -90,-96 -60,-92 C -30,-110 30,-110 60,-92 C 90,-96 120,-110 150,-130 '
              f'C 150,-60 110,0 0,0 C -110,0 -150,-60 -150,-130 Z" fill="url(#goldShine)" {stroke(line / s)}/>'
              f'<path d="M -110,-70 C -60,-40 60,-40 110,-70" fill="none" stroke="#fff2a8" stroke-width="14" '
              'stroke-linecap="round" opacity="0.8"/>', x, y, s)


def glass(x, y, h, water="#8fd8ff", line=10):
    """A tall glass of water, base centre at (x, y)."""
    w_top, w_bot = h * 0.42, h * 0.32
    level = y - h * 0.72
    return (f'<path d="M {x-w_top/2:.1f},{y-h:.1f} L {x+w_top/2:.1f},{y-h:.1f} L {x+w_bot/2:.1f},{y:.1f} '
            f'L {x-w_bot/2:.1f},{y:.1f} Z" fill="#e8f7ff" opacity="0.9"/>'
            f'<path d="M {x-w_top/2*0.93:.1f},{level:.1f} L {x+w_top/2*0.93:.1f},{level:.1f} L {x+w_bot/2:.1f},{y:.1f} '
            f'L {x-w_bot/2:.1f},{y:.1f} Z" fill="{water}"/>'
            f'<ellipse cx="{x:.1f}" cy="{level:.1f}" rx="{w_top/2*0.93:.1f}" ry="{h*0.03:.1f}" fill="#c7efff"/>'
            f'<path d="M {x-w_top*0.28:.1f},{y-h*0.88:.1f} L {x-w_bot*0.26:.1f},{y-h*0.12:.1f}" stroke="#ffffff" '
            f'stroke-width="{h*0.05:.1f}" stroke-linecap="round" opacity="0.85"/>'
            f'<path d="M {x-w_top/2:.1f},{y-h:.1f} L {x+w_top/2:.1f},{y-h:.1f} L {x+w_bot/2:.1f},{y:.1f} '
            f'L {x-w_bot/2:.1f},{y:.1f} Z" fill="none" {stroke(line)}/>')


def mug(x, y, h, line=12, drink="#ffb43a"):
    """A glass mug of a fizzy golden drink with foam, base centre at (x, y), handle to the right."""
    w = h * 0.72
    top = y - h
    return (f'<path d="M {x+w/2-4:.1f},{y-h*0.75:.1f} C {x+w/2+h*0.38:.1f},{y-h*0.8:.1f} {x+w/2+h*0.38:.1f},{y-h*0.18:.1f} '
            f'{x+w/2-4:.1f},{y-h*0.22:.1f}" fill="none" {stroke(h*0.12 + line*2)}/>'
            f'<path d="M {x+w/2-4:.1f},{y-h*0.75:.1f} C {x+w/2+h*0.38:.1f},{y-h*0.8:.1f} {x+w/2+h*0.38:.1f},{y-h*0.18:.1f} '
            f'{x+w/2-4:.1f},{y-h*0.22:.1f}" fill="none" stroke="#e8f7ff" stroke-width="{h*0.12:.1f}" stroke-linecap="round"/>'
            f'<rect x="{x-w/2:.1f}" y="{top:.1f}" width="{w:.1f}" height="{h:.1f}" rx="{h*0.08:.1f}" fill="{drink}" {stroke(line)}/>'
            f'<circle cx="{x-w*0.15:.1f}" cy="{y-h*0.35:.1f}" r="{h*0.035:.1f}" fill="#fff2b0"/>'
            f'<circle cx="{x+w*0.12:.1f}" cy="{y-h*0.55:.1f}" r="{h*0.025:.1f}" fill="#fff2b0"/>'
            f'<circle cx="{x:.1f}" cy="{y-h*0.2:.1f}" r="{h*0.03:.1f}" fill="#fff2b0"/>'
            f'<path d="M {x-w*0.32:.1f},{top+h*0.2:.1f} L {x-w*0.32:.1f},{y-h*0.1:.1f}" stroke="#ffffff" '
            f'stroke-width="{h*0.06:.1f}" stroke-linecap="round" opacity="0.6"/>'
            f'<path d="M {x-w/2-h*0.05:.1f},{top+h*0.06:.1f} C {x-w/2-h*0.12:.1f},{top-h*0.14:.1f} {x-w*0.2:.1f},{top-h*0.24:.1f} '
            f'{x-w*0.05:.1f},{top-h*0.14:.1f} C {x+w*0.05:.1f},{top-h*0.3:.1f} {x+w*0.45:.1f},{top-h*0.24:.1f} '
            f'{x+w*0.42:.1f},{top-h*0.08:.1f} C {x+w/2+h*0.1:.1f},{top-h*0.06:.1f} {x+w/2+h*0.06:.1f},{top+h*0.1:.1f} '
            f'{x+w/2-h*0.02:.1f},{top+h*0.1:.1f} Z" fill="#ffffff" {stroke(line)}/>')


def bowl(x, y, w, line=12, fill="#e8463c", food="noodles"):
    """A bowl whose base sits at y, with noodles or rice heaped in it."""
    h = w * 0.42
    rim = y - h
    food_svg = ""
    if food == "noodles":
        food_svg = (f'<ellipse cx="{x:.1f}" cy="{rim:.1f}" rx="{w*0.48:.1f}" ry="{w*0.1:.1f}" fill="#f3c76b" {stroke(line)}/>'
                    + "".join(f'<path d="M {x-w*0.36+i*w*0.12:.1f},{rim+w*0.02:.1f} q {w*0.03:.1f},{-w*0.08:.1f} {w*0.06:.1f},0 '
                              f't {w*0.06:.1f},0" fill="none" stroke="#d99a2b" stroke-width="{line*0.7:.1f}" '
                              'stroke-linecap="round"/>' for i in range(6))
                    + f'<ellipse cx="{x+w*0.2:.1f}" cy="{rim-w*0.03:.1f}" rx="{w*0.1:.1f}" ry="{w*0.05:.1f}" fill="#ffffff" {stroke(line*0.7)}/>'
                    + f'<circle cx="{x+w*0.2:.1f}" cy="{rim-w*0.03:.1f}" r="{w*0.035:.1f}" fill="#ffc21a"/>'
                    + f'<path d="M {x-w*0.25:.1f},{rim-w*0.02:.1f} l {w*0.1:.1f},{-w*0.03:.1f} l {w*0.02:.1f},{w*0.05:.1f} z" fill="#4caf50" {stroke(line*0.5)}/>')
    elif food == "rice":
        food_svg = (f'<path d="M {x-w*0.46:.1f},{rim:.1f} C {x-w*0.4:.1f},{rim-w*0.3:.1f} {x+w*0.4:.1f},{rim-w*0.3:.1f} '
                    f'{x+w*0.46:.1f},{rim:.1f} Z" fill="#ffffff" {stroke(line)}/>')
    return (food_svg +
            f'<path d="M {x-w/2:.1f},{rim:.1f} L {x+w/2:.1f},{rim:.1f} C {x+w/2:.1f},{rim+h*0.75:.1f} {x+w*0.3:.1f},{y:.1f} '
            f'{x:.1f},{y:.1f} C {x-w*0.3:.1f},{y:.1f} {x-w/2:.1f},{rim+h*0.75:.1f} {x-w/2:.1f},{rim:.1f} Z" '
            f'fill="{fill}" {stroke(line)}/>'
            f'<path d="M {x-w*0.36:.1f},{rim+h*0.3:.1f} C {x-w*0.15:.1f},{rim+h*0.42:.1f} {x+w*0.15:.1f},{rim+h*0.42:.1f} '
            f'{x+w*0.36:.1f},{rim+h*0.3:.1f}" fill="none" stroke="#ffffff" stroke-width="{line*1.2:.1f}" '
            'stroke-dasharray="2 26" stroke-linecap="round"/>')


def steam(x, y, h, line=10, opacity=0.8):
    out = []
    for dx in (-0.3, 0, 0.3):
        sx = x + dx * h
        out.append(f'<path d="M {sx:.1f},{y:.1f} c {-h*0.12:.1f},{-h*0.2:.1f} {h*0.12:.1f},{-h*0.35:.1f} 0,{-h*0.55:.1f} '
                   f'c {-h*0.12:.1f},{-h*0.2:.1f} {h*0.12:.1f},{-h*0.3:.1f} 0,{-h*0.45:.1f}" fill="none" stroke="#ffffff" '
                   f'stroke-width="{line:.1f}" stroke-linecap="round" opacity="{opacity}"/>')
    return "".join(out)


def chopsticks(x, y, length, angle, line=8):
    return at(f'<rect x="-9" y="{-length:.1f}" width="14" height="{length:.1f}" rx="5" fill="#c98a4b" {stroke(line)}/>'
              f'<rect x="12" y="{-length*0.97:.1f}" width="14" height="{length*0.97:.1f}" rx="5" fill="#c98a4b" {stroke(line)}/>',
              x, y, 1, angle)


def sword(x, y, length, angle, line=12):
    """A wooden sword whose grip centre is at (x, y), pointing up when angle is 0."""
    L = length
    return at(f'<path d="M -26,{-L*0.2:.1f} L -26,{-L*0.9:.1f} L 0,{-L:.1f} L 26,{-L*0.9:.1f} L 26,{-L*0.2:.1f} Z" '
              f'fill="#e0b070" {stroke(line)}/>'
              f'<path d="M 0,{-L*0.22:.1f} L 0,{-L*0.9:.1f}" stroke="#b57d3c" stroke-width="8" stroke-linecap="round"/>'
              f'<rect x="-70" y="{-L*0.22:.1f}" width="140" height="32" rx="14" fill="#8a5a2b" {stroke(line)}/>'
              f'<rect x="-17" y="{-L*0.2+30:.1f}" width="34" height="{L*0.2:.1f}" rx="10" fill="#6b3e1f" {stroke(line)}/>'
              f'<circle cx="0" cy="{L*0.04+36:.1f}" r="20" fill="{GOLD}" {stroke(line)}/>',
              x, y, 1, angle)


def shield(x, y, r, line=12):
    """A pot-lid shield."""
    return (f'<circle cx="{x:.1f}" cy="{y:.1f}" r="{r:.1f}" fill="#a9b6c4" {stroke(line)}/>'
            f'<circle cx="{x:.1f}" cy="{y:.1f}" r="{r*0.72:.1f}" fill="#c9d4df" stroke="#7d8ea0" stroke-width="8"/>'
            f'<circle cx="{x:.1f}" cy="{y:.1f}" r="{r*0.2:.1f}" fill="#e2463c" {stroke(line*0.8)}/>'
            f'<path d="M {x-r*0.5:.1f},{y-r*0.35:.1f} Q {x-r*0.3:.1f},{y-r*0.6:.1f} {x:.1f},{y-r*0.62:.1f}" fill="none" '
            'stroke="#ffffff" stroke-width="10" stroke-linecap="round" opacity="0.8"/>')


def cape(colour, trim, bottom=-30, flare=270):
    """A cape hanging from the shoulders behind the body (character coordinates), hem at y = bottom."""
    return (f'<path d="M -150,-330 C -220,-240 -{flare},-120 -{flare},{bottom} '
            f'C -120,{bottom+24} 120,{bottom+24} {flare},{bottom} C {flare},-120 220,-240 150,-330 Z" '
            f'fill="{colour}" {stroke()}/>'
            f'<path d="M -{flare-8},{bottom-16} C -120,{bottom+8} 120,{bottom+8} {flare-8},{bottom-16}" fill="none" '
            f'stroke="{trim}" stroke-width="16"/>')


def headband():
    return (f'<path d="M -186,-352 C -100,-398 100,-398 186,-352 L 178,-316 C 100,-356 -100,-356 -178,-316 Z" '
            f'fill="#e2463c" {stroke()}/>'
            f'<path d="M 176,-340 C 230,-350 270,-390 300,-380 C 286,-350 250,-330 204,-322 Z" fill="#e2463c" {stroke()}/>'
            f'<path d="M 180,-330 C 240,-320 280,-290 310,-300 C 296,-330 250,-350 200,-346 Z" fill="#c73229" {stroke()}/>'
            f'<circle cx="184" cy="-336" r="22" fill="#c73229" {stroke()}/>'
            f'<path d="M -20,-376 L 0,-356 L 20,-376 L 0,-394 Z" fill="{GOLD}" {stroke(8)}/>')


def mage_hat(colour, band, tall=False):
    """A pointed hat on the head: floppy apprentice hat or tall grand-mage hat."""
    if tall:
        cone = (f'<path d="M -168,-388 C -130,-520 -60,-720 60,-820 C 110,-860 170,-850 190,-810 C 150,-800 118,-780 100,-740 '
                f'C 80,-620 130,-470 168,-388 Z" fill="{colour}" {stroke()}/>')
        brim = (f'<ellipse cx="0" cy="-380" rx="270" ry="56" fill="{colour}" {stroke()}/>'
                f'<path d="M -166,-404 C -80,-444 80,-444 166,-404 L 160,-372 C 80,-408 -80,-408 -160,-372 Z" fill="{band}" {stroke(10)}/>')
        deco = (star(-50, -540, 34, GOLD, 7) + star(40, -650, 24, GOLD, 6) + star(70, -470, 20, "#fff2a8", 5)
                + f'<path d="M -90,-470 a 30,30 0 1 0 26,-44 a 24,24 0 1 1 -26,44 Z" fill="#fff2a8" {stroke(6)}/>'
                + star(190, -810, 26, GOLD, 7))
        # Drawn a little lower than designed, so the wearer stays large at the smallest window size.
        return f'<g transform="translate(0,-388) scale(1,0.84) translate(0,388)">{cone}{deco}</g>' + brim
    cone = (f'<path d="M -150,-394 C -120,-500 -60,-590 30,-628 C 80,-648 130,-628 138,-590 C 104,-598 78,-584 66,-554 '
            f'C 86,-500 122,-440 150,-394 Z" fill="{colour}" {stroke()}/>')
    brim = (f'<ellipse cx="0" cy="-388" rx="222" ry="44" fill="{colour}" {stroke()}/>'
            f'<path d="M -146,-410 C -70,-440 70,-440 146,-410 L 142,-384 C 70,-412 -70,-412 -142,-384 Z" fill="{band}" {stroke(9)}/>')
    deco = star(-40, -500, 28, GOLD, 7) + star(138, -590, 22, GOLD, 6)
    return cone + brim + deco


def wand(x, y, length, angle, line=11):
    return at(f'<rect x="-12" y="{-length:.1f}" width="24" height="{length:.1f}" rx="10" fill="#7a4a2a" {stroke(line)}/>'
              + star(0, -length - 26, 46, GOLD, line) + sparkle(-60, -length - 70, 22) + sparkle(54, -length - 90, 16),
              x, y, 1, angle)


def staff(x, y, length, line=13):
    """A tall staff with a glowing orb; (x, y) is the grip, the staff reaches the ground below."""
    return (f'<path d="M {x:.1f},{y+length*0.35:.1f} L {x:.1f},{y-length*0.65:.1f}" stroke="{OUTLINE}" '
            f'stroke-width="{42+line*2}" stroke-linecap="round"/>'
            f'<path d="M {x:.1f},{y+length*0.35:.1f} L {x:.1f},{y-length*0.65:.1f}" stroke="#8a5a2b" stroke-width="42" '
            'stroke-linecap="round"/>'
            f'<path d="M {x-40:.1f},{y-length*0.65:.1f} C {x-70:.1f},{y-length*0.65-60:.1f} {x-30:.1f},{y-length*0.65-130:.1f} '
            f'{x:.1f},{y-length*0.65-130:.1f} C {x+30:.1f},{y-length*0.65-130:.1f} {x+70:.1f},{y-length*0.65-60:.1f} '
            f'{x+40:.1f},{y-length*0.65:.1f}" fill="none" stroke="{GOLD_DARK}" stroke-width="18" stroke-linecap="round"/>'
            f'<circle cx="{x:.1f}" cy="{y-length*0.65-72:.1f}" r="90" fill="url(#orbGlow)"/>'
            f'<circle cx="{x:.1f}" cy="{y-length*0.65-72:.1f}" r="50" fill="#9fe8ff" {stroke(line)}/>'
            f'<circle cx="{x-16:.1f}" cy="{y-length*0.65-88:.1f}" r="14" fill="#ffffff"/>')


ORB_GLOW = ('<radialGradient id="orbGlow"><stop offset="0" stop-color="#bff3ff" stop-opacity="0.9"/>'
            '<stop offset="1" stop-color="#bff3ff" stop-opacity="0"/></radialGradient>')


def beard():
    return (f'<path d="M -110,-212 C -80,-190 -40,-196 0,-206 C 40,-196 80,-190 110,-212 C 120,-120 70,-40 0,-10 '
            f'C -70,-40 -120,-120 -110,-212 Z" fill="#ffffff" {stroke()}/>'
            f'<path d="M -50,-150 C -40,-110 -30,-80 -20,-60 M 40,-150 C 36,-110 28,-80 18,-56" fill="none" '
            'stroke="#cfd8e3" stroke-width="9" stroke-linecap="round"/>'
            f'<path d="M -70,-226 C -40,-250 -10,-236 0,-222 C 10,-236 40,-250 70,-226 C 50,-206 20,-210 0,-216 '
            f'C -20,-210 -50,-206 -70,-226 Z" fill="#ffffff" {stroke(10)}/>')


def trophy(x, y, h, line=12):
    """A gold cup; (x, y) is the bottom centre of its base."""
    s = h / 300
    handles = "".join(f'<path d="M {side * 100},-270 C {side * 170},-270 {side * 170},-170 {side * 80},-160" fill="none" '
                      f'stroke="{colour}" stroke-width="{width:.1f}" stroke-linecap="round"/>'
                      for colour, width in ((OUTLINE, 32 + line * 2 / s), (GOLD, 32)) for side in (-1, 1))
    return at(handles
              + f'<path d="M -110,-290 L 110,-290 C 110,-170 60,-120 0,-116 C -60,-120 -110,-170 -110,-290 Z" '
                f'fill="url(#goldShine)" {stroke(line / s)}/>'
                f'<rect x="-22" y="-120" width="44" height="60" fill="{GOLD_DARK}" {stroke(line / s)}/>'
                f'<rect x="-80" y="-64" width="160" height="64" rx="10" fill="#8a5a2b" {stroke(line / s)}/>'
              + star(0, -216, 40, "#fff2a8", line / s)
              + '<path d="M -80,-270 C -80,-220 -60,-180 -40,-160" fill="none" stroke="#fff2a8" stroke-width="14" '
                'stroke-linecap="round"/>', x, y, s)


def bandage(x, y, angle=0, line=10):
    return at(f'<rect x="-70" y="-22" width="140" height="44" rx="20" fill="#f6d7b0" {stroke(line)}/>'
              f'<rect x="-24" y="-22" width="48" height="44" fill="#e9bf90" {stroke(line*0.6)}/>'
              '<circle cx="-46" cy="-6" r="4" fill="#c99a6a"/><circle cx="-46" cy="8" r="4" fill="#c99a6a"/>'
              '<circle cx="46" cy="-6" r="4" fill="#c99a6a"/><circle cx="46" cy="8" r="4" fill="#c99a6a"/>',
              x, y, 1, angle)


def smoke(x, y, r, fill="#8c8c8c", opacity=0.85):
    return (f'<g opacity="{opacity}"><circle cx="{x:.1f}" cy="{y:.1f}" r="{r:.1f}" fill="{fill}" {stroke(r*0.12)}/>'
            f'<circle cx="{x+r*0.8:.1f}" cy="{y-r*0.6:.1f}" r="{r*0.7:.1f}" fill="{fill}" {stroke(r*0.12)}/>'
            f'<circle cx="{x-r*0.7:.1f}" cy="{y-r*0.7:.1f}" r="{r*0.55:.1f}" fill="{fill}" {stroke(r*0.12)}/></g>')


def sweat(x, y, s, line=8):
    return (f'<path transform="translate({x:.1f},{y:.1f}) scale({s:.3f})" d="M 0,-60 C 18,-30 34,-6 34,14 '
            'C 34,36 18,50 0,50 C -18,50 -34,36 -34,14 C -34,-6 -18,-30 0,-60 Z" fill="#8fd4ff" '
            f'stroke="{OUTLINE}" stroke-width="{line/s:.1f}" stroke-linejoin="round"/>'
            f'<ellipse cx="{x-10*s:.1f}" cy="{y+16*s:.1f}" rx="{7*s:.1f}" ry="{12*s:.1f}" fill="#ffffff"/>')


def wing(side, line=14):
    """A small feathered wing on the back (character coordinates)."""
    s = side
    return (f'<path d="M {s*150},-300 C {s*250},-380 {s*360},-400 {s*420},-360 C {s*400},-330 {s*380},-320 {s*360},-318 '
            f'C {s*390},-290 {s*380},-270 {s*350},-262 C {s*360},-236 {s*340},-214 {s*300},-214 '
            f'C {s*260},-190 {s*200},-200 {s*150},-230 Z" fill="#ffffff" {stroke(line)}/>'
            f'<path d="M {s*200},-270 C {s*260},-300 {s*310},-300 {s*350},-300 M {s*200},-240 C {s*250},-250 {s*290},-250 {s*320},-244" '
            'fill="none" stroke="#c9d9ea" stroke-width="10" stroke-linecap="round"/>')


def horns():
    out = []
    for s in (-1, 1):
        out.append(f'<path d="M {s*70},-396 C {s*80},-470 {s*120},-510 {s*150},-520 C {s*140},-480 {s*136},-440 {s*130},-386 Z" '
                   f'fill="#e2463c" {stroke()}/>')
    return "".join(out)


def devil_tail():
    return (f'<path d="M 180,-90 C 280,-80 320,-200 290,-280" fill="none" stroke="{OUTLINE}" stroke-width="40" stroke-linecap="round"/>'
            f'<path d="M 180,-90 C 280,-80 320,-200 290,-280" fill="none" stroke="#c62f2f" stroke-width="16" stroke-linecap="round"/>'
            f'<path d="M 290,-330 L 326,-262 L 292,-276 L 254,-262 Z" fill="#e2463c" {stroke()}/>')


def pitchfork(x, y, length, angle, line=12):
    return at(f'<rect x="-11" y="{-length:.1f}" width="22" height="{length*1.3:.1f}" rx="9" fill="#5a2a6a" {stroke(line)}/>'
              f'<path d="M -70,{-length-90:.1f} L -70,{-length+10:.1f} L 70,{-length+10:.1f} L 70,{-length-90:.1f} '
              f'L 48,{-length-40:.1f} L 48,{-length-12:.1f} L 12,{-length-12:.1f} L 12,{-length-110:.1f} L 0,{-length-130:.1f} '
              f'L -12,{-length-110:.1f} L -12,{-length-12:.1f} L -48,{-length-12:.1f} L -48,{-length-40:.1f} Z" '
              f'fill="#ff5a4a" {stroke(line)}/>', x, y, 1, angle)


def rays(cx, cy, r, count, colour, opacity=1.0, start=0.0):
    out = []
    for i in range(count):
        a0 = math.radians(start + 360 / count * i)
        a1 = math.radians(start + 360 / count * (i + 0.5))
        out.append(f"M {cx:.1f},{cy:.1f} L {cx + r*math.cos(a0):.1f},{cy + r*math.sin(a0):.1f} "
                   f"L {cx + r*math.cos(a1):.1f},{cy + r*math.sin(a1):.1f} Z")
    return f'<path d="{" ".join(out)}" fill="{colour}" opacity="{opacity}"/>'


def moon(x, y, r, line=10):
    return (f'<path d="M {x:.1f},{y-r:.1f} A {r:.1f},{r:.1f} 0 1 0 {x+r*0.95:.1f},{y+r*0.3:.1f} '
            f'A {r*0.8:.1f},{r*0.8:.1f} 0 1 1 {x:.1f},{y-r:.1f} Z" fill="#ffe27a" {stroke(line)}/>')


def clock(x, y, r, hour, minute, line=12, face_fill="#ffffff", rim="#e2463c"):
    ha = math.radians(hour % 12 * 30 + minute * 0.5 - 90)
    ma = math.radians(minute * 6 - 90)
    ticks = "".join(f'<circle cx="{x + r*0.78*math.cos(math.radians(i*30)):.1f}" '
                    f'cy="{y + r*0.78*math.sin(math.radians(i*30)):.1f}" r="{r*0.05:.1f}" fill="{OUTLINE}"/>'
                    for i in range(12))
    return (f'<circle cx="{x:.1f}" cy="{y:.1f}" r="{r:.1f}" fill="{rim}" {stroke(line)}/>'
            f'<circle cx="{x:.1f}" cy="{y:.1f}" r="{r*0.86:.1f}" fill="{face_fill}" {stroke(line*0.6)}/>' + ticks +
            f'<path d="M {x:.1f},{y:.1f} L {x + r*0.45*math.cos(ha):.1f},{y + r*0.45*math.sin(ha):.1f}" {stroke(r*0.09)}/>'
            f'<path d="M {x:.1f},{y:.1f} L {x + r*0.68*math.cos(ma):.1f},{y + r*0.68*math.sin(ma):.1f}" {stroke(r*0.06)}/>'
            f'<circle cx="{x:.1f}" cy="{y:.1f}" r="{r*0.08:.1f}" fill="{OUTLINE}"/>')


def zzz(x, y, size, fill="#ffffff", line=8):
    out = []
    for i, k in enumerate((1.0, 0.75, 0.55)):
        s = size * k
        zx, zy = x + i * size * 0.7, y - i * size * 0.8
        out.append(f'<path d="M {zx:.1f},{zy:.1f} l {s:.1f},0 l {-s:.1f},{s:.1f} l {s:.1f},0" fill="none" '
                   f'stroke="{OUTLINE}" stroke-width="{s*0.3+line*2:.1f}" stroke-linejoin="round" stroke-linecap="round"/>'
                   f'<path d="M {zx:.1f},{zy:.1f} l {s:.1f},0 l {-s:.1f},{s:.1f} l {s:.1f},0" fill="none" '
                   f'stroke="{fill}" stroke-width="{s*0.3:.1f}" stroke-linejoin="round" stroke-linecap="round"/>')
    return "".join(out)


def dragon_head(mood="fierce", line=14):
    """A cartoon dragon head about 600 wide, centred on (0, 0) (its own coordinates)."""
    red, dark, belly = "#8e4fd0", "#5d2d94", "#f3d27a"
    if mood == "knocked":
        eyes = (f'<path d="M -150,-90 l 60,60 m 0,-60 l -60,60 M 90,-90 l 60,60 m 0,-60 l -60,60" fill="none" {stroke(20)}/>')
        mouth = (f'<path d="M -120,120 Q 0,150 120,110" fill="none" {stroke(16)}/>'
                 f'<path d="M 40,128 C 50,200 110,210 100,130 Z" fill="#ff7f9a" {stroke(12)}/>')
    else:
        eyes = ''.join(
            f'<path d="M {s*60},-110 L {s*200},-70 C {s*200},-20 {s*150},0 {s*110},-10 C {s*70},-20 {s*56},-60 {s*60},-110 Z" '
            f'fill="#fff27a" {stroke(14)}/><ellipse cx="{s*130}" cy="-50" rx="14" ry="32" fill="{OUTLINE}"/>'
            for s in (-1, 1))
        mouth = (f'<path d="M -200,80 Q 0,230 200,80 Q 0,140 -200,80 Z" fill="#5a1620" {stroke(14)}/>'
                 f'<path d="M -150,100 L -130,150 L -110,106 M 110,106 L 130,150 L 150,100" fill="#ffffff" {stroke(8)}/>')
    return (''.join(f'<path d="M {s*120},-170 C {s*160},-290 {s*230},-330 {s*290},-320 C {s*240},-280 {s*220},-220 {s*210},-150 Z" '
                    f'fill="{belly}" {stroke(line)}/>' for s in (-1, 1))
            + ''.join(f'<path d="M {s*230},-60 L {s*340},-120 L {s*300},-20 L {s*360},20 L {s*250},40 Z" fill="{dark}" {stroke(line)}/>'
                      for s in (-1, 1))
            + f'<path d="M -240,-40 C -250,-200 -120,-230 0,-230 C 120,-230 250,-200 240,-40 C 250,80 220,200 0,210 '
              f'C -220,200 -250,80 -240,-40 Z" fill="{red}" {stroke(line)}/>'
              f'<path d="M -170,60 C -150,170 150,170 170,60 C 120,20 -120,20 -170,60 Z" fill="#b57ee6" opacity="0.7"/>'
              f'<ellipse cx="-50" cy="50" rx="16" ry="10" fill="{OUTLINE}"/><ellipse cx="50" cy="50" rx="16" ry="10" fill="{OUTLINE}"/>'
            + eyes + mouth)


def fire(x, y, w, line=12):
    """A flame burst pointing right from (x, y)."""
    s = w / 400
    return at(f'<path d="M 0,0 C 80,-110 200,-150 300,-120 C 260,-90 250,-70 270,-60 C 340,-70 390,-40 400,0 '
            f'C 390,40 340,70 270,60 C 250,70 260,90 300,120 C 200,150 80,110 0,0 Z" fill="#ff6a2a" {stroke(line/s)}/>'
            '<path d="M 40,0 C 100,-60 190,-80 260,-60 C 290,-40 330,-20 340,0 C 330,20 290,40 260,60 C 190,80 100,60 40,0 Z" '
            'fill="#ffb13a"/>'
            '<path d="M 90,0 C 140,-30 200,-36 250,-24 C 280,-10 280,10 250,24 C 200,36 140,30 90,0 Z" fill="#fff27a"/>',
            x, y, s)
