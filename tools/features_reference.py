#!/usr/bin/env python3
"""Independent reference for the engine's cepstral features, written with numpy.

Used by the feature tests: it makes the seeded test signal and computes the feature vectors of a
16-bit mono 16 kHz signal for the 38-feature and 15-feature layouts, so that the C++ feature code is
checked against a second implementation of the same rules.

  features_reference.py signal OUT.raw          write the seeded test signal
  features_reference.py features 38|15 IN.raw OUT.txt
      one line per frame: the energy value (spectral magnitude) and the feature vector
"""
import sys

import numpy as np

RATE = 16000.0
N = 512
OVERLAP = 352
HOP = N - OVERLAP
PREEMPHASIS = np.float32(0.2)
f32 = np.float32


def make_signal():
    """0.75 s: 0.1 s of digital silence, 0.45 s of a voiced-like sound, 0.2 s of quiet noise."""
    rng = np.random.RandomState(20240611)
    t = np.arange(12000) / RATE
    x = np.zeros(12000)
    voiced = slice(1600, 8800)
    tv = t[voiced] - t[1600]
    f0 = 120.0 + 60.0 * tv
    phase = 2 * np.pi * np.cumsum(f0) / RATE
    for h, amp in ((1, 3000.0), (2, 2200.0), (3, 1500.0), (5, 900.0), (9, 400.0), (17, 150.0)):
        x[voiced] += amp * np.sin(h * phase)
    x[voiced] *= np.hanning(7200) * 1.5 + 0.2
    x[voiced] += rng.normal(0.0, 300.0, 7200)
    x[8800:] = rng.normal(0.0, 40.0, 3200)
    return np.clip(np.round(x), -32768, 32767).astype('<i2')


def bands_for(num_features):
    if num_features == 38:
        mel = lambda f: 2595.0 * np.log10(1.0 + f / 700.0)
        m = mel(69.0) + (mel(7839.0) - mel(69.0)) * np.arange(25) / 24.0
        points = np.round(700.0 * (10.0 ** (m / 2595.0) - 1.0))
        count = 23
    else:
        points = [70, 100, 200, 300, 400, 500, 600, 700, 800, 1000, 1150, 1300, 1450, 1750, 2000,
                  2300, 2600, 2900, 3200, 3500, 4000, 4600, 5250, 6050, 6950, 8000]
        count = 24
    return [(f32(points[i]), f32(points[i + 1]), f32(points[i + 2])) for i in range(count)]


def band_weight(f, low, centre, high):
    # A bin exactly on the low edge takes the falling weight.
    if f < low:
        return f32(0)
    if low < f < centre:
        return f32((f - low) / (centre - low))
    if f < high and high != centre:
        return f32((high - f) / (high - centre))
    return f32(0)


def filterbank(power, bands):
    bins = N // 2
    b = f32(f32(RATE) / f32(2 * bins))
    out = []
    for low, centre, high in bands:
        first = max(int(np.trunc(f32(low / b))), 0)
        last = min(int(np.trunc(f32(high / b))), bins)
        s = 0.0
        w = 0.0
        for k in range(first, last + 1):
            weight = float(band_weight(f32(f32(k) * b), low, centre, high))
            s += weight * power[k]
            w += weight
        ratio = s / w if w != 0 else 0.0
        out.append(np.log10(ratio) if ratio >= 1.0 else 0.0)
    return np.array(out)


def cosine_transform(x, count):
    m = len(x)
    j = np.arange(m) + 0.5
    return np.array([np.sum(x * np.cos(np.pi * k * j / m)) for k in range(count)])


def energy_db(segment, previous):
    d = np.diff(np.concatenate(([previous], segment)).astype(np.float64))
    e = max(np.sum(d * d), len(segment))
    return 10.0 * np.log10(e / len(segment)) + 0.5


class Frames:
    """Static vectors (cepstra and, when appended, the energy term) frame after frame."""

    def __init__(self, signal, bands, num_cep, append):
        x = signal.astype(np.float32)
        y = np.empty_like(x)
        previous = f32(0)
        for i, v in enumerate(x):
            y[i] = f32(v - f32(PREEMPHASIS * previous))
            previous = v
        self.samples = y
        self.bands = bands
        self.num_cep = num_cep
        self.append = append
        i = np.arange(N)
        cos = np.cos(2.0 * np.pi * i / (N - 1)).astype(np.float32)
        self.window = (f32(0.54347825) - f32(0.45652175) * cos).astype(np.float32)
        self.t = 0
        self.previous = 0.0

    def next(self):
        start = self.t * HOP
        block = np.zeros(N, dtype=np.float32)
        part = self.samples[start:start + N]
        block[:len(part)] = part
        segment = block[OVERLAP // 2:OVERLAP // 2 + HOP]
        db = max(energy_db(segment, self.previous), 0.0)
        self.previous = float(segment[-1])
        spectrum = np.fft.rfft((self.window * block).astype(np.float64))
        mag = spectrum.real ** 2 + spectrum.imag ** 2
        power = mag / N
        energy = np.sqrt(np.sum(mag) / (N // 2) ** 2)
        c = cosine_transform(filterbank(power, self.bands), self.num_cep)
        if self.append:
            c = np.append(c, 0.05 * db)
        self.t += 1
        return c, energy


def features_38(signal, frames_out):
    num_cep = 12
    frames = Frames(signal, bands_for(38), num_cep, True)
    d = num_cep + 1
    rows = []
    for t in range(frames_out):
        x, energy = frames.next()
        if t == 0:
            prev = [x.copy(), np.zeros(d)]
            older = [x.copy(), np.zeros(d)]
        levels = [x]
        for level in range(2):
            levels.append(levels[level] - older[level])
            older[level] = prev[level]
            prev[level] = levels[level]
        # c1..c11, the differences of c0..c11 at both levels, then the three energy terms.
        row = list(x[1:num_cep]) + list(levels[1][:num_cep]) + list(levels[2][:num_cep])
        row += [x[num_cep], levels[1][num_cep], levels[2][num_cep]]
        rows.append((energy, row))
    return rows


def features_15(signal, frames_out):
    num_cep = 8
    frames = Frames(signal, bands_for(15), num_cep, False)
    ring = [frames.next() for _ in range(5)]
    rows = []
    for t in range(frames_out):
        if t > 2:
            ring = ring[1:] + [frames.next()]
            ring[3] = ring[4]  # the newest frame also fills the slot before it
        vec = [v for v, _ in ring]
        row = list(vec[2][1:num_cep]) + list(vec[4][:num_cep] - vec[0][:num_cep])
        rows.append((ring[2][1], row))
    return rows


def main(argv):
    if len(argv) == 3 and argv[1] == 'signal':
        make_signal().tofile(argv[2])
        return 0
    if len(argv) == 5 and argv[1] == 'features' and argv[2] in ('38', '15'):
        signal = np.fromfile(argv[3], dtype='<i2')
        count = len(signal) // HOP
        rows = (features_38 if argv[2] == '38' else features_15)(signal, count)
        with open(argv[4], 'w') as out:
            for energy, row in rows:
                out.write(' '.join('%.9g' % v for v in [energy] + list(row)) + '\n')
        return 0
    sys.stderr.write(__doc__)
    return 2


if __name__ == '__main__':
    sys.exit(main(sys.argv))
