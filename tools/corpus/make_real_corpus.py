#!/usr/bin/env python3
"""Collects real human speech with known texts from Debian packages into a corpus.

The synthetic corpus (make_corpus.py) has exact phone times but only synthetic voices. These
recordings are people speaking; their phone times are not known, so the reference alignments are
made by the engine's own text-based recogniser (align_corpus) and only approximate. The trainer
takes such lines with --realign-corpus and refines them by its realignment passes.

Sources (all 16 kHz mono 16-bit after conversion):
  allison    telephone-system prompts of one US female speaker (asterisk-core-sounds-en-g722,
             texts from asterisk-core-sounds-en); nine in ten prompts train, every tenth is held
             out. Training prompts are also augmented (channel, noise, reverberation, speed).
  librivox, cards, goforward
             the speech test recordings of pocketsphinx-testdata with their transcriptions;
             held out (voices no model hears in training).
  alsa       the eight channel-name prompts of alsa-utils; held out.

Output under --out: real/<voice>/<name>.wav and real.tsv, one line per recording in the layout
of corpus.tsv ("id voice gender split wav reference text"); the reference column names
real/ref/<name>.zuvo, which align_corpus --out real/ref --split all then writes.

    tools/corpus/make_real_corpus.py --out /work/corpus [--jobs 8]

Needs ffmpeg (G.722 decoding), sox, asterisk-core-sounds-en, asterisk-core-sounds-en-g722,
pocketsphinx-testdata and alsa-utils.
"""

import argparse
import array
import gzip
import multiprocessing
import os
import random
import re
import subprocess
import sys
import wave
import zlib

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from make_corpus import add_noise, augment_effects, run  # noqa: E402

ALLISON_DIR = "/usr/share/asterisk/sounds/en_US_f_Allison"
ALLISON_TEXTS = "/usr/share/doc/asterisk-core-sounds-en/core-sounds-en.txt.gz"
POCKETSPHINX = "/usr/share/pocketsphinx/test/data"
ALSA_DIR = "/usr/share/sounds/alsa"
AUGMENTATIONS = ["channel", "noisy", "reverb", "speed_up", "speed_down"]


def spoken_text(text):
    """The words a prompt speaks, or None for a prompt that is a tone or a sound effect."""
    text = text.strip()
    if not text or re.fullmatch(r"[\[<].*[\]>]", text):
        return None
    text = text.replace("*", " star ").replace("#", " pound ")
    return re.sub(r"\s+", " ", text).strip()


def allison_prompts():
    prompts = []
    with gzip.open(ALLISON_TEXTS, "rt", encoding="utf-8", errors="replace") as f:
        for line in f:
            m = re.match(r"^([A-Za-z0-9_/-]+):\s*(.*)$", line.rstrip("\n"))
            if not m:
                continue
            text = spoken_text(m.group(2))
            source = os.path.join(ALLISON_DIR, m.group(1) + ".g722")
            if text and os.path.exists(source):
                prompts.append((m.group(1), source, text))
    return sorted(prompts)


def transcribed(folder, transcription, prefix=""):
    """The recordings of a "<s> text </s> (id)" transcription file as (voice, name, wav, text);
    the folder names the voice."""
    found = []
    with open(os.path.join(POCKETSPHINX, folder, transcription)) as f:
        for line in f:
            m = re.match(r"<s>\s*(.*?)\s*</s>\s*\((\S+)\)", line)
            if m:
                found.append((folder, prefix + m.group(2),
                              os.path.join(POCKETSPHINX, folder, m.group(2) + ".wav"), m.group(1)))
    return found


def pocketsphinx_recordings():
    found = transcribed("librivox", "transcription") + transcribed("cards", "cards.transcription", "cards_")
    # Its text is the grammar's sentence.
    found.append(("goforward", "goforward", os.path.join(POCKETSPHINX, "goforward.raw"),
                  "go forward ten meters"))
    return [r for r in found if os.path.exists(r[2])]


def alsa_prompts():
    found = []
    for name in sorted(os.listdir(ALSA_DIR)) if os.path.isdir(ALSA_DIR) else []:
        if name.endswith(".wav") and "_" in name and name != "Noise.wav":
            found.append(("alsa", "alsa_" + name[:-4], os.path.join(ALSA_DIR, name),
                          name[:-4].replace("_", " ")))
    return found


def to_wav16k(source, wav):
    if source.endswith(".g722"):
        run(["ffmpeg", "-hide_banner", "-loglevel", "error", "-y", "-f", "g722", "-i", source,
             "-ar", "16000", "-ac", "1", "-sample_fmt", "s16", wav])
    elif source.endswith(".raw"):
        run(["sox", "-t", "raw", "-r", "16000", "-e", "signed", "-b", "16", "-c", "1", source,
             "-r", "16000", "-c", "1", "-b", "16", wav])
    else:
        run(["sox", source, "-r", "16000", "-c", "1", "-b", "16", wav, "remix", "-"])


def median_pitch(wav):
    """A rough median F0 (Hz) of the loudest frames, by autocorrelation at 8 kHz."""
    with wave.open(wav) as w:
        samples = array.array("h", w.readframes(w.getnframes()))
    x = [float(samples[i]) for i in range(0, len(samples), 2)]
    frame, step = 320, 160
    frames = [x[i:i + frame] for i in range(0, len(x) - frame, step)]
    frames.sort(key=lambda f: -sum(v * v for v in f))
    pitches = []
    for f in frames[:max(1, len(frames) // 4)]:
        energy = sum(v * v for v in f) or 1.0
        best, lag = 0.0, 0
        for k in range(20, 160):  # 50..400 Hz
            c = sum(f[i] * f[i + k] for i in range(frame - k)) / energy
            if c > best:
                best, lag = c, k
        if best > 0.3 and lag:
            pitches.append(8000.0 / lag)
    pitches.sort()
    return pitches[len(pitches) // 2] if pitches else 0.0


def process(job):
    (voice, name, source, text, split, kind, gender, out, seed) = job
    folder = os.path.join(out, "real", voice)
    os.makedirs(folder, exist_ok=True)
    wav = os.path.join(folder, name + ".wav")
    clean = wav + ".clean.wav"
    rng = random.Random(seed)
    try:
        to_wav16k(source, clean)
        if kind == "clean":
            os.replace(clean, wav)
        elif kind == "noisy":
            effects, _ = augment_effects(rng, kind)
            speech = wav + ".speech.wav"
            run(["sox", clean, speech] + effects)
            add_noise(speech, wav, rng, [10, 15, 20, 30])
        else:
            effects, _ = augment_effects(rng, kind)
            run(["sox", clean, wav] + effects)
        if gender is None:
            gender = "male" if median_pitch(wav) < 165 else "female"
    except (subprocess.CalledProcessError, ValueError, AttributeError) as e:
        sys.stderr.write("skipped %s: %s\n" % (name, getattr(e, "stderr", e)))
        return None
    finally:
        for leftover in (clean, wav + ".speech.wav"):
            if os.path.exists(leftover):
                os.unlink(leftover)
    reference = os.path.join(out, "real", "ref", name + ".zuvo")
    return "\t".join([name, voice, gender, split, wav, reference, text])


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--out", required=True)
    parser.add_argument("--jobs", type=int, default=os.cpu_count() or 4)
    parser.add_argument("--seed", type=int, default=1)
    args = parser.parse_args()

    jobs = []
    prompts = allison_prompts()
    if not prompts:
        sys.exit("make_real_corpus: no prompts found (install asterisk-core-sounds-en-g722)")
    for index, (key, source, text) in enumerate(prompts):
        base = "allison_" + re.sub(r"[^A-Za-z0-9]", "_", key)
        held_out = index % 10 == 9
        kinds = ["clean"] if held_out else ["clean"] + AUGMENTATIONS
        for kind in kinds:
            seed = zlib.crc32(("%d %s %s" % (args.seed, key, kind)).encode())
            jobs.append(("allison", base if kind == "clean" else base + "_" + kind, source, text,
                         "test" if held_out else "train", kind, "female", args.out, seed))
    for voice, name, source, text in pocketsphinx_recordings() + alsa_prompts():
        jobs.append((voice, name, source, text, "test", "clean", None, args.out, 0))

    os.makedirs(os.path.join(args.out, "real", "ref"), exist_ok=True)
    with multiprocessing.Pool(args.jobs) as pool:
        lines = [line for line in pool.map(process, jobs) if line]
    with open(os.path.join(args.out, "real.tsv"), "w") as f:
        f.write("\n".join(lines) + "\n")
    train = sum(1 for line in lines if line.split("\t")[3] == "train")
    print("%d recordings (%d train, %d test) in %s" %
          (len(lines), train, len(lines) - train, os.path.join(args.out, "real.tsv")))


if __name__ == "__main__":
    main()
