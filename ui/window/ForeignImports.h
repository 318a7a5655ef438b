#pragma once

#include <optional>
#include <string>
#include <vector>

#include "Notifier.h"

class QWidget;

namespace velorix {

// Other programs' recordings as the window plays them: each imported into a
// folder of its own under $XDG_CACHE_HOME/velorix/ (never beside the file),
// after a free-space check, with progress and Cancel; the folders are
// deleted when another file is opened and at exit. GUI thread only.
class ForeignImports {
public:
    explicit ForeignImports(Notifier& notifier) : notifier_(notifier) {}
    ~ForeignImports() { DeleteAllBut({}); }
    ForeignImports(const ForeignImports&) = delete;
    ForeignImports& operator=(const ForeignImports&) = delete;

    // True for a file the file source cannot play as it is but an import
    // may: not a velorix recording, yet a regular file that can be read.
    static bool NeedsImport(const std::string& path);
    // Imports `path` under a progress dialog over `parent`: the first file
    // of the series, or nothing when it failed (the notifier has said why)
    // or was cancelled.
    std::optional<std::string> Import(const std::string& path, QWidget* parent);
    // Deletes every imported series but the one `keep` belongs to (empty:
    // every one).
    void DeleteAllBut(const std::string& keep);

private:
    Notifier& notifier_;
    std::vector<std::string> folders_;
};

}  // namespace velorix
