#ifndef ORVALIS_COMMANDLINE_H
#define ORVALIS_COMMANDLINE_H

#include "BasinMeasurements.h"
#include "BasinRequest.h"

#include <QString>
#include <QStringList>

// What the command line asks for. Without any of its options the program
// starts the window as always.
struct CommandLineOptions
{
    enum class Mode { Window, Help, Version, Render, Merge };
    Mode mode = Mode::Window;

    QString output;    // --basin OUT.png, or the merged file; "-" is standard output
    QStringList tiles; // the files --merge assembles
    QString params;    // --params FILE.par; empty: the default set
    QString data;      // --data FILE.csv or FILE.npy
    QStringList sets;  // --set KEY=VALUE, in order
    QString sweep;     // --sweep KEY=FROM:TO:N; the outputs are then patterns
    bool hasDamping = false;
    double damping = 1.0; // --damping D
    // Size, threads, tolerance and time limit default to the engine's own.
    int width = BasinRequest().width;
    int height = BasinRequest().height;
    bool hasRegion = false;
    double region[4] = {0, 0, 0, 0}; // x0, y0, x1, y1
    int threads = BasinRequest().threads;
    double tolerance = BasinRequest().tolerance;
    double maxTime = BasinRequest().maxTime;
    bool quiet = false;
    bool hasTile = false; // a band, whose data file begins with a band header
    int tileIndex = 1;    // --tile I/N, 1-based
    int tileCount = 1;
    // Measurements of the map: the tables after the attractor table, a JSON
    // report, and whether each pixel keeps its label at a tenth of the
    // tolerance.
    bool stats = false;
    QString report;                 // --report FILE.json
    MeasurementOptions measurement; // --box, --samples, --seed, --wada-r, --verify
    bool measures() const { return stats || !report.isEmpty(); }
};

class CommandLine
{
public:
    // Whether the arguments are meant for the command line rather than the
    // window: any argument that starts with "--".
    static bool wanted(int argc, char** argv);
    // Parses the arguments after the program name, as "--option value" or
    // "--option=value"; on failure returns false with the reason in error.
    static bool parse(const QStringList& arguments, CommandLineOptions& options, QString& error);
    static QString usage();
    // The whole run without a window: exit status 0, 1 for a file that cannot
    // be read or written, 2 for a usage error.
    static int run(int argc, char** argv);
};

#endif
