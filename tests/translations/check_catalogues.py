#!/usr/bin/python3
"""Checks the committed catalogues of resources/translations against the sources.

Fails for a message without a finished, non-empty translation; for a translation whose
placeholders (%1, %2 ...) or accelerator marks (&) differ from its source's; for a text of the
sources (as lupdate finds them) that a catalogue lacks; and for a caption or tip of the built-in
skin file that the sources do not offer the translators.
"""
import argparse
import os
import re
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET

PLACEHOLDER = re.compile(r"%(\d+)")


def messages(path):
    """(context, source) -> translation element, for every message of a .ts file."""
    found = {}
    for context in ET.parse(path).getroot().iter("context"):
        name = context.findtext("name")
        for message in context.iter("message"):
            found[(name, message.findtext("source"))] = message.find("translation")
    return found


def accelerators(text):
    return len(re.findall(r"&(?!&)", text.replace("&&", "")))


def check_catalogue(path, sources):
    problems = []
    own = messages(path)
    for (context, source), translation in own.items():
        where = f"{os.path.basename(path)}: {context}: {source!r}"
        text = translation.text if translation is not None else None
        kind = translation.get("type") if translation is not None else None
        if not text or kind in ("unfinished", "vanished", "obsolete"):
            problems.append(f"{where} has no finished translation")
            continue
        if sorted(PLACEHOLDER.findall(source)) != sorted(PLACEHOLDER.findall(text)):
            problems.append(f"{where}: the placeholders of {text!r} differ")
        if accelerators(source) != accelerators(text):
            problems.append(f"{where}: the accelerator marks of {text!r} differ")
    for key in sources:
        if key not in own:
            problems.append(f"{os.path.basename(path)} lacks {key[0]}: {key[1]!r}")
    return problems


def skin_texts(skin_file):
    with open(skin_file, encoding="utf-8") as f:
        return {m.group(1).strip() for m in re.finditer(r"^(?:caption|tip)\s*=(.*)$", f.read(), re.M)}


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--lupdate", required=True)
    parser.add_argument("--source", required=True)
    args = parser.parse_args()
    root = args.source
    folder = os.path.join(root, "resources", "translations")
    catalogues = sorted(os.path.join(folder, f) for f in os.listdir(folder) if f.endswith(".ts"))
    if not catalogues:
        sys.exit(f"no catalogue in {folder}")

    # The sources' texts, read by the same command that updates the catalogues.
    with tempfile.TemporaryDirectory() as work:
        fresh = os.path.join(work, "fresh.ts")
        env = dict(os.environ, LUPDATE=args.lupdate)
        run = subprocess.run([os.path.join(root, "scripts", "update-translations"), fresh],
                             env=env, capture_output=True, text=True)
        if run.returncode != 0 or not os.path.exists(fresh):
            sys.exit(f"lupdate failed: {run.stdout}{run.stderr}")
        sources = set(messages(fresh))
    if len(sources) < 100:
        sys.exit(f"lupdate found only {len(sources)} texts in the sources")

    problems = []
    for catalogue in catalogues:
        problems += check_catalogue(catalogue, sources)
    offered = {source for context, source in sources if context == "Skin"}
    skin = os.path.join(root, "resources", "skin", "quorvel-default.skin")
    for text in sorted(skin_texts(skin) - offered - {"Quorvel"}):
        problems.append(f"the skin's text {text!r} is not in the Skin context of the sources")
    for problem in problems:
        print(problem)
    print(f"{len(catalogues)} catalogue(s), {len(sources)} texts in the sources, "
          f"{len(problems)} problem(s)")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
