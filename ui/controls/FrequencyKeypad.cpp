#include "FrequencyKeypad.h"

#include <QLineEdit>
#include <QPushButton>
#include <cctype>
#include <charconv>
#include <cmath>
#include <string>

#include "Beep.h"
#include "SkinStyle.h"

namespace velorix {

namespace {

// Dialog units of the 8-point dialog font in pixels (x and y).
QRect Units(int x, int y, int w, int h) {
    auto px = [](int u) { return (u * 3 + 1) / 2; };
    auto py = [](int u) { return (u * 13 + 4) / 8; };
    return QRect(px(x), py(y), px(w), py(h));
}

// Reads a leading decimal number the way a "%lf" scan does; false when the
// text does not start with one.
bool LeadingNumber(const std::string& text, double& value) {
    std::size_t at = 0;
    while (at < text.size() && std::isspace(static_cast<unsigned char>(text[at])))
        ++at;
    if (at < text.size() && text[at] == '+') ++at;
    const char* first = text.data() + at;
    const auto [end, error] = std::from_chars(first, text.data() + text.size(), value);
    return error == std::errc() && end != first && std::isfinite(value);
}

}  // namespace

FrequencyKeypad::FrequencyKeypad(QWidget* parent) : QDialog(parent), field_(new QLineEdit(this)) {
    setWindowTitle(QStringLiteral("Frequency (kHz)"));
    setModal(false);
    setFont(skin::KeypadFont());
    setFixedSize(Units(0, 0, 80, 113).size());
    field_->setObjectName(QStringLiteral("1001"));
    field_->setGeometry(Units(4, 4, 72, 12));

    struct KeyDef {
        int id;
        const char* text;
        QRect at;
    };
    std::vector<KeyDef> defs;
    const char* grid[4][3] = {{"1", "2", "3"}, {"4", "5", "6"}, {"7", "8", "9"}, {"0", ".", "<-"}};
    const int gridIds[4][3] = {{4, 5, 6}, {7, 8, 9}, {10, 11, 12}, {3, kPoint, kBack}};
    for (int row = 0; row < 4; ++row)
        for (int col = 0; col < 3; ++col)
            defs.push_back(
                {gridIds[row][col], grid[row][col], Units(4 + 25 * col, 21 + 17 * row, 22, 14)});
    defs.push_back({kClose, "Close", Units(4, 93, 34, 14)});
    defs.push_back({kOk, "Ok", Units(42, 93, 34, 14)});
    for (const KeyDef& def : defs) {
        auto* key = new QPushButton(QString::fromLatin1(def.text), this);
        key->setObjectName(QString::number(def.id));
        key->setGeometry(def.at);
        key->setAutoDefault(false);
        connect(key, &QPushButton::clicked, this, [this, id = def.id] { Press(id); });
        keys_[def.id] = key;
    }
    keys_[kOk]->setDefault(true);
}

QPushButton* FrequencyKeypad::Key(int id) const {
    const auto it = keys_.find(id);
    return it == keys_.end() ? nullptr : it->second;
}

QString FrequencyKeypad::Entry() const {
    return field_->text().left(11);
}

void FrequencyKeypad::Press(int id) {
    if (id >= 3 && id <= 12)
        Append(QChar('0' + (id - 3)));
    else if (id == kPoint)
        Append(QChar('.'));
    else if (id == kBack) {
        QString text = Entry();
        text.chop(1);
        field_->setText(text);
    } else if (id == kOk)
        Ok();
    else if (id == kClose)
        hide();
}

void FrequencyKeypad::Open(const QString& entry) {
    if (!entry.isEmpty()) field_->setText(entry);
    show();
    raise();
    activateWindow();
    field_->setFocus();
}

void FrequencyKeypad::reject() {
    hide();
}

void FrequencyKeypad::Append(QChar c) {
    const QString text = Entry();
    // The field holds at most 9 characters from the keys.
    if (text.size() > 8) {
        Beep();
        return;
    }
    field_->setText(text + c);
}

void FrequencyKeypad::Ok() {
    double kHz = 0.0;
    if (LeadingNumber(Entry().toStdString(), kHz) && tuner_ && tuner_(kHz)) {
        field_->clear();
        return;
    }
    Beep();
}

}  // namespace velorix
