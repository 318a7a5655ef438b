#include "SettingsStore.h"

#include <QSettings>
#include <QString>
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "SettingsKeys.h"

namespace velorix {

namespace {

constexpr const char* kOrganisation = "Tessaline s.r.l.";
constexpr const char* kApplication = "velorix";
constexpr const char* kGroup = "Beta 0.31";

std::unique_ptr<QSettings> OpenStore() {
    if (const char* dir = std::getenv("VELORIX_CONFIG_DIR"); dir != nullptr && *dir != '\0') {
        // Same file layout as the user scope, rooted in the given directory.
        const QString path =
            QString::fromLocal8Bit(dir) + "/" + kOrganisation + "/" + kApplication + ".conf";
        return std::make_unique<QSettings>(path, QSettings::IniFormat);
    }
    return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, kOrganisation,
                                       kApplication);
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

}  // namespace

void SettingsStore::Load(SettingsRecord& record) {
    auto store = OpenStore();
    store->beginGroup(kGroup);
    ForEachSettingsKey(record, [&](const SettingsKey& k) {
        const QVariant v = store->value(QString::fromStdString(k.name));
        if (!v.isValid() || !ReadInt(v, *k.value)) *k.value = k.defaultValue;
    });
    store->endGroup();
    record.Clamp();
}

bool SettingsStore::Save(SettingsRecord& record) {
    auto store = OpenStore();
    store->beginGroup(kGroup);
    ForEachSettingsKey(record, [&](const SettingsKey& k) {
        if (k.saved) store->setValue(QString::fromStdString(k.name), *k.value);
    });
    store->endGroup();
    store->sync();
    return store->status() == QSettings::NoError;
}

std::string SettingsStore::FilePath() {
    return OpenStore()->fileName().toStdString();
}

}  // namespace velorix
