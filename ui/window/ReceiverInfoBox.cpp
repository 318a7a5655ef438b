#include "ReceiverInfoBox.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "ProgramIcon.h"
#include "Version.h"

namespace velorix {

std::unique_ptr<QDialog> ReceiverInfoBox(QWidget* parent, const ReceiverInfoTexts& texts) {
    auto box = std::make_unique<QDialog>(parent);
    box->setWindowTitle("Velorix - General Settings");
    box->setWindowIcon(ProgramIcon());
    auto* layout = new QVBoxLayout(box.get());
    auto* head = new QHBoxLayout;
    auto* icon = new QLabel;
    icon->setObjectName("icon");
    icon->setPixmap(ProgramIcon().pixmap(32));
    head->addWidget(icon);
    head->addWidget(new QLabel("Velorix \nDirect Sampling HF Receiver"), 1);
    layout->addLayout(head);
    auto* grid = new QGridLayout;
    const std::pair<const char*, const std::string*> rows[] = {
        {"Serial Number:", &texts.serial},
        {"Hardware Version:", &texts.hardware},
        {"Software Version: ", &texts.software},
        {"DLL Version: ", &texts.library}};
    int row = 0;
    for (const auto& [caption, value] : rows) {
        grid->addWidget(new QLabel(caption), row, 0);
        auto* field = new QLabel(QString::fromStdString(*value));
        field->setObjectName(QString("field%1").arg(1000 + row));
        field->setAccessibleName(caption);
        field->setTextInteractionFlags(Qt::TextSelectableByMouse);
        grid->addWidget(field, row++, 1);
    }
    layout->addLayout(grid);
    auto* note = new QLabel(
        "The control and listening software of a direct-sampling\n"
        "HF receiver: 0 - 40 MHz, up to 500 kHz of the band at once,\n"
        "nine modes, recordings and the stations on the air.");
    note->setObjectName("note");
    layout->addWidget(note);
    // The bottom line names the build: the release and its commit.
    auto* build = new QLabel(QString::fromStdString(VersionLine()));
    build->setObjectName("buildLine");
    build->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(build);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
    QObject::connect(buttons, &QDialogButtonBox::accepted, box.get(), &QDialog::accept);
    layout->addWidget(buttons);
    return box;
}

void ShowReceiverInfoBox(QWidget* parent, const ReceiverInfoTexts& texts) {
    ReceiverInfoBox(parent, texts)->exec();
}

}  // namespace velorix
