#!/usr/bin/env bash
# Rebuilds the encoded audio fixtures from a generated chirp (needs python3, lame, oggenc and
# sox; the tests themselves need none of them). Existing files are kept: delete one to remake it.
set -euo pipefail
cd "$(dirname "$0")"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
python3 - "$tmp" <<'PY'
import math, struct, sys, wave
def FixtureChirp(t):
    return 0.5 * math.sin(2 * math.pi * (200 * t + (3000 - 200) * t * t / 2))
def write(path, rate, channels):
    frames = []
    for n in range(rate):  # one second
        t = n / rate
        # Left: a chirp from 200 Hz to 3000 Hz; right: a steady 660 Hz tone.
        left = 0.5 * math.sin(2 * math.pi * (200 * t + (3000 - 200) * t * t / 2))
        right = 0.3 * math.sin(2 * math.pi * 660 * t)
        frames.append(struct.pack('<hh', round(left * 32767), round(right * 32767))[: 2 * channels])
    with wave.open(path, 'wb') as w:
        w.setnchannels(channels); w.setsampwidth(2); w.setframerate(rate)
        w.writeframes(b''.join(frames))
write(sys.argv[1] + '/chirp_44k_stereo.wav', 44100, 2)
write(sys.argv[1] + '/chirp_8k_mono.wav', 8000, 1)
# Twelve one-second chirps at 8 kHz, long enough for several Ogg pages (the damaged-file test
# spoils one of them).
with wave.open(sys.argv[1] + '/chirps_12s_8k.wav', 'wb') as w:
    w.setnchannels(1); w.setsampwidth(2); w.setframerate(8000)
    w.writeframes(b''.join(struct.pack('<h', round(32767 * FixtureChirp((n % 8000) / 8000))) for n in range(12 * 8000)))
PY
[ -e chirp_44k_stereo_id3.mp3 ] || lame --quiet -b 128 --add-id3v2 --tt "Chirp" --ta "Murmurex tests" "$tmp/chirp_44k_stereo.wav" chirp_44k_stereo_id3.mp3
[ -e chirp_8k_mono.mp3 ] || lame --quiet -b 24 "$tmp/chirp_8k_mono.wav" chirp_8k_mono.mp3
[ -e chirp_44k_stereo.ogg ] || oggenc --quiet -q 4 -c "TITLE=Chirp" -o chirp_44k_stereo.ogg "$tmp/chirp_44k_stereo.wav"
[ -e chirps_12s_8k.ogg ] || oggenc --quiet -q 0 -o chirps_12s_8k.ogg "$tmp/chirps_12s_8k.wav"
[ -e chirp_8k_mono_ima.wav ] || sox "$tmp/chirp_8k_mono.wav" -e ima-adpcm chirp_8k_mono_ima.wav
[ -e chirp_8k_stereo_ima.wav ] || sox "$tmp/chirp_44k_stereo.wav" -r 8000 -e ima-adpcm chirp_8k_stereo_ima.wav
[ -e chirp_8k_mono_msadpcm.wav ] || sox "$tmp/chirp_8k_mono.wav" -e ms-adpcm chirp_8k_mono_msadpcm.wav
[ -e chirp_8k_stereo_msadpcm.wav ] || sox "$tmp/chirp_44k_stereo.wav" -r 8000 -e ms-adpcm chirp_8k_stereo_msadpcm.wav
