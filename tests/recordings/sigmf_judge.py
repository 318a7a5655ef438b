#!/usr/bin/python3
"""An outside judge of a SigMF recording: its metadata against the SigMF 1.2
schema (sigmf-1.2-meta.schema.json beside this script) and the rules of the
standard's text that a schema cannot state, then its samples read by numpy
and the carrier at FREQ_HZ measured.

usage: sigmf_judge.py FREQ_HZ BASE...
prints for each BASE: peak_hz=… level_dbfs=… dbm=… samples=…   (exit 1 and
the reasons when a recording breaks a rule)
"""
import json
import os
import sys

import jsonschema
import numpy as np

FULL_SCALE = {"ci16_le": ("<i2", 32768.0), "cf32_le": ("<f4", 1.0), "ci8": ("i1", 128.0),
              "ci32_le": ("<i4", 2.0**31)}


def broken(reasons):
    for r in reasons:
        print("rule:", r)
    sys.exit(1)


def judge(base, freq, schema):
    with open(base + ".sigmf-meta") as f:
        meta = json.load(f)
    validator = jsonschema.Draft202012Validator(schema)
    reasons = [f"{'/'.join(map(str, e.absolute_path))}: {e.message}"
               for e in validator.iter_errors(meta)]
    if reasons:
        broken(reasons)
    g = meta["global"]
    declared = {e["name"] for e in g.get("core:extensions", [])}
    used = {k.split(":")[0] for obj in [g] + meta["captures"] + meta["annotations"] for k in obj}
    reasons += [f"namespace {n} is used but not declared in core:extensions"
                for n in used - declared - {"core"}]
    starts = [c["core:sample_start"] for c in meta["captures"]]
    if starts != sorted(starts):
        reasons.append("captures are not sorted by core:sample_start")
    kind, full_scale = FULL_SCALE[g["core:datatype"]]
    raw = np.fromfile(base + ".sigmf-data", dtype=kind)
    if raw.size % 2:
        reasons.append("the dataset is not a whole number of complex samples")
    if reasons:
        broken(reasons)

    x = (raw[0::2].astype(np.float64) + 1j * raw[1::2]) / full_scale
    rate = g["core:sample_rate"]
    offset = freq - meta["captures"][0]["core:frequency"]
    n = min(65536, x.size)
    w = np.hanning(n)
    spectrum = np.abs(np.fft.fft(x[:n] * w))
    k = int(np.argmax(spectrum))
    a, b, c = np.log(spectrum[k - 1] + 1e-30), np.log(spectrum[k] + 1e-30), np.log(
        spectrum[(k + 1) % n] + 1e-30)
    bin_ = k + 0.5 * (a - c) / (a - 2 * b + c)
    peak = (bin_ if bin_ < n / 2 else bin_ - n) * rate / n
    amplitude = abs(np.mean(x * np.exp(-2j * np.pi * offset / rate * np.arange(x.size))))
    level = 20 * np.log10(amplitude + 1e-30)
    dbm = level + g.get("velorix:full_scale_dbm", 0.0)
    print(f"peak_hz={peak + meta['captures'][0]['core:frequency']:.3f} level_dbfs={level:.4f} "
          f"dbm={dbm:.4f} samples={x.size}")


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    with open(os.path.join(here, "sigmf-1.2-meta.schema.json")) as f:
        schema = json.load(f)
    for base in sys.argv[2:]:
        judge(base, float(sys.argv[1]), schema)


main()
