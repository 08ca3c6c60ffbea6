#ifndef ORVALIS_EXPORTPROGRESS_H
#define ORVALIS_EXPORTPROGRESS_H

#include <QWidget>

class MapExportJob;
class QProgressBar;
class QToolButton;

// The status bar's part of a running export: how far it got, and a button
// that cancels it. Shown only while the job runs.
class ExportProgress : public QWidget
{
    Q_OBJECT

public:
    explicit ExportProgress(MapExportJob* job, QWidget* parent = nullptr);

    void started();

private:
    QProgressBar* bar = nullptr;
    QToolButton* cancelButton = nullptr;
};

#endif
