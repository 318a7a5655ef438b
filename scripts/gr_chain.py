#!/usr/bin/env python3
"""The receive chain of `velorix-cli --mode USB --filter 3` built from GNU Radio
blocks (single precision), for the chain benchmark's ratio. Only run when GNU
Radio is installed; it is never a dependency of velorix.

usage: gr_chain.py RECORDING.wav [RATE_KHZ]

The recording (24-bit I/Q after an 86-byte header) is converted to complex
floats in a temporary file first, untimed; the timed part reads that file and
runs: rotator, half-band decimators down to 7.8125 kHz, a 64-tap complex
band-pass (300-2700 Hz), AGC, the real part as the upper sideband, and
interpolation by 4 to 31.25 kHz into a null sink. Prints
"<factor> x real time", by the wall clock and by the process's CPU time.
"""
import os
import sys
import tempfile
import time

import numpy as np
from gnuradio import analog, blocks, gr
from gnuradio import filter as grfilter
from gnuradio.filter import firdes

HEADER_BYTES = 86
SCALE = 256.0 / 1074000000.0


def to_complex64(path, out):
    raw = np.fromfile(path, dtype=np.uint8, offset=HEADER_BYTES)
    raw = raw[: len(raw) // 6 * 6].reshape(-1, 6).astype(np.int32)

    def s24(b):
        v = b[:, 0] | (b[:, 1] << 8) | (b[:, 2] << 16)
        return np.where(v & 0x800000, v - (1 << 24), v)

    z = (s24(raw[:, 0:3]) + 1j * s24(raw[:, 3:6])) * SCALE
    z.astype(np.complex64).tofile(out)
    return len(z)


def main():
    path = sys.argv[1]
    rate = float(sys.argv[2]) * 1000.0 if len(sys.argv) > 2 else 500000.0
    with tempfile.TemporaryDirectory() as tmp:
        iq = os.path.join(tmp, "iq.c64")
        samples = to_complex64(path, iq)
        tb = gr.top_block()
        src = blocks.file_source(gr.sizeof_gr_complex, iq, False)
        rot = blocks.rotator_cc(2.0 * np.pi * -1500.0 / rate)
        chain = [src, rot]
        r = rate
        half_band = firdes.low_pass(1.0, 1.0, 0.2, 0.1)
        while r > 7812.5 * 1.5:
            chain.append(grfilter.fir_filter_ccf(2, half_band))
            r /= 2.0
        n = np.arange(64) - 31.5
        centre, half_width = 1500.0 / r, 1200.0 / r
        taps = 2 * half_width * np.sinc(2 * half_width * n) * np.kaiser(64, 6.0)
        chain.append(grfilter.fir_filter_ccc(1, list(taps * np.exp(2j * np.pi * centre * n))))
        chain.append(analog.agc2_cc(0.1, 0.01, 1.0, 1.0))
        chain.append(blocks.complex_to_real())
        chain.append(grfilter.rational_resampler_fff(4, 1))
        chain.append(blocks.null_sink(gr.sizeof_float))
        tb.connect(*chain)
        start, cpu_start = time.perf_counter(), time.process_time()
        tb.run()
        wall = time.perf_counter() - start
        cpu = time.process_time() - cpu_start
    seconds = samples / rate
    print("%.1f x real time (%d samples at %.0f Hz in %.2f s; by CPU time %.1f x real time)"
          % (seconds / wall, samples, rate, wall, seconds / cpu))


if __name__ == "__main__":
    main()
