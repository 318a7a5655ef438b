#include "SettingsStore.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QSettings>
#include <QStandardPaths>
#include <QString>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>

#include "CheckedFile.h"
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

// Why a save to `path` could not be made, or empty. QSettings writes a
// temporary file and a lock file beside the store and renames the first over
// it, creating the folders it lacks. Root passes every permission check, so
// for root only what stands at a name can refuse.
std::string WhyUnwritable(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        if (!S_ISREG(st.st_mode)) return "it is not a regular file";
        if (::access(path.c_str(), R_OK | W_OK) != 0) return std::strerror(errno);
    }
    // The nearest folder that exists takes the new files.
    std::filesystem::path dir = std::filesystem::path(path).parent_path();
    while (::stat(dir.c_str(), &st) != 0) {
        if ((errno != ENOENT && errno != ENOTDIR) || dir == dir.parent_path())
            return dir.string() + ": " + std::strerror(errno);
        dir = dir.parent_path();
    }
    if (!S_ISDIR(st.st_mode)) return dir.string() + " is a file, not a folder";
    if (::access(dir.c_str(), W_OK | X_OK) != 0) return dir.string() + ": " + std::strerror(errno);
    return {};
}

// The next save rewrites a store with a format error without the lines that
// did not parse: the file as it was is kept beside it first. Returns the
// note that tells it.
std::string KeepDamagedStore(const std::string& path) {
    const std::string copy = path + ".bad";
    files::FileProblem problem;
    std::string why;
    if (const auto bytes = files::ReadInput(path, files::kSettingsLimit, &problem)) {
        if (std::FILE* out = files::OpenOutputStream(copy, {}, &problem)) {
            if (std::fwrite(bytes->data(), 1, bytes->size(), out) != bytes->size())
                why = std::strerror(errno);
            if (std::fclose(out) != 0 && why.empty()) why = std::strerror(errno);
        } else {
            why = problem.Reason();
        }
    } else {
        why = problem.Reason();
    }
    const std::string head = path + " has a format error: the settings that could be read are used";
    if (why.empty()) return head + ", and the file as it was is kept as " + copy;
    return head + "; the file as it was could not be kept as " + copy + " (" + why + ")";
}

}  // namespace

std::vector<std::string> SettingsStore::Load(SettingsRecord& record) {
    const std::string path = FilePath();
    std::vector<std::string> notes;
    if (const std::string why = WhyUnwritable(path); !why.empty())
        notes.push_back(path + " cannot be written (" + why + "): the settings will not be kept");
    if (const std::string why = FileProblem(); !why.empty()) {
        record.ResetToDefaults();
        notes.insert(notes.begin(), why + ": the defaults are used");
        return notes;
    }
    auto store = OpenStore();
    store->beginGroup(kGroup);
    ForEachSettingsKey(record, [&](const SettingsKey& k) {
        const QVariant v = store->value(QString::fromStdString(k.name));
        if (!v.isValid() || !ReadInt(v, *k.value)) *k.value = k.defaultValue;
    });
    const QVariant host = store->value(kRigctlHostKey);
    record.RigctlHost =
        host.isValid() ? host.toString().toStdString() : SettingsRecord::kDefaultRigctlHost;
    if (!IsIpAddress(record.RigctlHost)) {
        notes.push_back("stored settings: the rigctl host '" + record.RigctlHost.substr(0, 64) +
                        "' is no IP address: " + SettingsRecord::kDefaultRigctlHost + " is used");
        record.RigctlHost = SettingsRecord::kDefaultRigctlHost;
    }
    store->endGroup();
    if (store->status() == QSettings::FormatError) notes.push_back(KeepDamagedStore(path));
    record.Clamp();
    for (const std::string& change : record.MendCombination())
        notes.push_back("stored settings: " + change);
    return notes;
}

bool SettingsStore::Save(SettingsRecord& record) {
    const std::string path = FilePath();
    if (!FileProblem().empty()) return false;
    struct stat before {};
    if (::stat(path.c_str(), &before) != 0) before = {};  // no file yet
    auto store = OpenStore();
    store->beginGroup(kGroup);
    ForEachSettingsKey(record, [&](const SettingsKey& k) {
        if (k.saved) store->setValue(QString::fromStdString(k.name), *k.value);
    });
    store->setValue(kRigctlHostKey, QString::fromStdString(record.RigctlHost));
    store->endGroup();
    store->sync();
    const QSettings::Status status = store->status();
    store.reset();
    // QSettings writes a temporary file and renames it over the old one. Its
    // status keeps the first error it met, so a format error of the read
    // hides how the write went; the write then shows in a new file in the
    // store's place. A write it could not make may also leave no file at all
    // (a folder it could not create).
    struct stat after {};
    if (::stat(path.c_str(), &after) != 0 || !S_ISREG(after.st_mode)) return false;
    if (status == QSettings::FormatError)
        return after.st_ino != before.st_ino || after.st_dev != before.st_dev;
    return status == QSettings::NoError;
}

std::string SettingsStore::FilePath() {
    return StorePath();
}

std::string SettingsStore::FileProblem() {
    // QSettings opens the file itself and waits: a FIFO would hold it for
    // ever, a device would feed it without end.
    const std::string path = StorePath();
    files::FileProblem problem;
    if (files::OpenInput(path, files::kSettingsLimit, &problem) || problem.Missing()) return {};
    return problem.Describe(path);
}

}  // namespace velorix
