#include <gtest/gtest.h>

#include <QSettings>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "ChildProcess.h"
#include "SettingsKeys.h"
#include "SettingsStore.h"
#include "TempDir.h"

namespace velorix {
namespace {

namespace fs = std::filesystem;

// Points the store at a fresh private directory for each test.
class SettingsStoreTest : public ::testing::Test {
protected:
    void SetUp() override { setenv("VELORIX_CONFIG_DIR", dir_.c_str(), 1); }
    void TearDown() override { unsetenv("VELORIX_CONFIG_DIR"); }
    // Writes raw values into the store as another program might have.
    void Store(const std::string& key, const QVariant& value) {
        QSettings s(QString::fromStdString(SettingsStore::FilePath()), QSettings::IniFormat);
        s.beginGroup("Beta 0.31");
        s.setValue(QString::fromStdString(key), value);
    }
    static std::string ReadText(const fs::path& path) {
        std::ifstream in(path);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }
    test::TempDir directory_{"settings"};
    fs::path dir_ = directory_.path();
};

TEST_F(SettingsStoreTest, FreshStoreGivesTheDefaults) {
    SettingsRecord r;
    r.CenterFreq = 1;  // must be overwritten by the default
    SettingsStore::Load(r);
    EXPECT_EQ(r.CenterFreq, 14150000);
    EXPECT_EQ(r.DdcSamplingRateIdx, 0);
    EXPECT_DOUBLE_EQ(r.outputRateKHz, 125.0);
    EXPECT_EQ(r.DemIdx, 4);
    EXPECT_EQ(r.AdcDither, 1);
    EXPECT_EQ(r.AdcPreamp, 0);
    EXPECT_DOUBLE_EQ(r.levelOffsetDb, -4.0);
    EXPECT_EQ(r.Preselector, 1);
    EXPECT_EQ(r.AttenuatorIdx, 0);
    EXPECT_EQ(r.VolVal, -100);  // -10 dB
    EXPECT_EQ(r.NBVal, -130);   // 13 dB threshold
    EXPECT_EQ(r.AdcSamplingRate, 80000000);
    EXPECT_EQ(r.DemBwIdx[2], 4);
    EXPECT_EQ(r.DemAgcIdx[6], 0);
    EXPECT_EQ(r.DemWhStepIdx[6], 7);
    EXPECT_EQ(r.FltBw[4][3], 2400);
    EXPECT_EQ(r.FltBw[8][0], 24000);
    EXPECT_EQ(r.FltFc[3][5], 0);
}

TEST_F(SettingsStoreTest, SaveThenLoadRoundTripsEveryKey) {
    SettingsRecord a;
    int n = 0;
    // A distinct in-range value for every saved key.
    ForEachSettingsKey(a, [&](const SettingsKey& k) {
        if (k.saved) *k.value = k.minValue + (n++ % (k.maxValue - k.minValue + 1));
    });
    a.AdcPreamp = 1;
    a.FreqOffset = -1234;  // a combination Load keeps (see the mending test)
    ASSERT_TRUE(SettingsStore::Save(a));
    SettingsRecord b;
    SettingsStore::Load(b);
    ForEachSettingsKey(a, [&](const SettingsKey& k) {
        int bv = 0;
        ForEachSettingsKey(b, [&](const SettingsKey& kb) {
            if (kb.name == k.name) bv = *kb.value;
        });
        if (k.saved) {
            EXPECT_EQ(bv, *k.value) << k.name;
        }
    });
    EXPECT_DOUBLE_EQ(b.levelOffsetDb, -7.5);
}

TEST_F(SettingsStoreTest, MainFftIndexIsReadButNeverWritten) {
    Store("MainFFTIdx", 2);
    SettingsRecord r;
    SettingsStore::Load(r);
    EXPECT_EQ(r.MainFFTIdx, 2);
    r.MainFFTIdx = 4;
    ASSERT_TRUE(SettingsStore::Save(r));
    SettingsRecord again;
    SettingsStore::Load(again);
    EXPECT_EQ(again.MainFFTIdx, 2);

    fs::remove(SettingsStore::FilePath());
    ASSERT_TRUE(SettingsStore::Save(r));
    const std::string text = ReadText(SettingsStore::FilePath());
    EXPECT_EQ(text.find("MainFFTIdx"), std::string::npos);
    EXPECT_NE(text.find("FltBw43=2400"), std::string::npos);
    EXPECT_NE(text.find("DemBwIdx2=4"), std::string::npos);
    EXPECT_NE(text.find("[Beta%200.31]"), std::string::npos);
}

TEST_F(SettingsStoreTest, KeysAreVisitedInStoreOrder) {
    SettingsRecord r;
    // The store reads and writes in the order of this visit.
    std::vector<std::string> names;
    ForEachSettingsKey(r, [&](const SettingsKey& k) { names.push_back(k.name); });
    ASSERT_EQ(names.size(), 160u);
    EXPECT_EQ(names[0], "AdcSamplingRate");
    EXPECT_EQ(names[2], "MainFFTIdx");
    EXPECT_EQ(names[13], "FltBw00");
    EXPECT_EQ(names[13 + 53], "FltBw85");
    EXPECT_EQ(names[13 + 54], "FltFc00");
    EXPECT_EQ(names[121], "DemIdx");
    EXPECT_EQ(names[122], "DemBwIdx0");
    EXPECT_EQ(names[131], "DemWhStepIdx0");
    EXPECT_EQ(names[140], "DemAgcIdx0");
    EXPECT_EQ(names[157], "VolVal");
    EXPECT_EQ(names[158], "RigctlPort");
    EXPECT_EQ(names.back(), "StationNames");
    EXPECT_EQ(std::set<std::string>(names.begin(), names.end()).size(), names.size());
}

TEST_F(SettingsStoreTest, OutOfRangeValuesAreClampedSoNoTableOverflows) {
    Store("DdcSamplingRateIdx", 7);
    Store("DemIdx", -1);
    Store("MainFFTIdx", 99);
    Store("AttenuatorIdx", 4);
    Store("DemBwIdx3", 6);
    Store("DemAgcIdx0", -5);
    Store("VolVal", 100);
    SettingsRecord r;
    SettingsStore::Load(r);
    EXPECT_EQ(r.DdcSamplingRateIdx, 2);
    EXPECT_DOUBLE_EQ(r.outputRateKHz, 500.0);
    EXPECT_EQ(r.DemIdx, 0);
    EXPECT_EQ(r.MainFFTIdx, 6);
    EXPECT_EQ(r.AttenuatorIdx, 3);
    EXPECT_EQ(r.DemBwIdx[3], 5);
    EXPECT_EQ(r.DemAgcIdx[0], 0);
    EXPECT_EQ(r.VolVal, 0);
}

TEST_F(SettingsStoreTest, EveryKeyIsSafeOneStepOutsideItsRange) {
    SettingsRecord probe;
    std::vector<SettingsKey> keys;
    ForEachSettingsKey(probe, [&](const SettingsKey& k) { keys.push_back(k); });
    for (bool below : {true, false}) {
        for (const auto& k : keys) {
            const long long v = below ? (long long)k.minValue - 1 : (long long)k.maxValue + 1;
            if (v < INT32_MIN || v > INT32_MAX) continue;
            Store(k.name, static_cast<int>(v));
        }
        SettingsRecord r;
        SettingsStore::Load(r);
        ForEachSettingsKey(r, [&](const SettingsKey& k) {
            EXPECT_GE(*k.value, k.minValue) << k.name;
            EXPECT_LE(*k.value, k.maxValue) << k.name;
        });
    }
}

TEST_F(SettingsStoreTest, UnreadableValuesFallBackAndTwosComplementIsAccepted) {
    Store("CenterFreq", "seven");
    Store("NBVal", QVariant(qlonglong(4294967166LL)));  // -130 as an unsigned word
    Store("RefLevel", QVariant(qlonglong(1LL << 40)));
    SettingsRecord r;
    SettingsStore::Load(r);
    EXPECT_EQ(r.CenterFreq, 14150000);
    EXPECT_EQ(r.NBVal, -130);
    EXPECT_EQ(r.RefLevel, 0);
}

// The one text among the integers (RigctlPort round-trips with them).
TEST_F(SettingsStoreTest, TheRigctlHostIsAnAddressOrTheDefaultWithANote) {
    SettingsRecord r;
    r.RigctlHost = "::1";
    ASSERT_TRUE(SettingsStore::Save(r));
    EXPECT_TRUE(SettingsStore::Load(r).empty());
    EXPECT_EQ(r.RigctlHost, "::1");
    for (const QVariant& bad : {QVariant("radio.local"), QVariant(7), QVariant("")}) {
        Store("RigctlHost", bad);
        EXPECT_EQ(SettingsStore::Load(r),
                  std::vector<std::string>{"stored settings: the rigctl host '" +
                                           bad.toString().toStdString() +
                                           "' is no IP address: 127.0.0.1 is used"});
        EXPECT_EQ(r.RigctlHost, "127.0.0.1");
    }
}

TEST_F(SettingsStoreTest, ChangedFrequencyComesBackNextStart) {
    SettingsRecord r;
    SettingsStore::Load(r);
    r.CenterFreq = 7100000;
    ASSERT_TRUE(SettingsStore::Save(r));
    SettingsRecord next;
    SettingsStore::Load(next);
    EXPECT_EQ(next.CenterFreq, 7100000);
    EXPECT_NE(SettingsStore::FilePath().find(dir_.string()), std::string::npos);
}

TEST_F(SettingsStoreTest, KeysThatCannotWorkTogetherAreMendedAndTold) {
    struct Case {
        int rateIdx, centreHz, offsetHz;
        int mendedOffsetHz;
        std::vector<std::string> notes;
    } cases[] = {
        {0,
         14150000,
         200000,
         50000,
         {"stored settings: the tuning offset 200000 Hz lies beyond the 50000 Hz the 125 kHz "
          "rate allows: set to 50000 Hz"}},
        {2,
         14150000,
         -250000,
         -200000,
         {"stored settings: the tuning offset -250000 Hz lies beyond the 200000 Hz the 500 kHz "
          "rate allows: set to -200000 Hz"}},
        {0,
         0,
         40000,
         0,
         {"stored settings: the tuned frequency -40000 Hz lies below 0: tuned to 0 Hz"}},
        {1, 7100000, 100000, 100000, {}},  // at the 250 kHz rate's limit: kept
    };
    for (const Case& c : cases) {
        Store("DdcSamplingRateIdx", c.rateIdx);
        Store("CenterFreq", c.centreHz);
        Store("FreqOffset", c.offsetHz);
        SettingsRecord r;
        EXPECT_EQ(SettingsStore::Load(r), c.notes) << c.offsetHz;
        EXPECT_EQ(r.FreqOffset, c.mendedOffsetHz);
        EXPECT_GE(r.TunedHz(), 0);
    }
}

TEST_F(SettingsStoreTest, AStoreThatCannotBeWrittenIsToldAtLoadAndItsSaveFails) {
    const std::string file = SettingsStore::FilePath(), plain = (dir_ / "plain").string();
    const std::string unkept = ": the settings will not be kept";
    fs::create_directories(file);   // a directory where the file belongs
    std::ofstream(plain).put('x');  // a configuration folder that is a regular file
    const std::pair<std::string, std::vector<std::string>> cases[] = {
        {dir_.string(),
         {file + ": a directory, not a file: the defaults are used",
          file + " cannot be written (it is not a regular file)" + unkept}},
        {plain,
         {plain + "/Tessaline s.r.l./velorix.conf cannot be written (" + plain +
          " is a file, not a folder)" + unkept}},
    };
    for (const auto& [root, notes] : cases) {
        setenv("VELORIX_CONFIG_DIR", root.c_str(), 1);
        SettingsRecord r;
        r.CenterFreq = 7100000;
        EXPECT_EQ(SettingsStore::Load(r), notes);
        EXPECT_EQ(r.CenterFreq, 14150000);
        EXPECT_FALSE(SettingsStore::Save(r));
    }
}

// A file its user may read but not write: read, told, and its save fails. Root
// writes through permission bits, so as root the check runs again as nobody.
TEST_F(SettingsStoreTest, AFileItsUserCannotWriteIsReadToldAndNotSaved) {
    if (const char* asNobody = std::getenv("VELORIX_STORE_AS_NOBODY")) {
        setenv("VELORIX_CONFIG_DIR", asNobody, 1);
    } else {
        Store("CenterFreq", 7100000);
        const fs::path file = SettingsStore::FilePath();
        fs::permissions(file.parent_path(), fs::perms::all);  // only the file refuses
        fs::permissions(file,
                        fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
        if (::geteuid() == 0) {
            // The scratch folder is its owner's alone until opened to the others.
            fs::permissions(dir_, fs::perms::others_read | fs::perms::others_exec,
                            fs::perm_options::add);
            setenv("VELORIX_STORE_AS_NOBODY", dir_.c_str(), 1);
            const std::string self = fs::read_symlink("/proc/self/exe");
            test::ChildProcess child(
                {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", self,
                 "--gtest_filter=SettingsStoreTest."
                 "AFileItsUserCannotWriteIsReadToldAndNotSaved"},
                (dir_ / "nobody.log").string());
            unsetenv("VELORIX_STORE_AS_NOBODY");
            child.Wait();
            const std::string log = ReadText(dir_ / "nobody.log");
            EXPECT_NE(log.find("[  PASSED  ] 1 test."), std::string::npos) << log;
            return;
        }
    }
    const std::string before = ReadText(SettingsStore::FilePath());
    SettingsRecord r;
    EXPECT_EQ(SettingsStore::Load(r),
              (std::vector<std::string>{SettingsStore::FilePath() +
                                        " cannot be written (Permission denied): the settings "
                                        "will not be kept"}));
    EXPECT_EQ(r.CenterFreq, 7100000);
    r.CenterFreq = 9000000;
    EXPECT_FALSE(SettingsStore::Save(r));
    EXPECT_EQ(ReadText(SettingsStore::FilePath()), before);
}

// A store with a format error keeps what parses; the file as it was is copied
// aside once, and the save that rewrites it whole is reported as saved.
TEST_F(SettingsStoreTest, AStoreWithAFormatErrorIsCopiedAsideAndSavedWhole) {
    const std::string file = SettingsStore::FilePath();
    const std::string damaged = "[Beta%200.31]\nCenterFreq=7100000\n[x\nM\n";
    fs::create_directories(fs::path(file).parent_path());
    std::ofstream(file) << damaged;
    SettingsRecord r;
    EXPECT_EQ(SettingsStore::Load(r),
              (std::vector<std::string>{file +
                                        " has a format error: the settings that could be read "
                                        "are used, and the file as it was is kept as " +
                                        file + ".bad"}));
    EXPECT_EQ(r.CenterFreq, 7100000);
    EXPECT_EQ(ReadText(file + ".bad"), damaged);
    r.VolVal = -50;
    EXPECT_TRUE(SettingsStore::Save(r));
    SettingsRecord again;
    EXPECT_TRUE(SettingsStore::Load(again).empty());
    EXPECT_EQ(again.CenterFreq, 7100000);
    EXPECT_EQ(again.VolVal, -50);
    EXPECT_EQ(ReadText(file + ".bad"), damaged);
}

}  // namespace
}  // namespace velorix
