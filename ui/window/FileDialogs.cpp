#include "FileDialogs.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <cstdlib>
#include <sstream>

namespace velorix {
namespace {

const char* const kFilter = "Wav Files (*.wav)";
// Other programs' recordings are imported before they play.
const char* const kOpenFilters =
    "Wav Files (*.wav);;SigMF (*.sigmf-meta);;GQRX (*_fc.raw);;All files (*)";

std::optional<std::string> Chosen(const QString& path) {
    if (path.isEmpty()) return std::nullopt;
    return path.toStdString();
}

}  // namespace

std::optional<std::string> QtFileDialogs::OpenWav(QWidget* parent) {
    return Chosen(QFileDialog::getOpenFileName(parent, "Open", QString(), kOpenFilters));
}

std::optional<std::string> QtFileDialogs::SaveWav(QWidget* parent) {
    // The recording's series is checked by the window, which knows its first file.
    return Chosen(QFileDialog::getSaveFileName(parent, "Save As", QString(), kFilter, nullptr,
                                               QFileDialog::DontConfirmOverwrite));
}

bool QtFileDialogs::ConfirmOverwrite(QWidget* parent, const std::string& path) {
    const QString name = QFileInfo(QString::fromStdString(path)).fileName();
    const QString text = name + " already exists.\nDo you want to replace it?";
    return QMessageBox::warning(parent, "Confirm Save As", text, QMessageBox::Yes | QMessageBox::No,
                                QMessageBox::No) == QMessageBox::Yes;
}

std::unique_ptr<FileDialogs> ListedFileDialogs::FromEnvironment() {
    const char* list = std::getenv("VELORIX_FILE_ANSWERS");
    if (list == nullptr) return nullptr;
    std::deque<std::string> paths;
    std::istringstream lines(list);
    for (std::string line; std::getline(lines, line);)
        paths.push_back(line);
    return std::make_unique<ListedFileDialogs>(std::move(paths));
}

std::optional<std::string> ListedFileDialogs::Next() {
    if (paths_.empty()) return std::nullopt;
    std::string path = std::move(paths_.front());
    paths_.pop_front();
    if (path.empty()) return std::nullopt;  // an empty line: Cancel
    return path;
}

}  // namespace velorix
