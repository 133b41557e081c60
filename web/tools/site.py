#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Builds the finder's web page.

  site    the static site: the page's files, the engine and the demo catalogue,
          with the service worker's cache name stamped from a hash of them all;
          with --images, the demo's pictures as images/ beside them
  single  the same page as one self-contained HTML file that works from file://
  icons   the install icons, drawn from data/rovadod.svg by headless Chromium
"""

import argparse
import base64
import hashlib
import json
import os
import re
import subprocess
import sys
import tempfile
from pathlib import Path

# The page's own files; everything else in the source folder is not the site.
PAGE_SUFFIXES = {'.html', '.js', '.css', '.webmanifest', '.png'}
ENGINE_FILES = ('engine.js', 'engine.wasm')
DEMO = 'demo.csv'
# A catalogue the keeper publishes beside the site after building it.
KEEPER_CATALOGUE = 'ptolemy.csv'
# The pictures beside it, and where rovadod-pictures writes inside them.
IMAGES = 'images'
TOOL_FOLDER = '.rovadod'
# What a picture may be named; anything else in images/ (an SVG that may
# hold script, say) is never published.
PICTURE_SUFFIXES = {'.jpg', '.jpeg', '.png', '.webp'}
# The demo pictures this tool last wrote, with their hashes: only those it
# may replace or remove.
IMAGES_RECORD = '.site-images'

STAMP_LINE = re.compile(r"^const siteStamp = '[^']*';$", re.M)
FILES_LINE = re.compile(r"^const siteFiles = \[[^\n]*\];$", re.M)
# The files that say which version of the site they belong to.
STAMPED = ('sw.js', 'offline.js')
# Scripts that are not the page's modules: the service worker, and the plain
# script that starts the downloads.
NOT_MODULES = ('sw.js', 'boot.js')


class BuildError(Exception):
    pass


def page_files(src):
    files = sorted(p for p in Path(src).iterdir() if p.is_file() and p.suffix in PAGE_SUFFIXES)
    if not any(p.name == 'index.html' for p in files):
        raise BuildError(f'{src} holds no index.html')
    return files


def site_stamp(contents):
    """A stamp that changes whenever any file of the site does, and only then
    (never a build time)."""
    digest = hashlib.sha256()
    for name in sorted(contents):
        digest.update(name.encode() + b'\0')
        digest.update(hashlib.sha256(contents[name]).digest())
    return digest.hexdigest()[:16]


def stamp(source, name, stamp_value, files=None):
    text = source.decode('utf-8')
    if not STAMP_LINE.search(text):
        raise BuildError(f"{name} lacks its `const siteStamp = '…';` line")
    text = STAMP_LINE.sub(lambda _: f"const siteStamp = '{stamp_value}';", text, count=1)
    if files is not None:
        if not FILES_LINE.search(text):
            raise BuildError(f"{name} lacks its `const siteFiles = […];` line")
        listed = json.dumps(['./'] + files).replace('"', "'")
        text = FILES_LINE.sub(lambda _: f'const siteFiles = {listed};', text, count=1)
    return text.encode('utf-8')


def write_whole(path, data):
    """Writes `data` at `path` through a file renamed into place, so a build
    cut short never leaves half a file the server would hand out."""
    path = Path(path)
    path.parent.mkdir(parents=True, exist_ok=True)
    handle, temporary = tempfile.mkstemp(dir=path.parent, prefix=f'.{path.name}.')
    try:
        with os.fdopen(handle, 'wb') as out:
            out.write(data)
        # mkstemp's file is the owner's alone; a web server must read it.
        mask = os.umask(0)
        os.umask(mask)
        os.chmod(temporary, 0o666 & ~mask)
        os.replace(temporary, path)
    except BaseException:
        os.unlink(temporary)
        raise


def build_site(src, engine, catalogue, out, images=None):
    contents = {p.name: p.read_bytes() for p in page_files(src)}
    for name in ENGINE_FILES:
        path = Path(engine) / name
        if not path.is_file():
            raise BuildError(f'{path} is missing: build the engine first')
        contents[name] = path.read_bytes()
    contents[DEMO] = Path(catalogue).read_bytes()
    for stamped in STAMPED:
        if stamped not in contents:
            raise BuildError(f'{src} holds no {stamped}')
    name = site_stamp(contents)
    contents['offline.js'] = stamp(contents['offline.js'], 'offline.js', name)
    # The page's modules go out as one file: a phone on a slow network asks
    # for five files rather than twenty before its first answer.
    modules = {n: contents.pop(n).decode('utf-8') for n in list(contents)
               if n.endswith('.js') and n not in NOT_MODULES}
    contents['app.js'] = bundle('app.js', modules).encode('utf-8')
    html = contents['index.html'].decode('utf-8')
    html, found = re.subn(r'(<link rel="modulepreload"[^>]*>\n)+', '', html, count=1)
    if found != 1:
        raise BuildError('index.html: no modulepreload links to take out')
    contents['index.html'] = html.encode('utf-8')
    cached = sorted(n for n in contents if n != 'sw.js')
    contents['sw.js'] = stamp(contents['sw.js'], 'sw.js', name, cached)

    out = Path(out)
    out.mkdir(parents=True, exist_ok=True)
    kept = {KEEPER_CATALOGUE, IMAGES_RECORD}
    for stale in out.iterdir():
        if stale.is_file() and stale.name not in contents and stale.name not in kept:
            stale.unlink()
    for file, data in contents.items():
        write_whole(out / file, data)
    if images is not None:
        copy_images(images, out)
    return name


def image_files(images):
    """The files of a picture folder that a site publishes, by their path
    inside the site: its pictures, and the index and small copies in its
    tool folder. Hidden files and anything not named as a picture stay out."""
    images = Path(images)
    found = {}
    for folder, prefix in ((images, IMAGES), (images / TOOL_FOLDER, f'{IMAGES}/{TOOL_FOLDER}')):
        if not folder.is_dir():
            continue
        for path in sorted(folder.iterdir()):
            if path.name.startswith('.') or path.is_symlink() or not path.is_file():
                continue
            if path.suffix.lower() in PICTURE_SUFFIXES or (folder != images and path.name == 'index.tsv'):
                found[f'{prefix}/{path.name}'] = path
    return found


def copy_images(images, out):
    """Copies the demo's pictures into `out`/images, but never over a
    keeper's: a file there that this tool did not write as it is now means
    the keeper put their own pictures in, and the folder is left alone."""
    record_path = out / IMAGES_RECORD
    written = {}
    if record_path.is_file():
        for line in record_path.read_text(encoding='utf-8').splitlines():
            digest, _, name = line.partition(' ')
            written[name] = digest
    present = [p for p in (out / IMAGES).rglob('*') if p.is_file() or p.is_symlink()]
    for path in present:
        name = path.relative_to(out).as_posix()
        if path.is_symlink() or written.get(name) != hashlib.sha256(path.read_bytes()).hexdigest():
            print(f'site.py: {out / IMAGES} holds pictures of its own ({name}): left as it is',
                  file=sys.stderr)
            return False
    wanted = {name: source.read_bytes() for name, source in image_files(images).items()}
    for path in present:
        if path.relative_to(out).as_posix() not in wanted:
            path.unlink()
    record = []
    for name, data in sorted(wanted.items()):
        write_whole(out / name, data)
        record.append(f'{hashlib.sha256(data).hexdigest()} {name}\n')
    write_whole(record_path, ''.join(record).encode('utf-8'))
    return True


IMPORT = re.compile(r"^import\s+(.+?)\s+from\s+'\./([^']+)';[ \t]*\n", re.M)
EXPORT_DECLARATION = re.compile(r'^export\s+((?:async\s+)?function\s*\*?\s*|const\s+|let\s+|class\s+)([A-Za-z_$][\w$]*)', re.M)
EXPORT_DEFAULT = re.compile(r'^export\s+default\s+([A-Za-z_$][\w$]*)\s*;?[ \t]*$', re.M)
EXPORT_DEFAULT_FUNCTION = re.compile(r'^export\s+default\s+((?:async\s+)?function\s*\*?\s*([A-Za-z_$][\w$]*))', re.M)
NAMED = re.compile(r'^\{\s*([\w$]+(?:\s*,\s*[\w$]+)*)\s*,?\s*\}$')


def read_module(path, text):
    imports = []
    for bound, target in IMPORT.findall(text):
        bound = bound.strip()
        if ' as ' in bound or bound.startswith('*') or (bound.startswith('{') and not NAMED.match(bound)):
            raise BuildError(f'{path}: renamed imports cannot be inlined ({bound})')
        imports.append((bound, target))
    return text, imports


def module_variable(name):
    return '__module_' + re.sub(r'\W', '_', name)


def bundle(entry, modules):
    """The ES modules reachable from `entry`, as one module's text: each in a
    scope of its own after the ones it imports, so that their top-level names
    never clash; what a module exports is what its scope hands back, and its
    imports are taken from there. `modules` maps a file name to its text."""
    done, parts = set(), []

    def visit(name, trail):
        if name in done:
            return
        if name in trail:
            raise BuildError('import cycle: ' + ' > '.join(trail + [name]))
        if name not in modules:
            raise BuildError(f'{trail[-1] if trail else entry} imports ./{name}, which is not there')
        text, imports = read_module(name, modules[name])
        for _, target in imports:
            visit(target, trail + [name])
        body = IMPORT.sub('', text)
        exported = [m[1] for m in EXPORT_DECLARATION.findall(body)]
        defaults = EXPORT_DEFAULT.findall(body) + [m[1] for m in EXPORT_DEFAULT_FUNCTION.findall(body)]
        body = EXPORT_DEFAULT.sub('', body)
        body = EXPORT_DEFAULT_FUNCTION.sub(lambda m: m[1], body)
        body = EXPORT_DECLARATION.sub(lambda m: m[1] + m[2], body)
        if re.search(r'^export\b', body, re.M):
            raise BuildError(f'{name}: an export form that cannot be inlined')
        taken = []
        for bound, target in imports:
            source = module_variable(target)
            if bound.startswith('{'):
                taken.append(f'const {bound} = {source};')
            else:
                taken.append(f'const {bound} = {source}.default;')
        handed = ', '.join(exported + ([f'default: {defaults[0]}'] if defaults else []))
        parts.append(f'// {name}\nconst {module_variable(name)} = (() => {{\n'
                     + ''.join(line + '\n' for line in taken)
                     + f'{body.strip()}\nreturn {{ {handed} }};\n}})();\n')
        done.add(name)

    visit(entry, [])
    return '\n'.join(parts)


def inline_text(text):
    """`text` safe inside <script> or <style>: no end tag, no comment opener."""
    return text.replace('</script', '<\\/script').replace('</style', '<\\/style').replace('<!--', '<\\!--')


def csp_hash(text):
    return "'sha256-" + base64.b64encode(hashlib.sha256(text.encode('utf-8')).digest()).decode() + "'"


def build_single(src, engine_single, catalogue, out):
    src = Path(src)
    html = (src / 'index.html').read_text(encoding='utf-8')
    modules = {p.name: p.read_text(encoding='utf-8') for p in src.glob('*.js') if p.name not in NOT_MODULES}
    boot = inline_text((src / 'boot.js').read_text(encoding='utf-8'))
    if not Path(engine_single).is_file():
        raise BuildError(f'{engine_single} is missing: build the engine first')
    modules['engine.js'] = Path(engine_single).read_text(encoding='utf-8')
    script = inline_text(bundle('app.js', modules))
    style = inline_text((src / 'style.css').read_text(encoding='utf-8'))
    demo = base64.b64encode(Path(catalogue).read_bytes()).decode('ascii')

    replacements = [
        (r'<html lang="en">', '<html lang="en" data-build="single">'),
        (r'<link rel="manifest"[^>]*>\n', ''),
        (r'<link rel="icon"[^>]*>\n', ''),
        (r'(<link rel="(?:module)?preload"[^>]*>\n)+', ''),
        # Inline too: it has nothing to fetch early here, but the modules
        # find their helpers in what it sets up.
        (r'<script src="boot.js"></script>', lambda _: f'<script>{boot}</script>'),
        (r'<link rel="stylesheet" href="style.css">', lambda _: f'<style>{style}</style>'),
        (r'<script type="module" src="app.js"></script>',
         lambda _: f'<script type="text/plain" id="demo-catalogue">{demo}</script>\n'
                   f'<script type="module">{script}</script>'),
        # Only what is inlined may run or style the page; the engine's wasm
        # is inside its script, fetched from a data: address.
        # The collector's own pictures are shown from blob: addresses.
        (r"script-src 'self' 'wasm-unsafe-eval'; style-src 'self'; img-src 'self' blob:;",
         f"script-src {csp_hash(boot)} {csp_hash(script)} 'wasm-unsafe-eval'; style-src {csp_hash(style)}; "
         "img-src blob:; connect-src data:;"),
        (r"default-src 'self';", "default-src 'none';"),
    ]
    for pattern, replacement in replacements:
        html, found = re.subn(pattern, replacement, html, count=1)
        if found != 1:
            raise BuildError(f'index.html: nothing to replace for {pattern!r}')
    write_whole(out, html.encode('utf-8'))


# Each icon: its file, its side in pixels, and how much of it the coin fills
# on what ground. A maskable icon keeps the coin inside the middle 80 % that
# every launcher's mask shows; iPhones put no transparency on a home screen.
ICONS = (
    ('icon-192.png', 192, 1.0, 'transparent'),
    ('icon-512.png', 512, 1.0, 'transparent'),
    ('icon-maskable-512.png', 512, 0.62, '#f3e6d3'),
    ('apple-touch-icon.png', 180, 0.8, '#f3e6d3'),
)


def draw_icons(svg, out_dir, browser):
    """PNG icons for the manifest and home screens, the SVG drawn by the
    browser at each size (ImageMagick without its SVG delegate cannot read it)."""
    out_dir = Path(out_dir)
    with tempfile.TemporaryDirectory() as work:
        for name, size, share, ground in ICONS:
            page = Path(work) / f'{name}.html'
            side = round(size * share)
            page.write_text('<!DOCTYPE html><style>html,body{margin:0;width:100vw;height:100vh;'
                            f'background:{ground};display:grid;place-items:center}}'
                            f'img{{display:block;width:{side}px;height:{side}px}}</style>'
                            f'<img src="{Path(svg).resolve().as_uri()}" alt="">', encoding='utf-8')
            shot = Path(work) / name
            # No sandbox: a build may run as root, where Chromium refuses one.
            subprocess.run([browser, '--headless', '--no-sandbox', '--disable-gpu', '--hide-scrollbars',
                            '--default-background-color=00000000', f'--window-size={size},{size}',
                            f'--user-data-dir={work}/profile', f'--screenshot={shot}', page.as_uri()],
                           check=True, capture_output=True, timeout=120)
            write_whole(out_dir / name, shot.read_bytes())


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    commands = parser.add_subparsers(dest='command', required=True)
    site = commands.add_parser('site', help='the static site')
    site.add_argument('--src', required=True, help='the page sources (web/site)')
    site.add_argument('--engine', required=True, help='the folder with engine.js and engine.wasm')
    site.add_argument('--catalogue', required=True, help='the demo catalogue (data/ptolemy.csv)')
    site.add_argument('--out', required=True, help='the site folder to write')
    site.add_argument('--images', help='the demo\'s picture folder (data/images), copied as images/ '
                                       'unless the site folder holds pictures of its own')
    single = commands.add_parser('single', help='one self-contained HTML file')
    single.add_argument('--src', required=True)
    single.add_argument('--engine-single', required=True, help='engine-single.js (the wasm inside)')
    single.add_argument('--catalogue', required=True)
    single.add_argument('--out', required=True, help='the HTML file to write')
    icons = commands.add_parser('icons', help='draw the install icons')
    icons.add_argument('--svg', required=True)
    icons.add_argument('--out', required=True, help='the folder for the icons (icon-192.png, icon-512.png, …)')
    icons.add_argument('--browser', default='/usr/bin/chromium')
    args = parser.parse_args(argv)
    try:
        if args.command == 'site':
            name = build_site(args.src, args.engine, args.catalogue, args.out, args.images)
            print(f'site written to {args.out} (stamp {name})')
        elif args.command == 'single':
            build_single(args.src, args.engine_single, args.catalogue, args.out)
            print(f'single page written to {args.out}')
        else:
            draw_icons(args.svg, args.out, args.browser)
    except (BuildError, OSError, subprocess.SubprocessError) as error:
        print(f'site.py: {error}', file=sys.stderr)
        return 1
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv[1:]))
