#!/usr/bin/env python3
"""Builds the help page and the console's command reference from their one source each.

    make_help_page.py TEMPLATE REFERENCE VERSION OUT_PAGE OUT_HEADER

TEMPLATE   resources/help/ZentharHelp.html: the page, with these markers
             <!--@COMMAND_REFERENCE@-->   the console section's list of commands and the reference
             @VERSION@                    the program's version
             @IMAGE:name.png@             a picture beside the template, as a data: address
           (<!--@SUPPORT_LINK@--> stays: the window program puts the support address there.)
REFERENCE  cli/CommandReference.txt: what `zenthar-cli help` prints ("#" lines left out).
OUT_PAGE   the finished page, built into the window program and installed beside it.
OUT_HEADER a C++ header with the same reference as COMMAND_REFERENCE, for the console program.

The page must read as XML (the tests parse it so); a template that does not is refused here, so a
broken page never reaches the build.
"""
import base64
import html
import os
import re
import sys
import xml.etree.ElementTree as ElementTree

ENTRY = re.compile(r"^  ([A-Za-z-][^ ]*(?: [^ ]+)*?)(?:  +(.*))?$")


def read_reference(path):
    with open(path, encoding="ascii") as f:
        lines = [line.rstrip("\n") for line in f if not line.startswith("#")]
    return "\n".join(lines).rstrip("\n") + "\n"


def anchor_of(synopsis, taken):
    words = []
    for word in synopsis.split(",")[0].split():
        if word.startswith("[") or word.isupper():
            break
        words.append(word.strip("-"))
    base = "cli-" + "-".join(w for w in words if w)
    name, n = base, 2
    while name in taken:
        name, n = "%s-%d" % (base, n), n + 1
    taken.add(name)
    return name


def reference_block(reference):
    """The list of commands (links) and the reference itself, each entry's first line marked."""
    taken, links, out = set(), [], []
    for line in reference.split("\n"):
        m = ENTRY.match(line)
        if not m:
            out.append(html.escape(line, quote=False))
            continue
        synopsis = m.group(1)
        anchor = anchor_of(synopsis, taken)
        links.append('<li><a href="#%s"><code>%s</code></a></li>' % (anchor, html.escape(synopsis)))
        rest = line[2 + len(synopsis):]
        out.append('  <b id="%s">%s</b>%s' % (anchor, html.escape(synopsis), html.escape(rest, quote=False)))
    return ('<ul class="commands">\n%s\n</ul>\n<pre id="console-reference">%s</pre>'
            % ("\n".join(links), "\n".join(out)))


def embed_images(page, folder):
    def data_address(m):
        with open(os.path.join(folder, m.group(1)), "rb") as f:
            return "data:image/png;base64," + base64.b64encode(f.read()).decode("ascii")
    return re.sub(r"@IMAGE:([A-Za-z0-9_.-]+\.png)@", data_address, page)


def c_string(text):
    lines = text.split("\n")
    parts = []
    for i, line in enumerate(lines):
        if i == len(lines) - 1 and line == "":
            break
        escaped = line.replace("\\", "\\\\").replace('"', '\\"').replace("?", "\\?")
        parts.append('    "%s\\n"' % escaped)
    return "\n".join(parts)


def write(path, text):
    with open(path, "w", encoding="utf-8", newline="") as f:
        f.write(text)


def main(template, reference_path, version, out_page, out_header):
    reference = read_reference(reference_path)
    with open(template, encoding="ascii") as f:
        page = f.read()
    for marker in ("<!--@COMMAND_REFERENCE@-->", "<!--@SUPPORT_LINK@-->"):
        if page.count(marker) != 1:
            sys.exit("%s: the marker %s must appear exactly once" % (template, marker))
    page = page.replace("<!--@COMMAND_REFERENCE@-->", reference_block(reference))
    page = page.replace("@VERSION@", html.escape(version))
    page = embed_images(page, os.path.dirname(os.path.abspath(template)))
    try:
        ElementTree.fromstring(page.split("\n", 1)[1])  # after the doctype line
    except ElementTree.ParseError as e:
        sys.exit("%s: the page does not read as XML: %s" % (template, e))
    # CR LF: the page is a Windows file, opened by whatever the user's system has for .html.
    write(out_page, page.replace("\r\n", "\n").replace("\n", "\r\n"))
    write(out_header,
                     "// Generated from cli/CommandReference.txt by tools/help/make_help_page.py.\n"
                     "#pragma once\n\nconstexpr char COMMAND_REFERENCE[] =\n%s;\n" % c_string(reference))


if __name__ == "__main__":
    if len(sys.argv) != 6:
        sys.exit(__doc__)
    main(*sys.argv[1:])
