#pragma once

#include <QImage>
#include <string>

#include "CheckedFile.h"

namespace velorix {

// A picture the run writes at its end, its file opened at the start: a name
// that cannot take one (a FIFO, a device, a directory, a missing folder) is
// refused before the receiver starts, and Qt, which would open the name
// itself and wait on a FIFO, only ever gets the opened file. A picture that
// is never written does not stay behind as an empty file.
class PngOutput {
public:
    // `what` names the picture in messages ("waterfall"); an empty `path`
    // asks for none.
    PngOutput(std::string path, const char* what) : path_(std::move(path)), what_(what) {}
    ~PngOutput();
    PngOutput(const PngOutput&) = delete;
    PngOutput& operator=(const PngOutput&) = delete;

    // True when a picture is asked for and its file is open, or none is asked
    // for; otherwise false with "cannot write the <what> to PATH: why".
    bool Open(std::string& why);
    // Writes the image as PNG into the open file; false with the reason.
    bool Write(const QImage& image, std::string& why);

private:
    std::string Failed(const std::string& reason) const;

    std::string path_;
    const char* what_;
    files::FileHandle file_;
    bool written_ = false;
};

}  // namespace velorix
