#!/bin/bash
# Gathers SWF movies from outside the project (npm packages that shipped Flash players, the media
# players of a TeX package from Debian) into a folder and counts how many the SWF library loads,
# with tools' swf_load_check. Nothing here is committed; a few small files with a licence that
# allows it are copied to testdata/swf by hand.
#
# usage: tools/swf_gather_outside.sh [folder] [build folder]   (defaults: /tmp/swf_outside, build/test)
set -euo pipefail
dest=${1:-/tmp/swf_outside}
build=${2:-build/test}
versions_per_package=${VERSIONS_PER_PACKAGE:-8}
mkdir -p "$dest/packs" "$dest/files"

# Packages known to have carried .swf files; a spread of versions of each.
packages=(zeroclipboard jplayer mediaelement plupload webcamjs soundmanager2 socket.io-client swfobject
          videojs-swf)
for pkg in "${packages[@]}"; do
    versions=$(npm view "$pkg" versions --json 2>/dev/null | python3 -c '
import json, sys
v = json.load(sys.stdin)
v = v if isinstance(v, list) else [v]
n = int(sys.argv[1])
step = max(1, len(v) / n)
print(" ".join(sorted({v[int(i * step)] for i in range(min(n, len(v)))})))' "$versions_per_package")
    for v in $versions; do
        out="$dest/packs/$pkg-$v"
        [ -d "$out" ] && continue
        mkdir -p "$out"
        (cd "$out" && npm pack --silent "$pkg@$v" >/dev/null 2>&1 && tar -xzf ./*.tgz && rm -f ./*.tgz) || true
    done
done

# The players of the media9 package.
if [ ! -d "$dest/packs/texlive-latex-extra" ]; then
    mkdir -p "$dest/packs/texlive-latex-extra"
    (cd "$dest/packs" && apt-get download texlive-latex-extra >/dev/null 2>&1 &&
        dpkg-deb -x texlive-latex-extra_*.deb texlive-latex-extra && rm -f texlive-latex-extra_*.deb) || true
fi

# One copy of each distinct file.
find "$dest/packs" -type f -iname '*.swf' -print0 | while IFS= read -r -d '' f; do
    sum=$(sha1sum "$f" | cut -c1-12)
    cp -n "$f" "$dest/files/$sum-$(basename "$f")"
done
echo "$(ls "$dest/files" | wc -l) distinct SWF files in $dest/files"
"$build/tools/swf_load_check" "$dest"/files/*
