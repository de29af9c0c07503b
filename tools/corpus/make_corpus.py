#!/usr/bin/env python3
"""Generates the acoustic-model training corpus: synthetic English speech with exact phone times.

Sentences are drawn from the built-in dictionary so that every one of the 40 phonemes occurs many
times in many contexts (rare phonemes are sought out); with --natural a share of them is English
prose instead (fortunes package, every word in the dictionary), so that the voices also speak as
people do, with reduced function words and English phone successions across words. They are then
spoken by every English voice of the
Debian synthesisers: flite (its voices; phone end times from -psdur), festival (its voices;
segment and word times from the utterance) and espeak-ng (phoneme and word events, several voice
variants). Rate and pitch vary per utterance. Each utterance is then augmented with sox: gain,
additive noise at several levels, mild reverberation, speed changes and random equalisation
(spectral tilt, telephone and cheap-microphone band limits). With --warp every training sentence
is also spoken once more by a warped speaker: the spectrum and pitch scaled together by 0.8 to 1.25
at the same timing (a longer or shorter vocal tract). The built-in models are made without it: it
made the held-out voices no better. Each synthesiser's phone set is
mapped to the system's 40 codes, silence being "x".

Output, under --out (never committed): one folder per voice with NAME.wav (16 kHz, 16-bit mono),
NAME.zuvo (the reference alignment as results-file "phn" and "word" records) and NAME.txt (the
sentence), and corpus.tsv with one line per utterance:
    id  voice  gender  split  wav  zuvo  text
split is "train" or "test": the held-out voices and the last sentences are "test" only.

    tools/corpus/make_corpus.py --out /work/corpus [--sentences 200] [--jobs 8] [--quick]
                                [--natural SHARE] [--warp] [--more-voices]

--more-voices adds eight espeak-ng variants to the training voices; like --warp it is not used for
the built-in models (the voices of other synthesisers came out worse with it).

Needs the packages flite, festival, festvox-kallpc16k, festvox-kdlpc16k, festvox-us-slt-hts,
espeak-ng, libespeak-ng-dev, gcc and sox, and fortunes for --natural (tools/rebuild_models.sh
installs them).
"""

import argparse
import math
import multiprocessing
import os
import random
import re
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
REPO = os.path.dirname(os.path.dirname(HERE))
DICTIONARY = os.path.join(REPO, "resources", "dictionary", "dictionary.txt")

CODES = ["x", "m", "p", "b", "v", "f", "ZH", "CH", "j", "SH", "s", "z", "DH", "TH", "t", "NG", "g",
         "k", "h", "r", "ER", "w", "UH", "UW", "AW", "IY", "y", "IH", "AE", "AY", "EY", "EH", "n",
         "d", "l", "AA", "AH", "AO", "OW", "OY"]

# flite and festival (CMU and radio phone sets).
CMU_PHONES = {
    "aa": "AA", "ae": "AE", "ah": "AH", "ao": "AO", "aw": "AW", "ax": "AH", "axr": "ER", "ay": "AY",
    "eh": "EH", "er": "ER", "ey": "EY", "ih": "IH", "ix": "IH", "iy": "IY", "ow": "OW", "oy": "OY",
    "uh": "UH", "uw": "UW", "b": "b", "ch": "CH", "d": "d", "dh": "DH", "dx": "d", "f": "f", "g": "g",
    "hh": "h", "hv": "h", "jh": "j", "k": "k", "l": "l", "el": "l", "m": "m", "em": "m", "n": "n",
    "en": "n", "nx": "n", "ng": "NG", "p": "p", "r": "r", "s": "s", "sh": "SH", "t": "t", "th": "TH",
    "v": "v", "w": "w", "y": "y", "z": "z", "zh": "ZH",
    "pau": "x", "h#": "x", "brth": "x", "#": "x", "sil": "x",
}

# espeak-ng's English phoneme mnemonics.
ESPEAK_PHONES = {
    "p": "p", "b": "b", "t": "t", "d": "d", "k": "k", "g": "g", "f": "f", "v": "v", "T": "TH",
    "D": "DH", "s": "s", "z": "z", "S": "SH", "Z": "ZH", "h": "h", "tS": "CH", "dZ": "j", "m": "m",
    "n": "n", "N": "NG", "l": "l", "r": "r", "w": "w", "j": "y", "t#": "t", "d#": "d", "t2": "t",
    "d2": "d", "r-": "r", "l/": "l", "n-": "n", "m-": "m", "?": "t", "x": "k", "W": "w", "C": "h",
    "a": "AE", "aa": "AE", "a#": "AH", "A:": "AA", "A@": "AA", "A": "AA", "0": "AA", "O": "AO",
    "O:": "AO", "O2": "AO", "O@": "AO", "o@": "AO", "OI": "OY", "oU": "OW", "o": "OW", "V": "AH", "@": "AH",
    "@2": "AH", "@5": "AH", "@L": "l", "@r": "ER", "3": "ER", "3:": "ER", "e@": "EH", "eI": "EY",
    "e": "EH", "E": "EH", "aI": "AY", "aU": "AW", "aI@": "AY", "aI3": "AY", "aU@": "AW", "i": "IY",
    "i:": "IY", "i@": "IY", "i@3": "IY", "I": "IH", "I2": "IH", "I#": "IH", "U": "UH", "U@": "UH",
    "u:": "UW", "u": "UW", "_": "x", "_:": "x", "_!": "x", "_|": "x", "_^_": "x", ";": None,
}

# (engine, voice, gender); "held" voices are kept out of every model.
VOICES = [
    ("flite", "slt", "female", False),
    ("flite", "kal16", "male", False),
    ("flite", "awb", "male", False),
    ("flite", "kal", "male", False),
    ("flite", "rms", "male", True),
    ("festival", "kal_diphone", "male", False),
    ("festival", "ked_diphone", "male", False),
    ("festival", "cmu_us_slt_arctic_hts", "female", False),
    ("espeak", "en-us", "male", False),
    ("espeak", "en-us+m3", "male", False),
    ("espeak", "en-us+m7", "male", False),
    ("espeak", "en+m2", "male", False),
    ("espeak", "en-us+f1", "female", False),
    ("espeak", "en-us+f2", "female", False),
    ("espeak", "en+f5", "female", False),
    ("espeak", "en-us+f4", "female", True),
]

# More espeak-ng variants (Klatt-style and other voice settings), with --more-voices.
MORE_VOICES = [
    ("espeak", "en-us+klatt", "male", False),
    ("espeak", "en-us+klatt4", "male", False),
    ("espeak", "en-us+m1", "male", False),
    ("espeak", "en-us+m5", "male", False),
    ("espeak", "en-us+Andy", "male", False),
    ("espeak", "en-us+edward", "male", False),
    ("espeak", "en-us+f3", "female", False),
    ("espeak", "en-us+klatt2", "female", False),
]

FUNCTION_WORDS = ("the a an of to in and is was he she they we it on with for at by from this that "
                  "will can not his her their our you I are were be has had have do did but or as "
                  "so if all one two some any very just then there here".split())

SILENCE = "x"
MAX_PHONE_PAUSE_MS = 10


def read_dictionary():
    """Common-looking words (letters only, one pronunciation) and their phone codes."""
    prons = {}
    counts = {}
    with open(DICTIONARY, encoding="latin-1") as f:
        for line in f:
            word, _, phones = line.strip().partition("=")
            counts[word] = counts.get(word, 0) + 1
            prons[word] = phones
    words = []
    for word, phones in prons.items():
        if counts[word] == 1 and re.fullmatch(r"[A-Z]{2,9}", word):
            words.append((word.lower(), re.findall(r"[A-Z][A-Z]|[a-z]", phones)))
    return words


def make_sentences(n, seed):
    """n sentences of 5 to 11 words; content words are chosen to even out the phoneme counts."""
    rng = random.Random(seed)
    words = read_dictionary()
    by_code = {c: [w for w in words if c in w[1]] for c in CODES[1:]}
    seen = {c: 1 for c in CODES[1:]}
    sentences = []
    for _ in range(n):
        out = []
        for k in range(rng.randint(5, 11)):
            if k % 2 == 0 and rng.random() < 0.6:
                out.append(rng.choice(FUNCTION_WORDS))
                continue
            # The rarest phoneme so far picks the pool half of the time; else any word.
            if rng.random() < 0.5:
                rare = min(seen, key=lambda c: seen[c] + rng.random())
                word, phones = rng.choice(by_code[rare])
            else:
                word, phones = rng.choice(words)
            for c in phones:
                if c in seen:
                    seen[c] += 1
            out.append(word)
        text = " ".join(out)
        sentences.append(text[0].upper() + text[1:] + rng.choice([".", ".", ".", "?", "!"]))
    return sentences


FORTUNES = "/usr/share/games/fortunes"


def natural_sentences(seed):
    """English sentences of 5 to 16 words from the fortunes package whose words are all in the
    dictionary, shuffled: people speak sentences, not word lists, and their function words,
    reductions and phone successions across words differ from those of random word strings."""
    known = set()
    with open(DICTIONARY, encoding="latin-1") as f:
        for line in f:
            known.add(line.partition("=")[0])
    found = set()
    for name in sorted(os.listdir(FORTUNES)) if os.path.isdir(FORTUNES) else []:
        path = os.path.join(FORTUNES, name)
        if "." in name or "art" in name or not os.path.isfile(path):
            continue
        with open(path, encoding="latin-1") as f:
            entries = f.read().split("\n%\n")
        for entry in entries:
            body = re.sub(r"\s+", " ", entry.split("\n\t\t--")[0]).strip()
            for sentence in re.split(r"(?<=[.!?])\s+", body):
                if "--" in sentence or not re.fullmatch(r"[A-Za-z][A-Za-z ,;'-]*[A-Za-z][.!?]", sentence):
                    continue
                words = re.findall(r"[A-Za-z']+", sentence)
                if 5 <= len(words) <= 16 and all(w.upper().strip("'") in known for w in words):
                    found.add(sentence)
    found = sorted(found)
    random.Random(seed).shuffle(found)
    return found


def run(cmd, **kw):
    # sox's noise generators and dither draw from a clock-seeded generator unless told to repeat,
    # which made every rebuilt corpus, and so every rebuilt model, a little different.
    if cmd and cmd[0] == "sox":
        cmd = ["sox", "-R"] + list(cmd[1:])
    return subprocess.run(cmd, check=True, capture_output=True, text=True, **kw)


def synth_flite(voice, text, wav, rng):
    stretch = rng.uniform(0.85, 1.25)
    f0 = {"slt": 170, "kal": 100, "kal16": 100, "awb": 110, "rms": 100}.get(voice, 120)
    out = run(["flite", "-voice", voice, "-psdur", "--setf", "duration_stretch=%.3f" % stretch,
               "--setf", "int_f0_target_mean=%.1f" % (f0 * rng.uniform(0.85, 1.2)), "-t", text,
               "-o", wav]).stdout
    phones, start = [], 0.0
    for item in out.split():
        name, _, end = item.rpartition(":")
        end = float(end)
        phones.append((start, end, CMU_PHONES.get(name)))
        start = end
    return phones, None


def synth_festival(voice, text, wav, rng):
    stretch = rng.uniform(0.85, 1.25)
    quoted = text.replace("\\", " ").replace('"', " ")
    script = ("(voice_%s)\n(Parameter.set 'Duration_Stretch %.3f)\n(set! utt (SynthText \"%s\"))\n"
              "(utt.save.wave utt \"%s\" 'riff)\n"
              "(mapcar (lambda (s) (format t \"seg %%s %%f\\n\" (item.name s) (item.feat s 'end)))"
              " (utt.relation.items utt 'Segment))\n"
              "(mapcar (lambda (w) (format t \"word %%s %%f %%f\\n\" (item.name w) "
              "(item.feat w 'word_start) (item.feat w 'word_end))) (utt.relation.items utt 'Word))\n"
              % (voice, stretch, quoted, wav))
    with tempfile.NamedTemporaryFile("w", suffix=".scm", delete=False) as f:
        f.write(script)
        path = f.name
    try:
        out = run(["festival", "-b", path]).stdout
    finally:
        os.unlink(path)
    phones, words, start = [], [], 0.0
    for line in out.splitlines():
        f = line.split()
        if len(f) == 3 and f[0] == "seg":
            end = float(f[2])
            phones.append((start, end, CMU_PHONES.get(f[1])))
            start = end
        elif len(f) == 4 and f[0] == "word":
            words.append((float(f[2]), float(f[3]), f[1]))
    return phones, words


def synth_espeak(helper, voice, text, wav, rng):
    rate = int(rng.uniform(130, 200))
    pitch = int(rng.uniform(30, 70))
    out = run([helper, voice, str(rate), str(pitch), text, wav]).stdout
    sr, events, words, total = 22050, [], [], 0
    for line in out.splitlines():
        f = line.split()
        if f[0] == "rate":
            sr = int(f[1])
        elif f[0] == "phoneme":
            events.append((int(f[1]), f[2]))
        elif f[0] == "word":
            words.append((int(f[1]), int(f[2]), int(f[3])))
        elif f[0] == "end":
            total = int(f[1])
    phones = []
    if events and events[0][0] > 0:
        phones.append((0.0, events[0][0] / sr, SILENCE))
    for i, (sample, name) in enumerate(events):
        end = events[i + 1][0] if i + 1 < len(events) else total
        code = ESPEAK_PHONES.get(name, ESPEAK_PHONES.get(name.rstrip(";"), "?"))
        if code == "?":
            sys.stderr.write("espeak phoneme without a code: %s\n" % name)
            code = None
        phones.append((sample / sr, end / sr, code))
    phones.append((total / sr, total / sr, SILENCE))
    # Word ends: the start of the next word's first phone, or the last phone before a pause.
    word_times = []
    for i, (sample, pos, length) in enumerate(words):
        word = text[pos - 1:pos - 1 + length]
        start = sample / sr
        end = (words[i + 1][0] if i + 1 < len(words) else total) / sr
        # A pause inside the span ends the word early.
        for s, e, c in phones:
            if c == SILENCE and s > start + 1e-4 and s < end and e > s:
                end = s
                break
        word_times.append((start, end, re.sub(r"[^A-Za-z']", "", word)))
    return phones, [w for w in word_times if w[2]]


def clean_phones(phones):
    """Drops empty and unmapped phones (their time goes to the phone before), merges repeats of
    silence, and gives back (start, end, code) in seconds."""
    out = []
    for s, e, c in phones:
        if e - s <= 0:
            continue
        if c is None:
            if out:
                out[-1] = (out[-1][0], e, out[-1][2])
            continue
        if out and c == SILENCE and out[-1][2] == SILENCE:
            out[-1] = (out[-1][0], e, SILENCE)
            continue
        if out and abs(out[-1][1] - s) > 1e-6:
            # A gap between phones is silence.
            out.append((out[-1][1], s, SILENCE))
        out.append((s, e, c))
    return out


def augment_effects(rng, kind):
    """sox effects and the speed factor of one augmentation kind."""
    effects, speed = ["rate", "16000"], 1.0
    if kind == "warp":
        # Resampling at kept duration scales formants and pitch alike; at least 1.5 semitones
        # either way, so that the result is another speaker.
        cents = rng.choice([-1, 1]) * rng.uniform(150, 400)
        effects += ["pitch", "%d" % cents]
        speed = 1.0
    if kind in ("speed_up", "speed_down"):
        speed = rng.uniform(1.08, 1.18) if kind == "speed_up" else rng.uniform(0.85, 0.93)
        effects += ["speed", "%.4f" % speed]
    if kind in ("channel", "noisy", "reverb", "speed_up", "speed_down", "warp"):
        eq = rng.choice(["none", "tilt_up", "tilt_down", "phone", "cheap"])
        if eq == "tilt_up":
            effects += ["treble", "%.1f" % rng.uniform(3, 8)]
        elif eq == "tilt_down":
            effects += ["bass", "%.1f" % rng.uniform(3, 8), "treble", "-%.1f" % rng.uniform(3, 8)]
        elif eq == "phone":
            effects += ["sinc", "%d-%d" % (rng.randint(250, 400), rng.randint(3200, 3600))]
        elif eq == "cheap":
            effects += ["sinc", "%d-%d" % (rng.randint(100, 200), rng.randint(4500, 6500))]
    if kind == "reverb":
        effects += ["reverb", "%d" % rng.randint(15, 40), "50", "%d" % rng.randint(20, 50)]
    gain = rng.uniform(-12, 6) if kind != "clean" else rng.uniform(-3, 3)
    effects += ["gain", "-n", "%.1f" % (-3 + min(0.0, gain))]
    return effects, speed


def add_noise(speech, wav, rng, snrs):
    """Mixes coloured noise at one of the signal-to-noise ratios (dB) below the speech into wav;
    the speech file is removed."""
    dur = float(run(["soxi", "-D", speech]).stdout)
    rms = float(re.search(r"RMS\s+lev dB\s+(-?[\d.]+)",
                          run(["sox", speech, "-n", "stats"]).stderr).group(1))
    snr = rng.choice(snrs)
    noise = wav + ".noise.wav"
    color = rng.choice(["whitenoise", "pinknoise", "brownnoise"])
    try:
        run(["sox", "-n", "-r", "16000", "-c", "1", "-b", "16", noise, "synth", "%.3f" % dur,
             color, "gain", "-n", "%.1f" % (rms - snr)])
        run(["sox", "-m", speech, noise, wav])
    finally:
        for leftover in (speech, noise):
            if os.path.exists(leftover):
                os.unlink(leftover)


def process(job):
    (index, engine, voice, gender, split, sentence, kind, out_dir, helper, seed) = job
    rng = random.Random(seed)
    name = "%s_%04d_%s" % (re.sub(r"[^A-Za-z0-9]", "_", voice), index, kind)
    folder = os.path.join(out_dir, re.sub(r"[^A-Za-z0-9]", "_", engine + "_" + voice))
    os.makedirs(folder, exist_ok=True)
    wav = os.path.join(folder, name + ".wav")
    raw = wav + ".raw.wav"
    try:
        if engine == "flite":
            phones, words = synth_flite(voice, sentence, raw, rng)
        elif engine == "festival":
            phones, words = synth_festival(voice, sentence, raw, rng)
        else:
            phones, words = synth_espeak(helper, voice, sentence, raw, rng)
        phones = clean_phones(phones)
        effects, speed = augment_effects(rng, kind)
        raised = kind == "speed_up" or (
            kind == "warp" and float(effects[effects.index("pitch") + 1]) >= 200)
        if kind == "noisy":
            speech = wav + ".speech.wav"
            run(["sox", raw, "-r", "16000", "-c", "1", "-b", "16", speech] + effects)
            add_noise(speech, wav, rng, [5, 10, 15, 20, 30])
        else:
            run(["sox", raw, "-r", "16000", "-c", "1", "-b", "16", wav] + effects)
    except (subprocess.CalledProcessError, ValueError, AttributeError) as e:
        sys.stderr.write("skipped %s: %s\n" % (name, getattr(e, "stderr", e)))
        return None
    finally:
        if os.path.exists(raw):
            os.unlink(raw)

    def ms(t):
        return int(round(1000.0 * t / speed))

    lines = []
    for s, e, c in phones:
        if ms(e) > ms(s):
            lines.append("phn %d %d 0 %s" % (ms(s), ms(e), c))
    for s, e, w in words or []:
        lines.append("word %d %d %s" % (ms(s), ms(e), w))
    with open(os.path.join(folder, name + ".zuvo"), "w") as f:
        f.write("version 1.2\naudio %s\n" % (name + ".wav"))
        f.write("\n".join(lines) + "\nend_markers\n")
    with open(os.path.join(folder, name + ".txt"), "w") as f:
        f.write(sentence + "\n")
    if raised and gender == "male":
        gender = "raised"  # a male voice made higher: also trains the female model
    return "\t".join([name, voice, gender, split, wav, os.path.join(folder, name + ".zuvo"),
                      sentence])


def build_espeak_helper(out_dir):
    helper = os.path.join(out_dir, "espeak_phonemes")
    run(["gcc", "-O2", "-o", helper, os.path.join(HERE, "espeak_phonemes.c"), "-lespeak-ng"])
    return helper


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--out", required=True)
    parser.add_argument("--sentences", type=int, default=200,
                        help="sentences per voice (the last tenth is held out)")
    parser.add_argument("--jobs", type=int, default=os.cpu_count() or 4)
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--quick", action="store_true", help="a few utterances per voice")
    parser.add_argument("--more-voices", action="store_true",
                        help="eight more espeak-ng voice variants for training")
    parser.add_argument("--natural", type=float, default=0.0,
                        help="share of the sentences taken from English prose (fortunes package)")
    parser.add_argument("--warp", action="store_true",
                        help="a warped copy (another vocal tract length) of every training sentence")
    args = parser.parse_args()

    os.makedirs(args.out, exist_ok=True)
    helper = build_espeak_helper(args.out)
    count = 8 if args.quick else args.sentences
    sentences = make_sentences(count, args.seed)
    if args.natural > 0:
        prose = natural_sentences(args.seed)
        pick = random.Random(args.seed + 2)
        for i in range(count):
            if prose and pick.random() < args.natural:
                sentences[i] = prose.pop()
    held_from = count - max(1, count // 10)
    kinds = ["clean", "channel", "noisy", "reverb", "speed_up", "speed_down"]
    jobs = []
    rng = random.Random(args.seed)
    # The warped copies draw from their own generator, so the rest of the corpus (the held-out
    # material above all) stays as it is without them.
    warp_rng = random.Random(args.seed + 1)
    voices = VOICES + (MORE_VOICES if args.more_voices else [])
    for engine, voice, gender, held in voices:
        for i, sentence in enumerate(sentences):
            test = held or i >= held_from
            # Each voice speaks its own share of the sentences so that voices together cover more
            # text; held-out material is spoken clean (and once more with a channel change).
            if not test and (i + voices.index((engine, voice, gender, held))) % 2:
                continue
            chosen = ["clean", "channel"] if test else [rng.choice(kinds), rng.choice(kinds)]
            for kind in dict.fromkeys(chosen):
                jobs.append((i, engine, voice, gender, "test" if test else "train", sentence, kind,
                             args.out, helper, rng.randrange(1 << 30)))
            if not test and args.warp:
                jobs.append((i, engine, voice, gender, "train", sentence, "warp", args.out, helper,
                             warp_rng.randrange(1 << 30)))
    with multiprocessing.Pool(args.jobs) as pool:
        rows = [r for r in pool.imap_unordered(process, jobs, chunksize=4) if r]
    rows.sort()
    with open(os.path.join(args.out, "corpus.tsv"), "w") as f:
        f.write("\n".join(rows) + "\n")
    print("%s: %d utterances from %d voices" % (os.path.join(args.out, "corpus.tsv"), len(rows),
                                                len(voices)))


if __name__ == "__main__":
    main()
