#pragma once

#include <QGuiApplication>
#include <atomic>
#include <cstdio>
#include <memory>
#include <string>

#include "CliOptions.h"
#include "DisplayState.h"
#include "DspThread.h"
#include "PngOutput.h"
#include "SpectrumTap.h"

namespace velorix {

// The run's main display and the pictures taken of it at the end: the
// waterfall and the last spectrum. Their files are opened before the
// receiver starts, so a name that cannot take one stops the run early.
class RunPictures {
public:
    explicit RunPictures(const CliOptions& options);

    // Opens the files asked for; false (told on `err`) when one cannot be.
    bool Open(std::FILE* err);
    // The consumer behind the main display thread.
    CDspConsumer& Display() { return display_; }
    // The thread that feeds the display, whose skip limit holds the pace.
    void SetThread(CDspThread* thread) { thread_.store(thread); }
    // The controller's state of the main display.
    void Show(const DisplayState& state);
    // Writes the pictures after the stream ended, the spectrum redrawn with
    // the state it ended at; false (told on `err`) when one is not written.
    bool Write(const DisplayState& state, std::FILE* err);

private:
    bool WriteOne(PngOutput& png, const char* what, bool computed, const QImage& image,
                  std::FILE* err);

    bool waterfall_, spectrum_;
    PngOutput waterfallPng_, spectrumPng_;
    std::atomic<CDspThread*> thread_{nullptr};
    // The spectrum names the stations on the air: their text needs Qt's
    // fonts, which come with a (screenless) GUI application.
    std::unique_ptr<QGuiApplication> fonts_;
    SpectrumTap display_;
};

}  // namespace velorix
