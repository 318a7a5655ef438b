"""The velorix SoapySDR module through real clients: SoapySDRUtil, the
Python bindings and SoapyRemote on loopback, all on the virtual receiver
with a band of carriers at known levels. The levels are judged against the
calibration table the README publishes."""

import math
import os
import re
import shutil
import socket
import subprocess
import sys
import tempfile
import time
import unittest
from contextlib import contextmanager

import numpy as np
import SoapySDR
from SoapySDR import (SOAPY_SDR_RX, SOAPY_SDR_CF32, SOAPY_SDR_CS16, SOAPY_SDR_OVERFLOW,
                      SOAPY_SDR_STREAM_ERROR, SOAPY_SDR_TIMEOUT)

# Carriers of the scenario: frequency (Hz) and level (dBm).
CARRIERS = [(7030000, -60.0), (14120000, -50.0)]
ARGS = "driver=velorix"


def readme_calibration():
    """dBm of CF32 amplitude 1 by attenuation and preamp, and the preselector
    loss by band edge, as the README states them."""
    text = open(os.environ["VELORIX_README"], encoding="utf-8").read()
    full_scale = {}
    for att, off, on in re.findall(r"^\| (\d+) dB \| ([-+]?\d+\.\d+) \| ([-+]?\d+\.\d+) \|",
                                   text, re.M):
        full_scale[int(att)] = (float(off), float(on))
    losses = [(float(lo) * 1e6, float(hi) * 1e6, float(loss)) for lo, hi, loss in
              re.findall(r"^\| ([\d.]+)–([\d.]+) MHz \| (\d+\.\d+) \|", text, re.M)]
    return full_scale, losses


BUS_CONF = """<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig><type>system</type><listen>unix:path=%s</listen><auth>EXTERNAL</auth>
<policy context="default"><allow user="*"/><allow own="*"/><allow send_destination="*"/>
<allow receive_sender="*"/></policy></busconfig>
"""
AVAHI_CONF = "[server]\nuse-ipv4=yes\nuse-ipv6=no\nallow-interfaces=lo\n" \
             "[publish]\npublish-hinfo=no\npublish-workstation=no\n"


def private_mdns(workdir, stack):
    """SoapySDRServer ends at once without a DNS-SD daemon: a private bus and
    an avahi-daemon on loopback only, unless the machine runs one already.
    Returns the environment for the server."""
    if subprocess.run(["avahi-daemon", "--check"], check=False).returncode == 0:
        return dict(os.environ)
    bus = os.path.join(workdir, "bus")
    for name, text in (("bus.conf", BUS_CONF % bus), ("avahi.conf", AVAHI_CONF)):
        with open(os.path.join(workdir, name), "w", encoding="utf-8") as f:
            f.write(text)
    env = dict(os.environ, DBUS_SYSTEM_BUS_ADDRESS="unix:path=" + bus)
    stack.append(subprocess.Popen(["dbus-daemon", "--nofork",
                                   "--config-file=" + os.path.join(workdir, "bus.conf")]))
    wait_for(lambda: os.path.exists(bus), "the private bus", stack[-1])
    log = open(os.path.join(workdir, "avahi.log"), "w+", encoding="utf-8")
    stack.append(subprocess.Popen(["avahi-daemon", "-f", os.path.join(workdir, "avahi.conf"),
                                   "--no-drop-root", "--no-chroot", "--no-rlimits"],
                                  env=env, stdout=log, stderr=subprocess.STDOUT))
    wait_for(lambda: "Server startup complete" in open(log.name, encoding="utf-8").read(),
             "avahi-daemon", stack[-1])
    return env


def wait_for(ready, what, process):
    """Until `ready()`, however long a loaded machine takes, or until
    `process` has ended without getting there."""
    while not ready():
        if process.poll() is not None:
            raise RuntimeError(what + " ended before it was ready")
        time.sleep(0.1)


def stop(processes):
    for p in reversed(processes):
        p.terminate()
        try:
            p.wait(timeout=10)
        except subprocess.TimeoutExpired:
            p.kill()
            p.wait()


def carrier(samples, rate, offset_hz):
    """Frequency (Hz) and amplitude of the strongest line, by a Hann-windowed,
    4× zero-padded FFT (scalloping under 0.1 dB)."""
    window = np.hanning(len(samples))
    spectrum = np.fft.fft(samples * window, 4 * len(samples))
    freqs = np.fft.fftfreq(len(spectrum), 1.0 / rate)
    near = np.abs(freqs - offset_hz) < 2000
    k = np.flatnonzero(near)[np.argmax(np.abs(spectrum[near]))]
    return freqs[k], np.abs(spectrum[k]) / window.sum()


def read(dev, stream, count, dtype=np.complex64):
    """`count` samples; overflows are counted, never swallowed silently."""
    buf = np.empty(count, dtype)
    got, overflows = 0, 0
    while got < count:
        r = dev.readStream(stream, [buf[got:]], count - got, timeoutUs=500000)
        if r.ret == SOAPY_SDR_OVERFLOW:
            overflows += 1
            continue
        if r.ret == SOAPY_SDR_TIMEOUT:
            continue  # nothing yet: a loaded machine may hold the stream back
        if r.ret <= 0:
            raise RuntimeError("readStream returned %d" % r.ret)
        got += r.ret
    return buf, overflows


@contextmanager
def streaming(dev, rate, centre, fmt=SOAPY_SDR_CF32):
    """A stream of `dev` at `rate` and `centre`, closed on the way out."""
    dev.setSampleRate(SOAPY_SDR_RX, 0, rate)
    dev.setFrequency(SOAPY_SDR_RX, 0, centre)
    stream = dev.setupStream(SOAPY_SDR_RX, fmt)
    dev.activateStream(stream)
    try:
        yield stream
    finally:
        dev.deactivateStream(stream)
        dev.closeStream(stream)


def write_scenario(directory):
    scenario = os.path.join(directory, "carriers.band")
    with open(scenario, "w", encoding="utf-8") as f:
        f.write("noise density=-150\nimpulses rate=0\n")
        for freq, level in CARRIERS:
            f.write("station freq=%d mode=CARRIER level=%.1f\n" % (freq, level))
    return scenario


class Clients(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.dir = tempfile.TemporaryDirectory()
        if "UMOCKDEV_DIR" not in os.environ:  # else the emulator has it already
            os.environ["VELORIX_SIM_SCENARIO"] = write_scenario(cls.dir.name)
        cls.full_scale, cls.losses = readme_calibration()

    @classmethod
    def tearDownClass(cls):
        cls.dir.cleanup()

    def loss(self, freq):
        return next(loss for lo, hi, loss in self.losses if lo <= freq < hi)

    def util(self, *args, seconds=20, **env):
        return subprocess.run(["SoapySDRUtil", *args], capture_output=True, text=True,
                              timeout=seconds, check=False, env=dict(os.environ, **env))

    def test_find_and_probe_list_the_receiver(self):
        found = self.util("--find=" + ARGS).stdout
        self.assertEqual(found.count("driver = velorix"), 1, found)
        self.assertIn("serial = 01234-ABCD-EF12-3456", found)
        self.assertIn("hardware = 1.1", found)
        probe = self.util("--probe=" + ARGS).stdout
        for line in ["Channels: 1 Rx, 0 Tx", "Timestamps: NO", "Stream formats: CS16, CF32, CF64",
                     "Full gain range: [-30, 3.5] dB", "ATT gain range: [-30, 0, 10] dB",
                     "PREAMP gain range: [0, 3.5, 3.5] dB", "Full freq range: [0, 40] MHz",
                     "Sample rates: 0.125, 0.25, 0.5 MSps", "key=dither", "key=preselector",
                     "key=adc_clock", "adc_overload"]:
            self.assertIn(line, probe)
        self.assertIn("driver = velorix", self.util("--find=" + ARGS + ",serial=01234-ABCD-EF12-3456").stdout)
        self.assertNotIn("driver = velorix", self.util("--find=" + ARGS + ",serial=99999").stdout)
        # Unplugged: discovery finds nothing, and opening says why.
        unplugged = {"VELORIX_VIRTUAL_PLUG": os.path.join(self.dir.name, "absent")}
        self.assertIn("No devices found", self.util("--find=" + ARGS, **unplugged).stderr)
        self.assertIn("velorix: no receiver found", self.util("--probe=" + ARGS, **unplugged).stderr)
        # The module alone in a scratch prefix, its library given: no data
        # directory it searches holds the virtual receiver's bitstreams.
        alone = os.path.join(self.dir.name, "prefix", "lib", "SoapySDR", "modules0.8")
        os.makedirs(alone, exist_ok=True)
        tree = os.environ["SOAPY_SDR_PLUGIN_PATH"]
        shutil.copy(os.path.join(tree, "libvelorixSupport.so"), alone)
        no_bitstreams = {"SOAPY_SDR_PLUGIN_PATH": alone, "VELORIX_DATA_DIR": self.dir.name,
                         "VELORIX_USB_LIBRARY": os.path.join(tree, "..", "..", "libvelorixusb.so")}
        said = self.util("--probe=" + ARGS, **no_bitstreams).stderr
        self.assertIn("velorix: velorix500k24v11 not found\nlooked in: %s/virtual, " % self.dir.name,
                      said)

    def test_rate_test_streams_without_overflow(self):
        run = subprocess.run(["timeout", "-s", "INT", "10", "SoapySDRUtil", "--args=" + ARGS,
                              "--rate=500e3", "--direction=RX"],
                             capture_output=True, text=True, timeout=30, check=False)
        loop = run.stdout.split("Starting stream loop", 1)
        self.assertEqual(len(loop), 2, run.stdout + run.stderr)
        self.assertNotIn("O", loop[1])
        rates = [float(r) for r in re.findall(r"([\d.]+) Msps", loop[1])]
        self.assertTrue(rates and abs(rates[-1] - 0.5) < 0.01, loop[1])

    @staticmethod
    def settle(dev, stream, rate):
        """Samples queued before a change still hold the old setting: drops
        them, and the first 0.1 s after it."""
        flush = np.empty(1 << 18, np.complex64)
        while dev.readStream(stream, [flush], len(flush), timeoutUs=0).ret > 0:
            pass
        read(dev, stream, int(rate * 0.1))

    def measure(self, dev, stream, rate, centre, freq, seconds=0.25):
        self.settle(dev, stream, rate)
        samples, overflows = read(dev, stream, int(rate * seconds))
        self.assertEqual(overflows, 0)
        found, amplitude = carrier(samples, rate, freq - centre)
        self.assertAlmostEqual(found, freq - centre, delta=rate / len(samples))
        return 20 * np.log10(amplitude)

    def test_carrier_reads_the_calibrated_level(self):
        self.assertEqual(sorted(self.full_scale), [0, 10, 20, 30])
        dev = SoapySDR.Device(ARGS)
        with streaming(dev, 500e3, 7000000) as stream:
            freq, level = CARRIERS[0]
            # One second at the default front end: preselector on, no gain.
            db = self.measure(dev, stream, 500e3, 7000000, freq, seconds=1.0)
            self.assertAlmostEqual(db + self.full_scale[0][0] + self.loss(freq), level, delta=0.5)
            dev.writeSetting("preselector", "false")
            for att, (off, on) in self.full_scale.items():
                for preamp, fs_dbm in ((0.0, off), (3.5, on)):
                    dev.setGain(SOAPY_SDR_RX, 0, "ATT", -att)
                    dev.setGain(SOAPY_SDR_RX, 0, "PREAMP", preamp)
                    self.assertEqual(dev.getGain(SOAPY_SDR_RX, 0), preamp - att)
                    db = self.measure(dev, stream, 500e3, 7000000, freq)
                    self.assertAlmostEqual(db + fs_dbm, level, delta=0.5, msg=(att, preamp))
            dev.setGain(SOAPY_SDR_RX, 0, 0.0)
            # Retune to the second carrier, then a rate change.
            freq, level = CARRIERS[1]
            dev.setFrequency(SOAPY_SDR_RX, 0, 14100000)
            db = self.measure(dev, stream, 500e3, 14100000, freq)
            self.assertAlmostEqual(db + self.full_scale[0][0], level, delta=0.5)
            dev.setSampleRate(SOAPY_SDR_RX, 0, 125e3)
            self.assertEqual(dev.getSampleRate(SOAPY_SDR_RX, 0), 125e3)
            db = self.measure(dev, stream, 125e3, 14100000, freq)
            self.assertAlmostEqual(db + self.full_scale[0][0], level, delta=0.5)

    def test_bad_entries_are_refused_and_the_clock_calibration_tunes(self):
        dev = SoapySDR.Device(ARGS)
        refused = [
            (lambda: dev.setSampleRate(SOAPY_SDR_RX, 0, 1e6), "125000, 250000 or 500000"),
            (lambda: dev.setFrequency(SOAPY_SDR_RX, 0, 40.5e6), "outside 0 to 40 MHz"),
            (lambda: dev.setGain(SOAPY_SDR_RX, 0, "LNA", 10), "no gain element LNA"),
            (lambda: dev.writeSetting("dither", "maybe"), "dither must be true or false"),
            (lambda: dev.writeSetting("adc_clock", "80MHz"), "adc_clock must be a whole number"),
            (lambda: dev.writeSetting("adc_clock", "90000000"), "adc_clock must be a whole number"),
            (lambda: dev.setupStream(SOAPY_SDR_RX, "CS8"), "CS8 is not CS16, CF32 or CF64"),
            (lambda: dev.setupStream(SOAPY_SDR_RX, SOAPY_SDR_CF32, [0, 0]), "one receive channel"),
        ]
        refused += [(lambda v=v: dev.writeSetting("adc_clock", v), "adc_clock must be a whole number")
                    for v in (" 80000000", "80000000 ", "+80000000", "")]
        refused += [(call, "must be a finite number") for v in (math.nan, math.inf, -math.inf)
                    for call in (lambda v=v: dev.setGain(SOAPY_SDR_RX, 0, v),
                                 lambda v=v: dev.setGain(SOAPY_SDR_RX, 0, "ATT", v),
                                 lambda v=v: dev.setGain(SOAPY_SDR_RX, 0, "PREAMP", v),
                                 lambda v=v: dev.setBandwidth(SOAPY_SDR_RX, 0, v))]
        # Channel 1 does not exist, for getters as for setters.
        refused += [(call, "one receive channel, 0") for call in (
            lambda: dev.getGain(SOAPY_SDR_RX, 1), lambda: dev.setGain(SOAPY_SDR_RX, 1, 0.0),
            lambda: dev.getGain(SOAPY_SDR_RX, 1, "ATT"),
            lambda: dev.getFrequency(SOAPY_SDR_RX, 1), lambda: dev.setFrequency(SOAPY_SDR_RX, 1, 7e6),
            lambda: dev.getSampleRate(SOAPY_SDR_RX, 1), lambda: dev.listAntennas(SOAPY_SDR_RX, 1),
            lambda: dev.getStreamFormats(SOAPY_SDR_RX, 1))]
        for call, text in refused:
            with self.assertRaisesRegex(Exception, text):
                call()
        self.assertEqual(dev.getSampleRate(SOAPY_SDR_RX, 0), 500e3)
        self.assertEqual([dev.getGain(SOAPY_SDR_RX, 0, e) for e in ("ATT", "PREAMP")], [0.0, 0.0])
        self.assertEqual(dev.readSetting("adc_clock"), "80000000")
        # A clock calibrated 3 ppm low (79 999 760 Hz) puts the true centre
        # of a 7 MHz tuning 21 Hz higher: the carrier shows 21 Hz lower.
        offsets = []
        with streaming(dev, 500e3, 7000000) as stream:
            for clock in ("80000000", "79999760"):
                dev.writeSetting("adc_clock", clock)
                self.settle(dev, stream, 500e3)
                samples, _ = read(dev, stream, 500000)
                offsets.append(carrier(samples, 500e3, 30000)[0])
        self.assertAlmostEqual(offsets[0], 30000, delta=0.5)
        self.assertAlmostEqual(offsets[1], 30000 - 21, delta=0.5)

    def test_a_receiver_plugged_back_streams_again_and_changes_its_rate(self):
        # Run by velorix-usb-emulator (ctest soapy_replug_usb), the emulator's plug file.
        emulated = "UMOCKDEV_DIR" in os.environ
        plug = os.environ["VELORIX_VIRTUAL_PLUG"] if emulated else os.path.join(self.dir.name, "plugged")
        open(plug, "w").close()
        os.environ["VELORIX_VIRTUAL_PLUG"] = plug
        told = []
        SoapySDR.registerLogHandler(lambda level, text: told.append(text))
        try:
            dev = SoapySDR.Device(ARGS)
            dev.writeSetting("preselector", "false")
            freq, level = CARRIERS[0]
            with streaming(dev, 500e3, 7000000) as stream:
                buf = np.empty(16384, np.complex64)

                # Reads until `done`; what it waits for is told first, so a
                # wait that never ends names itself when ctest's time-out ends it.
                def reads_until(done, what):
                    print("waiting for", what, file=sys.stderr, flush=True)
                    while not done(dev.readStream(stream, [buf], len(buf), timeoutUs=200000).ret):
                        pass
                reads_until(lambda r: r > 0, "samples before the removal")
                os.remove(plug)
                reads_until(lambda r: r in (SOAPY_SDR_TIMEOUT, SOAPY_SDR_STREAM_ERROR),
                            "the stream ends once the receiver is gone")
                open(plug, "w").close()
                reads_until(lambda r: r > 0, "samples after the receiver came back")
                self.assertIn("velorix: the receiver is back", told)
                for rate in (500e3, 125e3):  # tuned and set as it was, then at another rate
                    dev.setSampleRate(SOAPY_SDR_RX, 0, rate)
                    db = self.measure(dev, stream, rate, 7000000, freq)
                    self.assertAlmostEqual(db + self.full_scale[0][0], level, delta=0.5)
            del dev
        finally:
            SoapySDR.registerLogHandler(None)
            if not emulated:
                del os.environ["VELORIX_VIRTUAL_PLUG"]

    def test_a_stalled_reader_sees_one_overflow_per_gap(self):
        dev = SoapySDR.Device(ARGS)
        with streaming(dev, 500e3, 7000000, SOAPY_SDR_CS16) as stream:
            buf = np.empty(2 * 16384, np.int16)
            self.assertGreater(dev.readStream(stream, [buf], 2048).ret, 0)
            for _ in range(5):
                # 0.7 s of ring at 500 kHz: blocks are dropped, unless a loaded
                # machine held the library's reader back as long; then again.
                time.sleep(1.5)
                # Reads longer than a block (10 880 samples) reach the gap mid-call.
                results = [dev.readStream(stream, [buf], 16384, timeoutUs=500000).ret
                           for _ in range(60)]
                if SOAPY_SDR_OVERFLOW in results:
                    break
        self.assertEqual(results.count(SOAPY_SDR_OVERFLOW), 1, results)
        self.assertGreater(results.index(SOAPY_SDR_OVERFLOW), 0)
        self.assertTrue(all(r > 0 for r in results if r != SOAPY_SDR_OVERFLOW))

    def test_an_unplugged_receiver_ends_the_stream_with_an_error(self):
        plug = os.path.join(self.dir.name, "plugged")
        open(plug, "w", encoding="utf-8").close()
        # The module reads the plug file's name when it loads the library.
        os.environ["VELORIX_VIRTUAL_PLUG"] = plug
        try:
            dev = SoapySDR.Device(ARGS)
        finally:
            del os.environ["VELORIX_VIRTUAL_PLUG"]
        with streaming(dev, 500e3, 7000000) as stream:
            read(dev, stream, 50000)
            os.unlink(plug)
            buf = np.empty(16384, np.complex64)
            results = []
            while SOAPY_SDR_STREAM_ERROR not in results:
                results.append(dev.readStream(stream, [buf], len(buf), timeoutUs=2000000).ret)
                self.assertLess(len(results), 60, results)
            # What the ring still held, until the removal shows; then the error stays.
            self.assertTrue(all(r > 0 or r in (SOAPY_SDR_TIMEOUT, SOAPY_SDR_OVERFLOW)
                                for r in results[:-1]), results)
            self.assertEqual(dev.readStream(stream, [buf], len(buf), timeoutUs=0).ret,
                             SOAPY_SDR_STREAM_ERROR)

    def test_remote_client_receives_the_carrier(self):
        with socket.socket() as s:
            s.bind(("127.0.0.1", 0))
            port = s.getsockname()[1]
        processes = []
        try:
            env = private_mdns(self.dir.name, processes)
            processes.append(subprocess.Popen(["SoapySDRServer", "--bind=127.0.0.1:%d" % port],
                                              env=env, stdout=subprocess.DEVNULL,
                                              stderr=subprocess.DEVNULL))

            def listening():
                try:
                    socket.create_connection(("127.0.0.1", port), timeout=1).close()
                    return True
                except OSError:
                    return False
            wait_for(listening, "SoapySDRServer", processes[-1])
            dev = SoapySDR.Device("driver=remote,remote=127.0.0.1:%d,remote:driver=velorix" % port)
            self.assertEqual(dev.getDriverKey(), "velorix")
            dev.writeSetting("preselector", "false")
            with streaming(dev, 250e3, 7000000) as stream:
                freq, level = CARRIERS[0]
                db = self.measure(dev, stream, 250e3, 7000000, freq)
                self.assertAlmostEqual(db + self.full_scale[0][0], level, delta=0.5)
            del dev
        finally:
            stop(processes)


if __name__ == "__main__":
    # With VELORIX_USB_EMULATOR (ctest soapy_replug_usb) the tests run again
    # under velorix-usb-emulator, on the receiver behind libusb, with the
    # carriers' band and a plug file made here first.
    emulator = os.environ.pop("VELORIX_USB_EMULATOR", None)
    if emulator:
        with tempfile.TemporaryDirectory() as d:
            env = dict(os.environ, VELORIX_SIM_SCENARIO=write_scenario(d),
                       VELORIX_VIRTUAL_PLUG=os.path.join(d, "plugged"))
            open(env["VELORIX_VIRTUAL_PLUG"], "w").close()
            sys.exit(subprocess.run(["umockdev-wrapper", emulator, "--", sys.executable] + sys.argv,
                                    env=env, check=False).returncode)
    unittest.main(verbosity=2)
