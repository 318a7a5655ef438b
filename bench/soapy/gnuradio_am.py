#!/usr/bin/python3
"""GNU Radio as a client of the velorix SoapySDR module (not run by CI; needs
Debian's gnuradio, which the package lists leave out).

Its soapy source listens to the virtual receiver tuned 20 kHz below an AM
station of its own band (a 1 kHz tone, 80 % deep), a frequency-translating
filter picks the station out, an envelope detector demodulates it, and the
script prints the tone's frequency and its SNR against the rest of the
300-3000 Hz audio band.

    /usr/bin/python3 bench/soapy/gnuradio_am.py [BUILD_DIR] [SECONDS]
"""

import os
import sys
import tempfile

BUILD = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else "build")
SECONDS = float(sys.argv[2]) if len(sys.argv) > 2 else 5.0
STATION_HZ, CENTRE_HZ, RATE = 6070000, 6050000, 250000
DECIMATION = 25  # 10 kHz of audio

scenario = tempfile.NamedTemporaryFile("w", suffix=".band", delete=False)
scenario.write("noise density=-150\nimpulses rate=0\n"
               "station freq=%d mode=AM level=-60 audio=tone:1000 depth=0.8\n" % STATION_HZ)
scenario.close()
os.environ.setdefault("SOAPY_SDR_PLUGIN_PATH", os.path.join(BUILD, "bin/SoapySDR/modules0.8"))
os.environ.setdefault("VELORIX_DEVICE", "virtual")
os.environ["VELORIX_SIM_SCENARIO"] = scenario.name

import numpy as np  # noqa: E402
from gnuradio import blocks, filter, gr, soapy  # noqa: E402
from gnuradio.filter import firdes  # noqa: E402


def main():
    tb = gr.top_block()
    src = soapy.source("driver=velorix", "fc32", 1, "", "", [""], [""])
    src.set_sample_rate(0, RATE)
    src.set_frequency(0, CENTRE_HZ)
    taps = firdes.low_pass(1.0, RATE, 4000, 1000)
    xlate = filter.freq_xlating_fir_filter_ccc(DECIMATION, taps, STATION_HZ - CENTRE_HZ, RATE)
    envelope = blocks.complex_to_mag()
    audio_rate = RATE / DECIMATION
    # The first half second is dropped: the filters and the stream settle.
    skip = blocks.skiphead(gr.sizeof_float, int(0.5 * audio_rate))
    head = blocks.head(gr.sizeof_float, int(SECONDS * audio_rate))
    sink = blocks.vector_sink_f()
    tb.connect(src, xlate, envelope, skip, head, sink)
    tb.run()

    audio = np.array(sink.data())
    audio -= audio.mean()
    window = np.hanning(len(audio))
    power = np.abs(np.fft.rfft(audio * window)) ** 2
    freqs = np.fft.rfftfreq(len(audio), 1.0 / audio_rate)
    band = (freqs >= 300) & (freqs <= 3000)
    k = np.flatnonzero(band)[np.argmax(power[band])]
    tone = np.abs(freqs - freqs[k]) <= 5
    snr = 10 * np.log10(power[tone].sum() / power[band & ~tone].sum())
    print("gnuradio_am: %.1f s of audio at %.0f Hz" % (len(audio) / audio_rate, audio_rate))
    print("tone_hz=%.2f snr_db=%.1f" % (freqs[k], snr))
    os.unlink(scenario.name)


if __name__ == "__main__":
    main()
