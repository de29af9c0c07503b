#!/usr/bin/env python3
"""Checks that aligned words lie where a recording has speech, for recordings without reference
alignments (real speech).

Speech is found from the signal alone: 10 ms frames whose level is within 35 dB of the loudest
frame and at least 12 dB above the recording's quiet floor (its 10th-percentile level); speech
regions are runs of such frames, gaps under 150 ms bridged. For each results file (its "audio"
line names the recording, its "word" records the words) it measures:
  covered   the share of speech frames inside some word,
  on speech the share of word frames that are speech (words also hold stop closures and short
            pauses, so this stays below 100 %),
  onsets    for each speech region, the distance from its start to the nearest word start.

    tools/evaluate/word_placement.py RESULTS.zuvo... | --list pairs.txt [--per-file]

With --list, the second path of every line of an align_corpus pairs file is read.
"""

import argparse
import array
import math
import sys
import wave

FRAME_MS = 10


def frame_levels(path):
    with wave.open(path) as w:
        if w.getsampwidth() != 2:
            raise ValueError("%s: only 16-bit PCM is read" % path)
        channels, rate = w.getnchannels(), w.getframerate()
        samples = array.array("h", w.readframes(w.getnframes()))
    if sys.byteorder == "big":
        samples.byteswap()
    mono = samples[::channels]
    step = rate * FRAME_MS // 1000
    levels = []
    for i in range(0, len(mono) - step + 1, step):
        energy = sum(v * v for v in mono[i:i + step]) / step
        levels.append(10 * math.log10(energy + 1.0))
    return levels


def speech_frames(levels):
    if not levels:
        return []
    floor = sorted(levels)[len(levels) // 10]
    threshold = max(max(levels) - 35.0, floor + 12.0)
    speech = [v >= threshold for v in levels]
    # Bridge short gaps (stop closures, brief pauses) so that a region is a stretch of talk.
    gap = 150 // FRAME_MS
    i = 0
    while i < len(speech):
        if not speech[i]:
            j = i
            while j < len(speech) and not speech[j]:
                j += 1
            if 0 < i and j < len(speech) and j - i < gap:
                for k in range(i, j):
                    speech[k] = True
            i = j
        else:
            i += 1
    return speech


def read_results(path):
    audio, words = None, []
    with open(path, encoding="utf-8", errors="replace") as f:
        for line in f:
            fields = line.split()
            if len(fields) >= 2 and fields[0] == "audio":
                audio = line.split(None, 1)[1].strip()
            elif len(fields) >= 4 and fields[0] == "word":
                words.append((int(fields[1]), int(fields[2]), fields[3]))
    if audio is None:
        raise ValueError("%s: no audio line" % path)
    return audio, words


def measure(path):
    audio, words = read_results(path)
    speech = speech_frames(frame_levels(audio))
    in_word = [False] * len(speech)
    for start, end, _ in words:
        for t in range(max(0, start // FRAME_MS), min(len(speech), end // FRAME_MS)):
            in_word[t] = True
    speech_total = sum(speech)
    word_total = sum(in_word)
    covered = sum(1 for s, w in zip(speech, in_word) if s and w)
    onsets = []
    starts = [s for s, _, _ in words]
    for t in range(len(speech)):
        if speech[t] and (t == 0 or not speech[t - 1]) and starts:
            onsets.append(min(abs(t * FRAME_MS - s) for s in starts))
    return speech_total, word_total, covered, onsets


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("results", nargs="*")
    parser.add_argument("--list")
    parser.add_argument("--per-file", action="store_true")
    args = parser.parse_args()
    paths = list(args.results)
    if args.list:
        with open(args.list) as f:
            paths += [line.split()[1] for line in f if len(line.split()) >= 2]
    if not paths:
        parser.error("no results files")
    speech_sum = word_sum = covered_sum = 0
    onsets = []
    for path in paths:
        try:
            s, w, c, o = measure(path)
        except (OSError, ValueError, wave.Error) as e:
            sys.stderr.write("word_placement: %s\n" % e)
            return 1
        speech_sum, word_sum, covered_sum = speech_sum + s, word_sum + w, covered_sum + c
        onsets += o
        if args.per_file:
            print("%-60s covered %5.1f%%  on speech %5.1f%%  onsets %s" % (
                path, 100.0 * c / max(1, s), 100.0 * c / max(1, w), " ".join(map(str, o))))
    onsets.sort()
    median = onsets[len(onsets) // 2] if onsets else 0
    within = 100.0 * sum(1 for v in onsets if v <= 50) / max(1, len(onsets))
    print("%d files: speech covered by words %.1f%%, word time on speech %.1f%%, "
          "speech onsets n=%d, median distance to a word start %d ms, within 50 ms %.1f%%" % (
              len(paths), 100.0 * covered_sum / max(1, speech_sum), 100.0 * covered_sum / max(1, word_sum),
              len(onsets), median, within))
    return 0


if __name__ == "__main__":
    sys.exit(main())
