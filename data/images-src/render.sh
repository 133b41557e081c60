#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Renders the demo's drawings (draw.py writes the SVG files) into
# data/images/ with headless chromium, as small palette PNGs and, for
# DEMO-002 and DEMO-004, lossless WebP; then prepares them with
# rovadod-pictures (give its path, default the dev build's).
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
data="$(dirname "$here")"
tool="${1:-$data/../build/dev/tools/pictures/rovadod-pictures}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

python3 "$here/draw.py"
rm -rf "$data/images"
mkdir -p "$data/images"
for svg in "$here"/*.svg; do
    name="$(basename "$svg" .svg)"
    width="$(sed -n 's/^<svg[^>]* width="\([0-9]*\)".*/\1/p' "$svg")"
    chromium --headless --no-sandbox --disable-gpu --hide-scrollbars \
        --window-size="$width,320" \
        --screenshot="$work/$name.png" "file://$svg" >/dev/null 2>&1
    case "$name" in
        DEMO-002* | DEMO-004*) cwebp -quiet -lossless -near_lossless 40 -z 9 "$work/$name.png" -o "$data/images/$name.webp" ;;
        *) convert "$work/$name.png" +dither -colors 16 -strip "PNG8:$data/images/$name.png" ;;
    esac
done
"$tool" "$data"
du -cb "$data/images" "$data/images/.rovadod"/* | tail -1
