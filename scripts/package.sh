#!/usr/bin/env bash
# Builds the Debian packages from the working tree and checks them with
# lintian: build-deb/velorix_VERSION_ARCH.deb and
# build-deb/soapysdr0.8-module-velorix_VERSION_ARCH.deb. Installs what the
# build needs first (as root). Then, as root:
#   apt install ./build-deb/velorix_*.deb ./build-deb/soapysdr0.8-module-velorix_*.deb
# Usage: scripts/package.sh
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh deb

# The tree is built from a copy of its files (tracked and new, never the
# build trees), so the packages hold what the working tree holds and
# dpkg-buildpackage leaves its results in build-deb/.
out=$PWD/build-deb
rm -rf "$out"
mkdir -p "$out/velorix"
git ls-files -z --cached --others --exclude-standard | while IFS= read -r -d '' f; do
    [[ -e $f ]] && cp --parents -t "$out/velorix" "$f"
done
# The copy is no checkout: the commit the programs name comes from here.
VELORIX_COMMIT=$(git rev-parse --short=12 HEAD 2>/dev/null || echo unknown)
export VELORIX_COMMIT

(cd "$out/velorix" && dpkg-buildpackage -b -us -uc -j"$(nproc)")

# Everything but the override with its reason in debian/ must be clean.
lintian --fail-on error,warning --info "$out"/velorix_*.changes
ls -l "$out"/*.deb
