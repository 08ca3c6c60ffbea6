#ifndef ORVALIS_PARAMFILEREPORT_H
#define ORVALIS_PARAMFILEREPORT_H

#include <QString>
#include <QStringList>

// What became of a parameter file read or write, worded for the person who
// asked for it: the window shows it, the command line prints it.
struct ParamFileReport
{
    bool ok = false;
    QString error;       // why nothing was read or written
    QStringList skipped; // lines a read passed over, each as "line N: text"
};

#endif
