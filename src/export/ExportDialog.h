#ifndef ORVALIS_EXPORTDIALOG_H
#define ORVALIS_EXPORTDIALOG_H

#include <QDialog>
#include <QSize>
#include <QString>

class QLineEdit;
class QSpinBox;

// Where an exported map goes and at what size.
struct MapExportSettings
{
    static constexpr int kMaxSide = 16384; // as the command line allows

    QString fileName;
    QSize size;
};

// Asks for the export's size (each side up to 16384) and its image file.
class ExportDialog : public QDialog
{
    Q_OBJECT

public:
    explicit ExportDialog(const MapExportSettings& proposed, QWidget* parent = nullptr);

    MapExportSettings settings() const;

private:
    void browse();

    QSpinBox* width = nullptr;
    QSpinBox* height = nullptr;
    QLineEdit* fileName = nullptr;
};

#endif
