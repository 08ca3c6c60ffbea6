#ifndef ORVALIS_SWEEPPREVIEW_H
#define ORVALIS_SWEEPPREVIEW_H

#include <QImage>
#include <QWidget>

// A frame's map, as large as the widget allows and square, centred; the
// blocks of a coarse level stay sharp.
class SweepPreview : public QWidget
{
    Q_OBJECT

public:
    explicit SweepPreview(QWidget* parent = nullptr);

    void setImage(const QImage& image);
    const QImage& image() const { return shown; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override { return width; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage shown;
};

#endif
