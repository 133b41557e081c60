#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Writes the demo's coin drawings as SVG files beside this script.

They are simple invented drawings for the invented demo catalogue: a bronze
disc with a head in profile, an eagle or a double cornucopia. render.sh
turns them into data/images/.
"""
import pathlib

HERE = pathlib.Path(__file__).resolve().parent

# Bronze tones: the patina differs from coin to coin.
TONES = {
    "brown": ("#8a5a2b", "#6b4220", "#b07a45"),
    "green": ("#5d6b3a", "#45512a", "#84925a"),
    "dark": ("#5a3b22", "#3f2817", "#7d5535"),
    "red": ("#9a5232", "#733b22", "#c0774f"),
}


def disc(cx, tone, body):
    fill, shade, light = TONES[tone]
    return (
        f'<g transform="translate({cx} 160)">'
        f'<circle r="150" fill="{shade}"/>'
        f'<circle r="140" fill="{fill}"/>'
        f'<circle r="126" fill="none" stroke="{light}" stroke-width="3" stroke-dasharray="2 7"/>'
        f'<g fill="{light}" stroke="{shade}" stroke-width="3">{body}</g></g>'
    )


def head(horn=False, veil=False, wreath=False):
    parts = [
        # face and neck, facing right
        '<path d="M-40 -70 C10 -95 60 -60 55 -20 L70 0 L55 8 C58 30 40 40 30 40 '
        'L28 75 L-45 80 C-70 30 -85 -40 -40 -70 Z"/>',
        '<circle cx="30" cy="-25" r="5" fill="#000" stroke="none" opacity="0.5"/>',
    ]
    if not veil:
        # beard
        parts.append('<path d="M0 20 C10 60 50 60 45 20 C30 35 15 30 0 20 Z"/>')
    if horn:
        parts.append('<path d="M-20 -40 C-50 -40 -55 0 -25 0 C-5 0 -10 -25 -25 -20" '
                     'fill="none" stroke-width="8"/>')
    if veil:
        parts.append('<path d="M-50 -80 C10 -110 50 -80 40 -60 C0 -75 -40 -60 -60 40 '
                     'L-70 80 C-95 20 -90 -60 -50 -80 Z"/>')
    if wreath:
        for i in range(7):
            x, y = -45 + i * 13, -72 - (3 - abs(i - 3)) * 5
            parts.append(f'<ellipse cx="{x}" cy="{y}" rx="9" ry="4" transform="rotate(-30 {x} {y})"/>')
    return "".join(parts)


def eagle(facing=1, open_wings=False):
    s = facing
    wing = ('<path d="M-10 -10 C-60 -80 -90 -30 -100 10 C-60 0 -30 10 -10 20 Z"/>'
            if open_wings else
            '<path d="M-30 -30 C20 -40 45 0 30 40 C0 45 -35 30 -45 0 Z"/>')
    return (f'<g transform="scale({s} 1)">'
            '<path d="M-50 0 C-40 -40 20 -50 40 -20 L45 45 L10 55 L-60 60 Z"/>'
            + wing +
            '<circle cx="45" cy="-35" r="18"/>'
            '<path d="M60 -40 L80 -30 L60 -25 Z"/>'
            '<path d="M-20 60 L-30 90 M10 55 L5 90" fill="none"/>'
            '<path d="M-70 95 L70 95" fill="none" stroke-width="6"/>'
            '</g>')


def cornucopia():
    one = ('<path d="M-10 80 C-60 40 -70 -40 -30 -90 C-20 -70 -25 -60 -15 -50 '
           'C-40 -10 -30 40 5 70 Z"/><circle cx="-30" cy="-95" r="10"/>')
    return one + f'<g transform="scale(-1 1)">{one}</g>' + \
        '<path d="M-15 80 L15 80 L0 95 Z"/>'


def svg(width, body):
    return (f'<svg xmlns="http://www.w3.org/2000/svg" width="{width}" height="320" '
            f'viewBox="0 0 {width} 320">{body}</svg>\n')


OBVERSES = {
    "zeus": head(horn=True),
    "zeus-laureate": head(wreath=True),
    "queen": head(veil=True),
}
REVERSES = {
    "eagle-left": eagle(-1),
    "eagle-right": eagle(1),
    "eagle-open": eagle(1, open_wings=True),
    "cornucopia": cornucopia(),
}

# name: (tone, obverse, reverse, layout): "pair" draws two files, "-obverse"
# and "-reverse"; "single" one file with both sides; "obverse" one side.
COINS = {
    "DEMO-001": ("brown", "zeus", "eagle-left", "pair"),
    "DEMO-002": ("green", "zeus", "eagle-left", "pair"),
    "DEMO-003": ("dark", "zeus", "eagle-left", "single"),
    "DEMO-004": ("red", "zeus", "eagle-left", "single"),
    "DEMO-008": ("brown", "zeus", "eagle-open", "pair"),
    "DEMO-010": ("green", "zeus", "eagle-open", "single"),
    "DEMO-013": ("dark", "zeus-laureate", "eagle-right", "pair"),
    "DEMO-014": ("red", "zeus-laureate", "eagle-right", "single"),
    "DEMO-020": ("brown", "zeus", "eagle-left", "obverse"),
    "DEMO-050": ("green", "queen", "cornucopia", "pair"),
    "DEMO-051": ("brown", "queen", "cornucopia", "single"),
    "DEMO-060": ("red", "queen", "cornucopia", "single"),
    # A number with a character no file name may hold: its pictures use "_".
    "DEMO-064/2": ("dark", "queen", "eagle-open", "single"),
}


def file_name(number):
    return "".join("_" if c in '/\\:*?"<>|' or ord(c) < 32 else c for c in number)


def main():
    for old in HERE.glob("*.svg"):
        old.unlink()
    for number, (tone, obv, rev, layout) in COINS.items():
        number = file_name(number)
        front = disc(160, tone, OBVERSES[obv])
        if layout == "pair":
            (HERE / f"{number}-obverse.svg").write_text(svg(320, front))
            (HERE / f"{number}-reverse.svg").write_text(svg(320, disc(160, tone, REVERSES[rev])))
        elif layout == "single":
            (HERE / f"{number}.svg").write_text(
                svg(640, front + disc(480, tone, REVERSES[rev])))
        else:
            (HERE / f"{number}.svg").write_text(svg(320, front))


if __name__ == "__main__":
    main()
