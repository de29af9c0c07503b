#!/usr/bin/env python3
"""Builds the built-in English pronunciation dictionary from the CMU Pronouncing Dictionary.

Reads cmudict-en-us.dict (Debian package pocketsphinx-en-us; lines "word PH1 PH2 ...", further
pronunciations of a word written "word(2)", "word(3)", ...) and writes the dictionary's text form:
one line per pronunciation, "WORD=phones", the word in upper case and the phones in the system's
phoneme codes written back to back. The lines are sorted in the dictionary's own order (bytes
compared after lower-casing A to Z, a shorter word before a longer one it begins), and the
pronunciations of a word stay together in their numbered order, so binary search finds them all.

    tools/make_dictionary.py [--input PATH] [--output PATH]

The build does not run this; its output is committed as resources/dictionary/dictionary.txt.
"""

import argparse
import re
import subprocess
import sys

DEFAULT_OUTPUT = "resources/dictionary/dictionary.txt"

# The dictionary's 39 phones in the system's codes; the system's fortieth code, "x", is silence.
PHONES = {
    "AA": "AA", "AE": "AE", "AH": "AH", "AO": "AO", "AW": "AW", "AY": "AY", "EH": "EH", "ER": "ER",
    "EY": "EY", "IH": "IH", "IY": "IY", "OW": "OW", "OY": "OY", "UH": "UH", "UW": "UW",
    "B": "b", "CH": "CH", "D": "d", "DH": "DH", "F": "f", "G": "g", "HH": "h", "JH": "j", "K": "k",
    "L": "l", "M": "m", "N": "n", "NG": "NG", "P": "p", "R": "r", "S": "s", "SH": "SH", "T": "t",
    "TH": "TH", "V": "v", "W": "w", "Y": "y", "Z": "z", "ZH": "ZH",
}

ALTERNATIVE = re.compile(r"^(.*)\((\d+)\)$")


def find_input():
    out = subprocess.run(["dpkg", "-L", "pocketsphinx-en-us"], capture_output=True, text=True, check=True)
    for line in out.stdout.splitlines():
        if line.endswith("/cmudict-en-us.dict"):
            return line
    sys.exit("cmudict-en-us.dict not found in pocketsphinx-en-us")


def convert(lines):
    """Gives (sort key, number, WORD, phones) per distinct pronunciation."""
    entries = {}
    for number_in_file, raw in enumerate(lines, 1):
        fields = raw.split()
        if not fields or fields[0].startswith(";;;"):
            continue
        word, phones = fields[0], fields[1:]
        number = 1
        m = ALTERNATIVE.match(word)
        if m:
            word, number = m.group(1), int(m.group(2))
        word = word.upper()
        if not phones or "=" in word:
            continue
        codes = []
        for p in phones:
            base = p.rstrip("012")  # stress marks are dropped
            if base not in PHONES:
                sys.exit(f"line {number_in_file}: unknown phone {p}")
            codes.append(PHONES[base])
        pron = "".join(codes)
        prons = entries.setdefault(word, [])
        if all(pron != existing for _, existing in prons):
            prons.append((number, pron))
    result = []
    for word, prons in entries.items():
        key = word.encode("latin-1").lower()
        for number, pron in sorted(prons):
            result.append((key, number, word, pron))
    result.sort(key=lambda e: (e[0], e[1]))
    return result


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--input", help="cmudict-en-us.dict (default: from the installed package)")
    parser.add_argument("--output", default=DEFAULT_OUTPUT)
    args = parser.parse_args()
    path = args.input or find_input()
    with open(path, encoding="latin-1") as f:
        entries = convert(f.read().splitlines())
    with open(args.output, "w", encoding="latin-1", newline="\n") as f:
        for _, _, word, pron in entries:
            f.write(f"{word}={pron}\n")
    print(f"{len(entries)} pronunciations written to {args.output}")


if __name__ == "__main__":
    main()
