#include "CliOptions.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <map>

#include "ControlTable.h"

namespace velorix {

namespace {

bool ToLong(const std::string& s, long long& out) {
    if (s.empty()) return false;
    char* end = nullptr;
    errno = 0;
    const long long v = std::strtoll(s.c_str(), &end, 10);
    if (errno != 0 || *end != '\0') return false;
    out = v;
    return true;
}

bool ToDouble(const std::string& s, double& out) {
    if (s.empty()) return false;
    char* end = nullptr;
    errno = 0;
    const double v = std::strtod(s.c_str(), &end);
    if (errno != 0 || *end != '\0' || !std::isfinite(v)) return false;
    out = v;
    return true;
}

bool OnOff(const std::string& s, bool& out) {
    if (s == "on") return out = true, true;
    if (s == "off") return out = false, true;
    return false;
}

}  // namespace

const char* CliUsage() {
    return "usage: velorix-cli [options]\n"
           "  --source virtual|usb|FILE.wav  the virtual receiver (default), the real receiver, or "
           "a recording\n"
           "  --scenario FILE             band description for the virtual receiver\n"
           "  --seed N                    virtual receiver seed\n"
           "  --tune HZ                   tuned frequency (default: the settings')\n"
           "  --center HZ                 centre frequency (default: equal to --tune)\n"
           "  --rate 125|250|500          output rate in kHz\n"
           "  --mode AM|SAM|CW|RTTY|USB|LSB|FM|DRM|USER\n"
           "  --filter 0..5               filter index of the mode\n"
           "  --agc fast|med|slow|off     --nb VALUE   --nr VALUE\n"
           "  --volume DB                 --attenuator 0|10|20|30   --preamp on|off\n"
           "  --dither on|off             --preselector on|off\n"
           "  --seconds S                 signal time to receive (default 10; a file: to its end)\n"
           "  --audio-out FILE.wav        write the audio (31250 Hz, 16-bit stereo) to a WAV file\n"
           "                              (- or a FIFO: streamed; text then goes to stderr)\n"
           "  --audio-device NAME         play on the PulseAudio sink whose description contains "
           "NAME\n"
           "  --record PATH               record the raw I/Q (series naming)\n"
           "  --overwrite                 let --record write over an existing recording\n"
           "  --synthesize FILE.wav       write a recording of the virtual band offline, then "
           "exit\n"
           "  --export-sigmf RECORDING [--out BASE] [--float] [--tune HZ] [--mode NAME]\n"
           "                              write a recording or series as BASE.sigmf-meta/-data\n"
           "  --import FILE [--out BASE] [--input-rate HZ] [--center HZ]\n"
           "                              a SigMF, WAV I/Q or GQRX raw recording as BASE_000.wav "
           "...\n"
           "  --waterfall FILE.png        write the main display's waterfall\n"
           "  --spectrum FILE.png         write the last picture of the main display's spectrum\n"
           "  --smeter                    print the S-meter every 100 ms of signal time\n"
           "  --list hfcc|eibi|user       station list for the summary (default eibi)\n"
           "  --settings                  read the stored settings at start, save them at exit\n"
           "  --rigctl [HOST:]PORT|off    serve Hamlib's NET rigctl protocol (HOST 127.0.0.1 "
           "unless\n"
           "                              named) until a signal, or --seconds; off stores it off\n"
           "  --help\n"
           "alone:\n"
           "  --version                   print the version and the commit it was built from\n"
           "  --udev-rule                 print udev rules for the receiver's USB ids\n";
}

CliParse ParseCliOptions(const std::vector<std::string>& args) {
    CliParse r;
    CliOptions& o = r.options;
    auto fail = [&](const std::string& why) {
        r.ok = false;
        r.error = why;
        return r;
    };
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&](std::string& v) {
            if (i + 1 >= args.size()) return false;
            v = args[++i];
            return true;
        };
        std::string v;
        long long n = 0;
        double d = 0;
        bool b = false;
        if (a == "--help" || a == "-h") {
            o.help = true;
        } else if (a == "--smeter") {
            o.smeter = true;
        } else if (a == "--settings") {
            o.useSettings = true;
        } else if (a == "--overwrite") {
            o.overwrite = true;
        } else if (a.rfind("--", 0) != 0) {
            return fail("unexpected argument '" + a + "'");
        } else if (!value(v)) {
            return fail("option " + a + " needs a value");
        } else if (a == "--source") {
            if (v == "virtual") {
                o.source = CliOptions::Source::Virtual;
            } else if (v == "usb") {
                o.source = CliOptions::Source::Usb;
            } else if (!v.empty()) {
                o.source = CliOptions::Source::File;
                o.sourceFile = v;
            } else {
                return fail("--source needs virtual, usb or a WAV file");
            }
        } else if (a == "--scenario") {
            o.scenario = v;
        } else if (a == "--seed") {
            if (!ToLong(v, n) || n < 0)
                return fail("--seed needs a whole number >= 0, not '" + v + "'");
            o.seed = static_cast<unsigned long long>(n);
        } else if (a == "--tune" || a == "--center") {
            if (!ToLong(v, n) || n < 0 || n > 40000000)
                return fail(a + " needs a frequency in Hz from 0 to 40000000, not '" + v + "'");
            (a == "--tune" ? o.tuneHz : o.centerHz) = n;
        } else if (a == "--rate") {
            if (v != "125" && v != "250" && v != "500") return fail("--rate needs 125, 250 or 500");
            o.rateKHz = std::atoi(v.c_str());
        } else if (a == "--mode") {
            int m = -1;
            for (int k = 0; k < 9; ++k)
                if (v == ModeName(k)) m = k;
            if (m < 0) return fail("--mode needs one of AM SAM CW RTTY USB LSB FM DRM USER");
            o.mode = m;
        } else if (a == "--filter") {
            if (!ToLong(v, n) || n < 0 || n > 5) return fail("--filter needs 0 to 5");
            o.filter = static_cast<int>(n);
        } else if (a == "--agc") {
            const std::map<std::string, int> agc = {
                {"fast", 0}, {"med", 1}, {"slow", 2}, {"off", 3}};
            const auto it = agc.find(v);
            if (it == agc.end()) return fail("--agc needs fast, med, slow or off");
            o.agc = it->second;
        } else if (a == "--nb") {
            if (!ToLong(v, n) || n < -200 || n > -50)
                return fail("--nb needs a value from -200 to -50");
            o.nbValue = static_cast<int>(n);
        } else if (a == "--nr") {
            if (!ToLong(v, n) || n < 0 || n > 200) return fail("--nr needs a value from 0 to 200");
            o.nrValue = static_cast<int>(n);
        } else if (a == "--volume") {
            if (!ToDouble(v, d) || d < -40 || d > 0) return fail("--volume needs dB from -40 to 0");
            o.volumeDb = d;
        } else if (a == "--attenuator") {
            if (v != "0" && v != "10" && v != "20" && v != "30")
                return fail("--attenuator needs 0, 10, 20 or 30");
            o.attenuatorIdx = std::atoi(v.c_str()) / 10;
        } else if (a == "--preamp" || a == "--dither" || a == "--preselector") {
            if (!OnOff(v, b)) return fail(a + " needs on or off");
            (a == "--preamp" ? o.preamp : a == "--dither" ? o.dither : o.preselector) = b;
        } else if (a == "--seconds") {
            if (!ToDouble(v, d) || d <= 0 || d > 1e7)
                return fail("--seconds needs a positive number");
            o.seconds = d;
        } else if (a == "--audio-out") {
            o.audioOut = v;
        } else if (a == "--audio-device") {
            o.audioDevice = v;
        } else if (a == "--record") {
            o.record = v;
        } else if (a == "--synthesize") {
            o.synthesize = v;
        } else if (a == "--waterfall") {
            o.waterfall = v;
        } else if (a == "--spectrum") {
            o.spectrum = v;
        } else if (a == "--rigctl") {
            std::string why;
            o.rigctl = ParseRigctlOption(v, why);
            if (!o.rigctl) return fail(why);
        } else if (a == "--list") {
            if (v == "hfcc")
                o.list = 0;
            else if (v == "eibi")
                o.list = 1;
            else if (v == "user")
                o.list = 2;
            else
                return fail("--list needs hfcc, eibi or user");
        } else {
            return fail("unknown option " + a);
        }
    }
    if (o.source == CliOptions::Source::File) {
        if (o.centerHz)
            return fail("--center cannot be given for a file: its centre comes from its header");
        if (o.rateKHz) return fail("--rate cannot be given for a file: it plays at its own rate");
        if (!o.synthesize.empty()) return fail("--synthesize writes the virtual band, not a file");
        if (!o.record.empty())
            return fail("--record records the receiver, not a file that is played");
    }
    if (o.rigctl && o.rigctl->port != 0 &&
        (o.source == CliOptions::Source::File || !o.record.empty() || !o.synthesize.empty() ||
         !o.waterfall.empty() || !o.spectrum.empty() || o.smeter))
        return fail(
            "--rigctl runs a station on the receiver: no --source FILE, --record, --synthesize, "
            "--waterfall, --spectrum or --smeter with it");
    if (!o.audioOut.empty() && o.audioDevice)
        return fail("--audio-out and --audio-device exclude each other");
    r.ok = true;
    return r;
}

}  // namespace velorix
