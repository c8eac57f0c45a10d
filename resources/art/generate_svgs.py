#!/usr/bin/env python3
"""Writes the SVG source of every picture next to this script, or lists the picture table.

Usage: generate_svgs.py            writes <id>-<role>.svg for all 25 pictures
       generate_svgs.py --table    prints "id role width height channels" per picture
"""

import pathlib
import sys

from pictures import PICTURES


def main():
    here = pathlib.Path(__file__).resolve().parent
    for ident, (role, width, height, channels, compose) in sorted(PICTURES.items()):
        if "--table" in sys.argv[1:]:
            print(ident, role, width, height, channels)
        else:
            (here / f"{ident}-{role}.svg").write_text(compose(width, height), encoding="utf-8")


if __name__ == "__main__":
    main()
