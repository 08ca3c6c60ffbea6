#ifndef ORVALIS_PROGRESSBAR_H
#define ORVALIS_PROGRESSBAR_H

#include <QString>

// A bar on standard error, only when it is a terminal: the share done, and a
// note after it (which frame, how many pixels).
class ProgressBar
{
public:
    explicit ProgressBar(bool wanted);
    ~ProgressBar();
    ProgressBar(const ProgressBar&) = delete;
    ProgressBar& operator=(const ProgressBar&) = delete;

    void show(double fraction, const QString& note = QString());
    // Empties the line, so that what goes to a terminal next starts clean.
    void clear();

private:
    bool shown;
    int width = 0; // of the line last drawn
};

#endif
