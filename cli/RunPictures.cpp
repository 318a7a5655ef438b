#include "RunPictures.h"

#include <memory>

namespace velorix {
namespace {

std::unique_ptr<QGuiApplication> FontsApplication() {
    if (QCoreApplication::instance() != nullptr) return nullptr;
    static int argc = 3;
    static char name[] = "velorix-cli", option[] = "-platform", platform[] = "offscreen";
    static char* argv[] = {name, option, platform, nullptr};
    return std::make_unique<QGuiApplication>(argc, argv);
}

}  // namespace

// At most the window's 30 frames a second; the display thread drops the
// blocks in between.
RunPictures::RunPictures(const CliOptions& o)
    : waterfall_(!o.waterfall.empty()),
      spectrum_(!o.spectrum.empty()),
      waterfallPng_(o.waterfall, "waterfall"),
      spectrumPng_(o.spectrum, "spectrum"),
      fonts_(spectrum_ ? FontsApplication() : nullptr),
      display_(waterfall_, 30.0, [this](int n) {
          if (CDspThread* t = thread_.load()) t->SetSkipLimit(n);
      }) {}

bool RunPictures::Open(std::FILE* err) {
    bool open = true;
    for (PngOutput* png : {&waterfallPng_, &spectrumPng_}) {
        if (std::string why; !png->Open(why)) {
            std::fprintf(err, "velorix-cli: %s\n", why.c_str());
            open = false;
        }
    }
    return open;
}

void RunPictures::Show(const DisplayState& state) {
    display_.Show(std::make_shared<const DisplayState>(state));
}

bool RunPictures::Write(const DisplayState& state, std::FILE* err) {
    bool written = true;
    if (waterfall_)
        written &=
            WriteOne(waterfallPng_, "waterfall", display_.WaterfallLines() != 0,
                     display_.WaterfallLines() != 0 ? display_.WaterfallImage() : QImage(), err);
    if (spectrum_) {
        const bool computed = display_.Spectra() != 0;
        if (computed) {
            // The last spectrum, redrawn with the tuned line and band where they ended.
            Show(state);
            display_.Render();
        }
        written &= WriteOne(spectrumPng_, "spectrum", computed,
                            computed ? display_.Frames().FrontCopy() : QImage(), err);
    }
    return written;
}

bool RunPictures::WriteOne(PngOutput& png, const char* what, bool computed, const QImage& image,
                           std::FILE* err) {
    if (!computed) {
        std::fprintf(err, "velorix-cli: no spectrum was computed, so there is no %s to write\n",
                     what);
        return false;
    }
    std::string why;
    if (png.Write(image, why)) return true;
    std::fprintf(err, "velorix-cli: %s\n", why.c_str());
    return false;
}

}  // namespace velorix
