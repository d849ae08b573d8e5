#!/usr/bin/env python3
"""Every Chinese text of the program has an English translation.

Collects the Chinese string literals the interface can show (everything under
app/ and ui/, and the texts headers of the other folders) and checks that the
English translation file holds each of them, finished and without Chinese
characters. With --update, adds the missing ones to the file as unfinished
entries (for a translator to fill in) and leaves the check failing.
"""
import os
import re
import sys
import xml.etree.ElementTree as ET

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
TS = os.path.join(ROOT, "res", "i18n", "orbixrx_en.ts")
CONTEXT = "orbix"
# Literals next to each other (across lines and comments) are one C++ string.
LITERALS = re.compile(r'"((?:[^"\\\n]|\\.)*)"(?:(?:\s|//[^\n]*\n)*"((?:[^"\\\n]|\\.)*)")*')
ONE = re.compile(r'"((?:[^"\\\n]|\\.)*)"')
CHINESE = re.compile(r"[\u3000-\u9fff\uff00-\uffef]")
ESCAPES = {"n": "\n", "t": "\t", '"': '"', "\\": "\\", "'": "'"}
SHOWN_FOLDERS = ("app", "ui", "view")
SKIPPED = ("build", "tests", "bench", "fuzz", ".git")


def unescape(text):
    return re.sub(r"\\(.)", lambda m: ESCAPES.get(m.group(1), m.group(0)), text)


def wanted(rel):
    top = rel.split(os.sep)[0]
    name = os.path.basename(rel)
    if top in SKIPPED or not name.endswith((".h", ".cpp")):
        return False
    return top in SHOWN_FOLDERS or name.endswith("_texts.h") or name.startswith("program_vocabulary")


def strip_comments(code):
    # Line comments outside string literals only; good enough for this tree.
    return re.sub(r'^\s*//[^\n]*$', "", code, flags=re.M)


def source_texts():
    found = {}
    for folder, dirs, files in os.walk(ROOT):
        dirs[:] = [d for d in dirs if d not in SKIPPED or folder != ROOT]
        for name in sorted(files):
            path = os.path.join(folder, name)
            rel = os.path.relpath(path, ROOT)
            if not wanted(rel):
                continue
            with open(path, encoding="utf-8") as f:
                code = strip_comments(f.read())
            for m in LITERALS.finditer(code):
                text = "".join(unescape(p) for p in ONE.findall(m.group(0)))
                if CHINESE.search(text):
                    found.setdefault(text, rel)
    return found


def read_ts():
    tree = ET.parse(TS)
    entries = {}
    for context in tree.getroot().iter("context"):
        if context.findtext("name") != CONTEXT:
            continue
        for message in context.iter("message"):
            entries[message.findtext("source")] = message.find("translation")
    return tree, entries


def main():
    texts = source_texts()
    tree, entries = read_ts()
    faults = []
    for text, where in sorted(texts.items(), key=lambda t: t[1]):
        tr = entries.get(text)
        if tr is None:
            faults.append(f"{where}: no translation for \"{text}\"")
        elif tr.get("type") in ("unfinished", "vanished", "obsolete") or not (tr.text or "").strip():
            faults.append(f"{where}: unfinished translation of \"{text}\"")
        elif CHINESE.search(tr.text):
            faults.append(f"{where}: translation of \"{text}\" is not English")
    if "--update" in sys.argv:
        context = next(c for c in tree.getroot().iter("context") if c.findtext("name") == CONTEXT)
        for text in texts:
            if text not in entries:
                message = ET.SubElement(context, "message")
                ET.SubElement(message, "source").text = text
                ET.SubElement(message, "translation", type="unfinished")
        tree.write(TS, encoding="utf-8", xml_declaration=True)
    for fault in faults:
        print(fault, file=sys.stderr)
    if faults:
        print(f"{len(faults)} of {len(texts)} texts lack an English translation in {TS}", file=sys.stderr)
        return 1
    print(f"all {len(texts)} texts translated")
    return 0


if __name__ == "__main__":
    sys.exit(main())
