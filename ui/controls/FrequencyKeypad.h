#pragma once

#include <QDialog>
#include <functional>
#include <map>

class QLineEdit;
class QPushButton;

namespace velorix {

// The frequency keypad: a small modeless dialog "Frequency (kHz)" with an
// edit field and a 3 x 4 grid of keys. "Ok" hands the number in kHz to the
// tuner; "Close" (and Escape) only hide the dialog.
class FrequencyKeypad : public QDialog {
    Q_OBJECT
public:
    // Key ids: "0" 3, "1" … "9" 4 … 12, "." 13, "<-" 14, "Close" 2, "Ok" 1;
    // the edit field is 1001.
    static constexpr int kOk = 1;
    static constexpr int kClose = 2;
    static constexpr int kPoint = 13;
    static constexpr int kBack = 14;

    // Tunes to a kHz value; false when the receiver refused it.
    using Tuner = std::function<bool(double kHz)>;

    explicit FrequencyKeypad(QWidget* parent);

    void SetTuner(Tuner tuner) { tuner_ = std::move(tuner); }
    QPushButton* Key(int id) const;
    QLineEdit* Field() const { return field_; }
    // The field's text as read back: at most 11 characters.
    QString Entry() const;

    void Press(int id);
    // Shows the keypad on top with the focus in its field; with `entry` the
    // field starts again with it.
    void Open(const QString& entry = {});

    void reject() override;  // Escape hides, like "Close"

private:
    void Append(QChar c);
    void Ok();

    QLineEdit* field_;
    std::map<int, QPushButton*> keys_;
    Tuner tuner_;
};

}  // namespace velorix
