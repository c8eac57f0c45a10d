#!/usr/bin/env python3
"""Writes the SVG sources of the program icon next to this script, drawn from the shared character.

Two drawings, because an icon has to read at 16 pixels as well as at 256:
  icon.svg        the whole creature, standing, for 40 px and up
  icon-small.svg  its head close up with heavier lines, for 32 px and below
and the picture beside the installer's first and last pages:
  installer-side.svg  164 x 314, the creature waving on a meadow
"""

import pathlib

import gulu
import props
from gulu import character, place, svg

# The creature without its tail and ground shadow, so the figure fills a square.
FIGURE = character(arms=((-1, 30, False), (1, 30, False)), show_tail=False, shadow=False)

# Character units: the ears and leaf end near y = -566, the feet on y = 0, the body is +-236 wide.
FULL_BOX = (-300, -586, 600)   # left, top, side
HEAD_BOX = (-248, -560, 496)

# Small sizes lose thin lines first: stroke everything a little wider than the character's own outline.
SMALL_OUTLINE = (f'<g fill="none" stroke="{gulu.OUTLINE}" stroke-width="{gulu.LINE * 2}" stroke-linejoin="round">'
                 f'<path d="{gulu.BODY_PATH}"/></g>')


def framed(box, content, size=256):
    left, top, side = box
    scale = size / side
    return svg(size, size, f'<g transform="scale({scale:.5f}) translate({-left},{-top})">{content}</g>')


def installer_side(w=164, h=314):
    sky = ('<linearGradient id="side" x1="0" y1="0" x2="0" y2="1"><stop offset="0" stop-color="#eaf8dd"/>'
           '<stop offset="0.7" stop-color="#c9ecae"/><stop offset="1" stop-color="#86cc5f"/></linearGradient>')
    meadow = f'<path d="M 0,{h - 44} C 50,{h - 60} 110,{h - 58} {w},{h - 46} L {w},{h} L 0,{h} Z" fill="{gulu.BODY_DARK}"/>'
    glints = "".join(props.sparkle(x, y, r, "#ffffff", 0.9) for x, y, r in ((30, 40, 9), (128, 70, 7), (52, 104, 5)))
    pet = character(arms=((-1, 30, False), (1, 150, True)))
    return svg(w, h, f'<rect width="{w}" height="{h}" fill="url(#side)"/>{glints}{meadow}'
                     f'{place(pet, w / 2 - 6, h - 30, 0.25)}', extra_defs=sky)


def main():
    here = pathlib.Path(__file__).resolve().parent
    (here / "icon.svg").write_text(framed(FULL_BOX, FIGURE), encoding="utf-8")
    (here / "icon-small.svg").write_text(framed(HEAD_BOX, SMALL_OUTLINE + FIGURE), encoding="utf-8")
    (here / "installer-side.svg").write_text(installer_side(), encoding="utf-8")


if __name__ == "__main__":
    main()
