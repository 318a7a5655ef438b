#include "SettingsStore.h"

#include <sys/stat.h>

#include <QSettings>
#include <QStandardPaths>
#include <QString>
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "RigctlEndpoint.h"
#include "SettingsKeys.h"

namespace velorix {

namespace {

constexpr const char* kOrganisation = "Tessaline s.r.l.";
constexpr const char* kApplication = "velorix";
constexpr const char* kGroup = "Beta 0.31";

// The store's file: the user scope's INI layout (the configuration
// directory, then organisation/application.conf), rooted in
// VELORIX_CONFIG_DIR when it is set. Worked out without QSettings, which
// reads the file as soon as it is made.
std::string StorePath() {
    std::string root;
    if (const char* dir = std::getenv("VELORIX_CONFIG_DIR"); dir != nullptr && *dir != '\0') {
        root = dir;
    } else {
        root = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
                   .toLocal8Bit()
                   .toStdString();
    }
    return root + "/" + kOrganisation + "/" + kApplication + ".conf";
}

std::unique_ptr<QSettings> OpenStore() {
    return std::make_unique<QSettings>(QString::fromLocal8Bit(StorePath().c_str()),
                                       QSettings::IniFormat);
}

// A stored value may be written as a signed integer or, by other tools, as
// its 32-bit two's-complement; anything else is unreadable.
bool ReadInt(const QVariant& v, int& out) {
    bool ok = false;
    const qlonglong wide = v.toLongLong(&ok);
    if (!ok || wide < INT32_MIN || wide > UINT32_MAX) return false;
    out = static_cast<int>(static_cast<std::int32_t>(static_cast<std::uint32_t>(wide)));
    return true;
}

constexpr const char* kRigctlHostKey = "RigctlHost";

// Most bytes a settings file may hold (a full one has under 10 kB).
constexpr off_t kMaxStoreBytes = 1 << 20;

// Why the file at `path` cannot be read as the store, or empty when it can
// (a missing file can: it gives the defaults). A FIFO would hold QSettings
// forever, a device would feed it without end.
std::string Unusable(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return {};
    if (!S_ISREG(st.st_mode)) return path + " is not a settings file (a directory, device or pipe)";
    if (st.st_size > kMaxStoreBytes) return path + " is too large for a settings file (over 1 MB)";
    return {};
}

}  // namespace

std::vector<std::string> SettingsStore::Load(SettingsRecord& record) {
    const std::string path = FilePath();
    if (const std::string why = Unusable(path); !why.empty()) {
        record.ResetToDefaults();
        return {why + ": the defaults are used"};
    }
    auto store = OpenStore();
    store->beginGroup(kGroup);
    ForEachSettingsKey(record, [&](const SettingsKey& k) {
        const QVariant v = store->value(QString::fromStdString(k.name));
        if (!v.isValid() || !ReadInt(v, *k.value)) *k.value = k.defaultValue;
    });
    std::vector<std::string> notes;
    const QVariant host = store->value(kRigctlHostKey);
    record.RigctlHost =
        host.isValid() ? host.toString().toStdString() : SettingsRecord::kDefaultRigctlHost;
    if (!IsIpAddress(record.RigctlHost)) {
        notes.push_back("stored settings: the rigctl host '" + record.RigctlHost.substr(0, 64) +
                        "' is no IP address: " + SettingsRecord::kDefaultRigctlHost + " is used");
        record.RigctlHost = SettingsRecord::kDefaultRigctlHost;
    }
    store->endGroup();
    record.Clamp();
    for (const std::string& change : record.MendCombination())
        notes.push_back("stored settings: " + change);
    return notes;
}

bool SettingsStore::Save(SettingsRecord& record) {
    const std::string path = FilePath();
    if (!Unusable(path).empty()) return false;
    auto store = OpenStore();
    store->beginGroup(kGroup);
    ForEachSettingsKey(record, [&](const SettingsKey& k) {
        if (k.saved) store->setValue(QString::fromStdString(k.name), *k.value);
    });
    store->setValue(kRigctlHostKey, QString::fromStdString(record.RigctlHost));
    store->endGroup();
    // QSettings writes through a temporary file renamed over the old one; a
    // write it could not make shows in its status, or in a file that is not
    // there afterwards (a directory it could not create).
    store->sync();
    if (store->status() != QSettings::NoError) return false;
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string SettingsStore::FilePath() {
    return StorePath();
}

}  // namespace velorix
