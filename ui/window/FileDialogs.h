#pragma once

#include <optional>
#include <string>

class QWidget;

namespace velorix {

// The window's file questions: which recording to play, which name to record
// under, and whether an existing recording may be overwritten. Tests replace
// them; the program asks with Qt's dialogs.
class FileDialogs {
public:
    virtual ~FileDialogs() = default;
    virtual std::optional<std::string> OpenWav(QWidget* parent) = 0;
    virtual std::optional<std::string> SaveWav(QWidget* parent) = 0;
    // True when `path` may be overwritten.
    virtual bool ConfirmOverwrite(QWidget* parent, const std::string& path) = 0;
};

class QtFileDialogs : public FileDialogs {
public:
    std::optional<std::string> OpenWav(QWidget* parent) override;
    std::optional<std::string> SaveWav(QWidget* parent) override;
    bool ConfirmOverwrite(QWidget* parent, const std::string& path) override;
};

}  // namespace velorix
