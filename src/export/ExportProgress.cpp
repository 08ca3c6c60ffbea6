#include "ExportProgress.h"

#include "MapExportJob.h"

#include <QHBoxLayout>
#include <QProgressBar>
#include <QToolButton>

ExportProgress::ExportProgress(MapExportJob* job, QWidget* parent)
    : QWidget(parent), bar(new QProgressBar), cancelButton(new QToolButton)
{
    bar->setRange(0, 100);
    bar->setFormat(tr("Export %p%"));
    bar->setMaximumWidth(160);
    cancelButton->setText(tr("Cancel"));
    cancelButton->setObjectName(QStringLiteral("cancelExport"));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(bar);
    row->addWidget(cancelButton);
    hide();
    connect(cancelButton, &QToolButton::clicked, job, &MapExportJob::cancel);
    connect(job, &MapExportJob::progressChanged, bar,
            [this](double fraction) { bar->setValue(int(fraction * 100.0)); });
    connect(job, &MapExportJob::finished, this, &QWidget::hide);
}

void ExportProgress::started()
{
    bar->setValue(0);
    show();
}
