#!/usr/bin/env python3
"""Builds the built-in phone trigram text from the English phone language model.

The source is the back-off trigram model over the 39 dictionary phones, silence and the sentence
marks that the Debian package pocketsphinx-en-us ships (en-us-phone.lm.bin); sphinx_lm_convert
(package sphinxbase-utils) turns it into ARPA text, which this script reads. The engine's language
model wants counts ("version 1": trigram counts give the probabilities, bigram counts only say
which pairs exist), so the model's probabilities are turned into the expected counts of a long
stream of sentences: c(a) = N P(a), c(a b) = c(a) P(b | a), c(a b c) = c(a b) P(c | a b), every
unseen event taking its back-off estimate, so that no phone sequence becomes impossible.

Silence and both sentence marks become the silence code "x"; the end of one sentence and the start
of the next are one silence, and the events that would hold two silences in a row are dropped (the
recogniser never weighs a step from a model to itself).

With --weight W below 1 every conditional distribution is flattened, P(c | a b)^W renormalised
over c (and the same for P(b | a)): the engine's textless search multiplies the trigram into every
phone change with no weight of its own, so the weight has to live in the counts.

    tools/trigram/make_phone_trigram.py [--arpa PATH] [--output PATH] [--weight W]

Without --arpa the script finds the package's binary model and converts it itself. The build does
not run this; its output is committed as resources/lm/phone_trigram.txt.
"""

import argparse
import math
import os
import subprocess
import sys
import tempfile

DEFAULT_OUTPUT = "resources/lm/phone_trigram.txt"

# The model's phones in the system's codes; silence and the sentence marks all become "x".
PHONES = {
    "AA": "AA", "AE": "AE", "AH": "AH", "AO": "AO", "AW": "AW", "AY": "AY", "EH": "EH", "ER": "ER",
    "EY": "EY", "IH": "IH", "IY": "IY", "OW": "OW", "OY": "OY", "UH": "UH", "UW": "UW",
    "B": "b", "CH": "CH", "D": "d", "DH": "DH", "F": "f", "G": "g", "HH": "h", "JH": "j", "K": "k",
    "L": "l", "M": "m", "N": "n", "NG": "NG", "P": "p", "R": "r", "S": "s", "SH": "SH", "T": "t",
    "TH": "TH", "V": "v", "W": "w", "Y": "y", "Z": "z", "ZH": "ZH",
    "SIL": "x", "<s>": "x", "</s>": "x",
}

# The system's inventory order: the text lists its events in it.
INVENTORY = ["x", "m", "p", "b", "v", "f", "ZH", "CH", "j", "SH", "s", "z", "DH", "TH", "t", "NG",
             "g", "k", "h", "r", "ER", "w", "UH", "UW", "AW", "IY", "y", "IH", "AE", "AY", "EY", "EH",
             "n", "d", "l", "AA", "AH", "AO", "OW", "OY"]

# Expected phones in the imagined stream; large enough that the rarest trigram keeps several
# significant digits in the text.
STREAM_LENGTH = 1.0e9


def find_binary_model():
    out = subprocess.run(["dpkg", "-L", "pocketsphinx-en-us"], capture_output=True, text=True,
                         check=True)
    for line in out.stdout.splitlines():
        if line.endswith("/en-us-phone.lm.bin"):
            return line
    sys.exit("en-us-phone.lm.bin not found in pocketsphinx-en-us")


def convert_to_arpa(binary, arpa):
    subprocess.run(["sphinx_lm_convert", "-i", binary, "-o", arpa, "-ofmt", "arpa"], check=True,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


class BackoffModel:
    """An ARPA back-off trigram model with base-10 log probabilities."""

    def __init__(self, lines):
        self.p1, self.b1, self.p2, self.b2, self.p3 = {}, {}, {}, {}, {}
        order = 0
        for raw in lines:
            line = raw.strip()
            if not line:
                continue
            if line.startswith("\\"):
                order = {"\\1-grams:": 1, "\\2-grams:": 2, "\\3-grams:": 3}.get(line, 0)
                continue
            if order == 0:
                continue
            f = line.split()
            if len(f) < order + 1:
                raise ValueError("short %d-gram line: %r" % (order, line))
            p = float(f[0])
            words = tuple(f[1:order + 1])
            bo = float(f[order + 1]) if len(f) > order + 1 else 0.0
            if order == 1:
                self.p1[words[0]], self.b1[words[0]] = p, bo
            elif order == 2:
                self.p2[words], self.b2[words] = p, bo
            else:
                self.p3[words] = p
        if not self.p1 or not self.p2 or not self.p3:
            raise ValueError("the model lacks unigrams, bigrams or trigrams")

    def log_bigram(self, a, b):
        if (a, b) in self.p2:
            return self.p2[(a, b)]
        return self.b1.get(a, 0.0) + self.p1[b]

    def log_trigram(self, a, b, c):
        if (a, b, c) in self.p3:
            return self.p3[(a, b, c)]
        return self.b2.get((a, b), 0.0) + self.log_bigram(b, c)


def expected_counts(model, weight=1.0):
    """Counts of unigrams, bigrams and trigrams in the system's codes."""
    unknown = [w for w in model.p1 if w not in PHONES and w != "<UNK>"]
    if unknown:
        raise ValueError("phones without a code: %s" % " ".join(unknown))
    missing = [p for p in PHONES if p not in model.p1]
    if missing:
        raise ValueError("the model lacks the phones %s" % " ".join(missing))

    predicted = [w for w in PHONES if w != "<s>"]  # what a model step can produce
    total = sum(10.0 ** model.p1[w] for w in predicted)
    c1 = {w: STREAM_LENGTH * 10.0 ** model.p1[w] / total for w in predicted}
    c1["<s>"] = c1["</s>"]  # every sentence that ends is followed by one that starts

    followers = predicted
    bigram_norm, trigram_norm = {}, {}

    def pb(a, b):
        if weight == 1.0:
            return 10.0 ** model.log_bigram(a, b)
        if a not in bigram_norm:
            bigram_norm[a] = sum(10.0 ** (weight * model.log_bigram(a, w)) for w in followers)
        return 10.0 ** (weight * model.log_bigram(a, b)) / bigram_norm[a]

    def pt(a, b, c):
        if weight == 1.0:
            return 10.0 ** model.log_trigram(a, b, c)
        if (a, b) not in trigram_norm:
            trigram_norm[(a, b)] = sum(10.0 ** (weight * model.log_trigram(a, b, w)) for w in followers)
        return 10.0 ** (weight * model.log_trigram(a, b, c)) / trigram_norm[(a, b)]

    uni, bi, tri = {}, {}, {}

    def add(table, key, value):
        # Two silences in a row are one silence in the system's stream.
        if any(key[i] == "x" and key[i + 1] == "x" for i in range(len(key) - 1)):
            return
        table[key] = table.get(key, 0.0) + value

    for a in predicted:
        add(uni, (PHONES[a],), c1[a])

    contexts = [w for w in PHONES if w != "</s>"]  # </s> is followed by the next sentence's <s>
    for a in contexts:
        for b in predicted:
            c2 = c1[a] * pb(a, b)
            add(bi, (PHONES[a], PHONES[b]), c2)
            if b == "</s>":
                # The next sentence starts: a x c, with c as the first phone after <s>.
                for c in predicted:
                    if c != "</s>":
                        add(tri, (PHONES[a], "x", PHONES[c]), c2 * pb("<s>", c))
                continue
            for c in predicted:
                add(tri, (PHONES[a], PHONES[b], PHONES[c]), c2 * pt(a, b, c))
    return uni, bi, tri


def format_count(value):
    # Plain decimals with six significant digits; the reader takes any decimal number.
    digits = max(0, 5 - int(math.floor(math.log10(value)))) if value > 0 else 0
    text = "%.*f" % (digits, value)
    if "." in text:
        text = text.rstrip("0").rstrip(".")
    return text


def write_text(uni, bi, tri, path):
    rank = {code: i for i, code in enumerate(INVENTORY)}

    def ordered(table):
        return sorted(table.items(), key=lambda kv: [rank[c] for c in kv[0]])

    lines = ["version\t1"]
    for table in (uni, bi, tri):
        for key, value in ordered(table):
            lines.append("%s\t%s" % ("".join(key), format_count(value)))
    with open(path, "w", newline="") as out:
        out.write("\r\n".join(lines) + "\r\n")
    return len(uni), len(bi), len(tri)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--arpa", help="the phone model as ARPA text (default: convert the package's)")
    parser.add_argument("--output", default=DEFAULT_OUTPUT)
    parser.add_argument("--weight", type=float, default=1.0,
                        help="exponent of the conditional probabilities (1 keeps them)")
    args = parser.parse_args()

    arpa = args.arpa
    with tempfile.TemporaryDirectory() as tmp:
        if not arpa:
            arpa = os.path.join(tmp, "phone.lm")
            convert_to_arpa(find_binary_model(), arpa)
        with open(arpa, encoding="latin-1") as f:
            model = BackoffModel(f)
    counts = expected_counts(model, args.weight)
    n1, n2, n3 = write_text(*counts, args.output)
    print("%s: %d unigrams, %d bigrams, %d trigrams" % (args.output, n1, n2, n3))


if __name__ == "__main__":
    main()
