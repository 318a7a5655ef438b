#!/usr/bin/env bash
# Installs every Debian package velorix needs to build, test and run, and the
# optional lists named as arguments (scripts/packages/optional/NAME.txt).
# Idempotent and non-interactive: asks apt only when something is missing.
# Usage: scripts/install-deps.sh [NAME ...]
set -euo pipefail

# One list per concern in scripts/packages/*.txt: one package a line, # comments.
here=$(dirname "$0")
lists=("$here"/packages/*.txt)
for name in "$@"; do
    [[ -f $here/packages/optional/$name.txt ]] || {
        echo "install-deps: no list scripts/packages/optional/$name.txt" >&2
        exit 2
    }
    lists+=("$here/packages/optional/$name.txt")
done
mapfile -t packages < <(sed -e 's/#.*//' -e 's/[[:space:]]//g' "${lists[@]}" | grep -v '^$' | sort -u)

missing=()
for p in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
    [[ "$status" == "install ok installed" ]] || missing+=("$p")
done

if ((${#missing[@]} == 0)); then
    exit 0
fi

if [[ $(id -u) -ne 0 ]]; then
    echo "install-deps: missing packages: ${missing[*]} (run as root to install them)" >&2
    exit 1
fi

echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}"
