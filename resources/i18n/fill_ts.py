#!/usr/bin/env python3
"""Fills the English translation file from the per-area tables in this folder.

Each resources/i18n/*.tsv line is: context <TAB> source text <TAB> English text.
An empty English text leaves the entry untranslated, so the source text shows.
The Chinese file keeps every source text untranslated except the few entries listed
in CHINESE below. Run after `cmake --build <dir> --target update_translations`.
"""
import csv
import glob
import os
import sys
import xml.etree.ElementTree as ET

HERE = os.path.dirname(os.path.abspath(__file__))
RES = os.path.dirname(HERE)

# The Chinese file shows its source texts, except these program messages: the success
# text, kept in English, and the Latin source texts that a Chinese interface shows in
# Chinese. (Error texts are translated when shown, so the error text "未知错误" keeps its
# source text here: a Chinese interface shows no English error.)
CHINESE = {
    ("Nodeweave", "成功"): "Success",
    ("Nodeweave", "Ready"): "就绪",
    ("Nodeweave", "Can not open %1"): "无法打开%1",
}


def load_tables():
    table = {}
    for path in sorted(glob.glob(os.path.join(HERE, "*.tsv"))):
        with open(path, encoding="utf-8") as f:
            for n, row in enumerate(csv.reader(f, delimiter="\t", quoting=csv.QUOTE_NONE), 1):
                if not row or row[0].startswith("#"):
                    continue
                if len(row) < 2:
                    sys.exit(f"{path}:{n}: expected context, source, English")
                english = row[2] if len(row) > 2 else ""
                table[(row[0], unescape(row[1]))] = unescape(english)
    return table


def unescape(text):
    return text.replace("\\n", "\n").replace("\\t", "\t")


def fill(ts_path, translations, strict):
    tree = ET.parse(ts_path)
    missing = []
    for context in tree.getroot().iter("context"):
        name = context.findtext("name")
        for message in context.iter("message"):
            source = message.findtext("source")
            tr = message.find("translation")
            if tr is None:
                tr = ET.SubElement(message, "translation")
            text = translations.get((name, source))
            if text is None and strict:
                missing.append((name, source))
            tr.attrib.pop("type", None)
            if text:
                tr.text = text
            else:
                tr.text = None
                tr.set("type", "unfinished")
    ET.indent(tree, space="    ")
    with open(ts_path, "wb") as f:
        f.write(b'<?xml version="1.0" encoding="utf-8"?>\n<!DOCTYPE TS>\n')
        tree.write(f, encoding="utf-8", xml_declaration=False)
        f.write(b"\n")
    return missing


def main():
    table = load_tables()
    missing = fill(os.path.join(RES, "nodeweave_en.ts"), table, strict=True)
    fill(os.path.join(RES, "nodeweave_cn.ts"), CHINESE, strict=False)
    for name, source in missing:
        print(f"no English entry in resources/i18n/*.tsv: {name}\t{source}", file=sys.stderr)
    return 1 if missing else 0


if __name__ == "__main__":
    sys.exit(main())
