#pragma once

#include <deque>
#include <memory>
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

// Answers every file question from a list instead of a dialog, for runs no
// one watches: each OpenWav or SaveWav takes the next path (Cancel once none
// is left), and an existing recording may always be overwritten.
class ListedFileDialogs : public FileDialogs {
public:
    explicit ListedFileDialogs(std::deque<std::string> paths) : paths_(std::move(paths)) {}
    // From VELORIX_FILE_ANSWERS, one path a line; null when it is not set.
    static std::unique_ptr<FileDialogs> FromEnvironment();

    std::optional<std::string> OpenWav(QWidget*) override { return Next(); }
    std::optional<std::string> SaveWav(QWidget*) override { return Next(); }
    bool ConfirmOverwrite(QWidget*, const std::string&) override { return true; }

private:
    std::optional<std::string> Next();
    std::deque<std::string> paths_;
};

}  // namespace velorix
