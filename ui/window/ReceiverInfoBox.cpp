#include "ReceiverInfoBox.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "Version.h"

namespace velorix {

void ShowReceiverInfoBox(QWidget* parent, const ReceiverInfoTexts& texts) {
    QDialog box(parent);
    box.setWindowTitle("Velorix - General Settings");
    auto* layout = new QVBoxLayout(&box);
    layout->addWidget(new QLabel("Velorix \nDirect Sampling HF Receiver"));
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
    // The bottom line names the build: the release and its commit.
    auto* build = new QLabel(QString::fromStdString(VersionLine()));
    build->setObjectName("buildLine");
    build->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(build);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &box, &QDialog::accept);
    layout->addWidget(buttons);
    box.exec();
}

}  // namespace velorix
