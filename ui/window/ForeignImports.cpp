#include "ForeignImports.h"

#include <stdlib.h>

#include <QCoreApplication>
#include <QFileInfo>
#include <QProgressDialog>
#include <QStandardPaths>
#include <filesystem>

#include "CheckedFile.h"
#include "RecordingImport.h"

namespace velorix {

namespace {

constexpr const char* kOpenError = "Open Error";
constexpr int kSteps = 1000;

}  // namespace

bool ForeignImports::NeedsImport(const std::string& path) {
    return !IsVelorixRecording(path) && files::OpenInput(path, files::kNoLimit).has_value();
}

std::optional<std::string> ForeignImports::Import(const std::string& path, QWidget* parent) {
    auto fail = [&](const std::string& why) -> std::optional<std::string> {
        notifier_.Notify(why, kOpenError, Notifier::Icon::Warning, Notifier::Buttons::Ok);
        return std::nullopt;
    };
    ImportPlan plan;
    ImportProblem problem;
    std::string why;
    if (!PlanImport({.input = path}, plan, problem, why)) return fail(why);
    const std::string cache =
        QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation).toStdString() +
        "/velorix";
    std::error_code error;
    std::filesystem::create_directories(cache, error);
    std::string folder = cache + "/import-XXXXXX";
    if (error || ::mkdtemp(folder.data()) == nullptr)
        return fail("Can't make a folder for the import in " + cache);
    folders_.push_back(folder);
    plan.request.outBase = folder + "/" + ImportBaseName(path);

    QProgressDialog progress(
        QString("Importing %1 …").arg(QFileInfo(QString::fromStdString(path)).fileName()), "Cancel",
        0, kSteps, parent);
    progress.setWindowTitle("Import");
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(0);
    progress.setValue(0);
    ImportResult result;
    const ImportStatus status = RunImport(
        plan,
        [&](double done) {
            progress.setValue(static_cast<int>(done * kSteps));
            QCoreApplication::processEvents();
            return !progress.wasCanceled();
        },
        result, why);
    if (status != ImportStatus::Done) {
        std::filesystem::remove_all(folder, error);
        folders_.pop_back();
        return status == ImportStatus::Failed ? fail(why) : std::nullopt;
    }
    std::string notes;
    for (const std::string& note : result.notes)
        notes += (notes.empty() ? "" : "\n") + note;
    if (!notes.empty())
        notifier_.Notify(notes, "Import", Notifier::Icon::Information, Notifier::Buttons::Ok);
    return result.files.front();
}

void ForeignImports::DeleteAllBut(const std::string& keep) {
    std::vector<std::string> kept;
    for (const std::string& folder : folders_) {
        if (!keep.empty() && keep.rfind(folder + "/", 0) == 0) {
            kept.push_back(folder);
            continue;
        }
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }
    folders_ = kept;
}

}  // namespace velorix
