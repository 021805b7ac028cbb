#!/usr/bin/env python3
# Fills the Traditional Chinese texts of tessaro_zh_TW.ts from zh_TW.txt
# ("source<TAB>translation" a line; \n for a line break) after lupdate has
# listed the sources: a source of the list gets its translation, the others
# stay as lupdate left them.
# usage: translations/fill.py   (from anywhere)
import html
import os
import re

here = os.path.dirname(os.path.abspath(__file__))
texts = {}
with open(os.path.join(here, "zh_TW.txt"), encoding="utf-8") as f:
    for line in f:
        line = line.rstrip("\n")
        if not line or line.startswith("#"):
            continue
        source, translation = line.split("\t")
        texts[source.replace("\\n", "\n")] = translation.replace("\\n", "\n")

path = os.path.join(here, "tessaro_zh_TW.ts")
ts = open(path, encoding="utf-8").read()
missing = []


def fill(match):
    source = html.unescape(match.group(1))
    if source in texts:
        return "<source>%s</source>\n        <translation>%s</translation>" % (
            match.group(1), html.escape(texts[source], quote=False))
    if re.search(r"[A-Za-z]{2,}", source) and not re.search(r"[\u3000-\u9fff]", source):
        missing.append(source)
    return match.group(0)


ts = re.sub(r"<source>(.*?)</source>\s*<translation[^>]*>.*?</translation>", fill, ts, flags=re.S)
open(path, "w", encoding="utf-8").write(ts)
for source in missing:
    print("no translation:", source)
