#!/usr/bin/python3
"""Makes I/Q recordings as other programs write them, from their formats'
definitions (numpy and struct, nothing of velorix): a complex carrier
level_db below full scale at `offset` Hz from the centre, optionally with a
second one.

usage: make_foreign.py KIND PATH key=value ... [+ KIND PATH key=value ...]
  KIND sigmf: PATH.sigmf-meta/.sigmf-data; datatype=ci8|cu8|ci16_le|ci32_le|cf32_le
       wav:   a float (or pcm=16/24/32) WAV with LIST, fact, odd-sized and auxi chunks
       raw:   cf32 samples, as GQRX writes them
keys: rate centre offset level_db seconds [offset2 level2_db] [datetime]
      [meta=TEXT: the .sigmf-meta as given] [data_size=N: the data chunk's claim]
      [block_align=N] [no_auxi=1]
"""
import json
import struct
import sys

import numpy as np


def signal(p):
    rate = float(p["rate"])
    n = int(rate * float(p.get("seconds", "0.25")))
    t = np.arange(n) / rate
    x = 10 ** (float(p["level_db"]) / 20) * np.exp(2j * np.pi * float(p["offset"]) * t)
    if "offset2" in p:
        x += 10 ** (float(p["level2_db"]) / 20) * np.exp(2j * np.pi * float(p["offset2"]) * t)
    return x


def interleaved(x, kind, full_scale, offset=0.0):
    v = np.empty(2 * x.size)
    v[0::2], v[1::2] = x.real, x.imag
    return np.round(v * full_scale + offset).astype(kind) if kind[-2] in "iu" else \
        (v * full_scale).astype(kind)


def sigmf(path, p):
    # Full scale is 2^(bits-1), as SigMF readers take it.
    kinds = {"ci8": ("i1", 128.0, 0), "cu8": ("u1", 128.0, 128.0), "ci16_le": ("<i2", 32768.0, 0),
             "ci32_le": ("<i4", 2.0**31, 0), "cf32_le": ("<f4", 1.0, 0)}
    kind, scale, offset = kinds[p["datatype"]]
    interleaved(signal(p), kind, scale, offset).tofile(path + ".sigmf-data")
    meta = p.get("meta") or json.dumps({
        "global": {"core:datatype": p["datatype"], "core:version": "1.2.0",
                   "core:sample_rate": float(p["rate"])},
        "captures": [{"core:sample_start": 0, "core:frequency": float(p["centre"]),
                      "core:datetime": p.get("datetime", "2024-05-06T07:08:09.5Z")}],
        "annotations": []})
    with open(path + ".sigmf-meta", "w") as f:
        f.write(meta)


def chunk(cid, body):
    return cid + struct.pack("<I", len(body)) + body + (b"\0" if len(body) % 2 else b"")


def wav(path, p):
    bits = int(p.get("pcm", "0"))
    x = signal(p)
    if bits:
        kind = {16: "<i2", 32: "<i4"}.get(bits)
        scale = 2.0 ** (bits - 1)
        if bits == 24:
            v = interleaved(x, "<i4", scale)
            data = b"".join(int(s).to_bytes(3, "little", signed=True) for s in v)
        else:
            data = interleaved(x, kind, scale).tobytes()
        tag = 1
    else:
        data, bits, tag = interleaved(x, "<f4", 1.0).tobytes(), 32, 3
    rate = int(p["rate"])
    align = int(p.get("block_align", 2 * bits // 8))
    fmt = struct.pack("<HHIIHH", tag, 2, rate, rate * align, align, bits)
    # SYSTEMTIME start and stop, then centre, ADC rate, IF, bandwidth, IQ offset, 4 unused.
    y, mo, d, h, mi, s = (int(v) for v in p.get("datetime", "2024-03-04-05-06-07").split("-"))
    start = struct.pack("<8H", y, mo, 0, d, h, mi, s, 0)
    auxi = start + start + struct.pack("<9I", int(p["centre"]), 80000000, 0, 0, 0, 0, 0, 0, 0)
    claim = int(p.get("data_size", len(data)))
    body = (chunk(b"LIST", b"INFOabc") + chunk(b"fmt ", fmt) + chunk(b"fact", struct.pack("<I", 0))
            + b"data" + struct.pack("<I", claim) + data
            + (b"" if p.get("no_auxi") else chunk(b"auxi", auxi)))
    with open(path, "wb") as f:
        f.write(b"RIFF" + struct.pack("<I", 4 + len(body)) + b"WAVE" + body)


def raw(path, p):
    interleaved(signal(p), "<f4", 1.0).tofile(path)


# One job after another, "+" between them: numpy is loaded once.
job = []
for arg in sys.argv[1:] + ["+"]:
    if arg != "+":
        job.append(arg)
        continue
    params = dict(a.split("=", 1) for a in job[2:])
    {"sigmf": sigmf, "wav": wav, "raw": raw}[job[0]](job[1], params)
    job = []
