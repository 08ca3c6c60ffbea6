#include "ExportDialog.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

namespace {

QSpinBox* sideBox(int value)
{
    auto* box = new QSpinBox;
    box->setRange(1, MapExportSettings::kMaxSide);
    box->setSuffix(QStringLiteral(" px"));
    box->setValue(value);
    return box;
}

} // namespace

ExportDialog::ExportDialog(const MapExportSettings& proposed, QWidget* parent)
    : QDialog(parent), width(sideBox(proposed.size.width())),
      height(sideBox(proposed.size.height())), fileName(new QLineEdit(proposed.fileName))
{
    setWindowTitle(tr("Export map"));
    auto* browseButton = new QPushButton(tr("Browse…"));
    connect(browseButton, &QPushButton::clicked, this, &ExportDialog::browse);
    auto* fileRow = new QHBoxLayout;
    fileRow->addWidget(fileName, 1);
    fileRow->addWidget(browseButton);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(fileName, &QLineEdit::textChanged, this, [buttons](const QString& text) {
        buttons->button(QDialogButtonBox::Ok)->setEnabled(!text.trimmed().isEmpty());
    });

    auto* form = new QFormLayout(this);
    form->addRow(tr("Width"), width);
    form->addRow(tr("Height"), height);
    form->addRow(tr("Image"), fileRow);
    form->addRow(buttons);
}

MapExportSettings ExportDialog::settings() const
{
    return {fileName->text().trimmed(), QSize(width->value(), height->value())};
}

void ExportDialog::browse()
{
    const QString chosen = QFileDialog::getSaveFileName(this, tr("Export map"), fileName->text(),
                                                        tr("PNG images (*.png)"));
    if (!chosen.isEmpty())
        fileName->setText(chosen.endsWith(QLatin1String(".png")) ? chosen
                                                                 : chosen + QStringLiteral(".png"));
}
