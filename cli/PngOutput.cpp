#include "PngOutput.h"

#include <QFile>
#include <cstdio>

namespace velorix {

PngOutput::~PngOutput() {
    if (file_ && !written_) std::remove(path_.c_str());
}

std::string PngOutput::Failed(const std::string& reason) const {
    return std::string("cannot write the ") + what_ + " to " + path_ + ": " + reason;
}

bool PngOutput::Open(std::string& why) {
    if (path_.empty()) return true;
    files::FileProblem problem;
    auto out = files::OpenOutput(path_, {}, &problem);
    if (!out) {
        why = Failed(problem.Reason());
        return false;
    }
    file_ = std::move(out->handle);
    return true;
}

bool PngOutput::Write(const QImage& image, std::string& why) {
    QFile file;
    written_ =
        file.open(file_.Get(), QIODevice::WriteOnly) && image.save(&file, "PNG") && file.flush();
    if (!written_) why = Failed(file.errorString().toStdString());
    return written_;
}

}  // namespace velorix
