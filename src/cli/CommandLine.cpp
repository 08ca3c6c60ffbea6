#include "CommandLine.h"

#include "BasinCommand.h"
#include "NumberText.h"

#include <QCoreApplication>
#include <QLocale>

#include <cstdio>

namespace {

// A side of 16384 pixels already makes a 1 GiB image; larger maps are
// rendered and kept in bands.
constexpr int kMaxSide = 16384;

bool parseCount(const QString& text, int low, int high, int& value)
{
    bool ok = false;
    const int v = text.toInt(&ok);
    if (!ok || v < low || v > high)
        return false;
    value = v;
    return true;
}

} // namespace

bool CommandLine::wanted(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i)
        if (argv[i][0] == '-' && argv[i][1] == '-')
            return true;
    return false;
}

QString CommandLine::usage()
{
    return QStringLiteral(
        "Usage: orvalis [--basin OUT.png [options]]\n"
        "       orvalis --merge OUT.png TILE.png...\n"
        "       orvalis --merge OUT.csv TILE.csv...\n"
        "\n"
        "Without options Orvalis opens its window. --basin renders the basin-of-attraction\n"
        "map without a window or a display: for every pixel the magnet the bob comes to rest\n"
        "over when released there, shaded by how long it took.\n"
        "\n"
        "  --basin OUT.png      render the map into OUT.png\n"
        "  --params FILE.par    parameter set (default: the default set)\n"
        "  --damping D          velocity damping (default: the file's, else 1)\n"
        "  --size W[xH]         image size in pixels (default 1024, square)\n"
        "  --region X0,Y0,X1,Y1 rectangle of the plane (default: the 2D view's square)\n"
        "  --threads N          worker threads (default: every core)\n"
        "  --tolerance EPS      integration tolerance (default 1e-8, as the paths)\n"
        "  --max-time T         model time after which a pixel is undecided (default 100)\n"
        "  --data FILE.csv      also write one row per pixel: x,y,attractor,magnet,time,steps\n"
        "  --tile I/N           render only the I-th of N horizontal bands (1 <= I <= N)\n"
        "  --merge OUT TILE...  assemble bands into the whole image (or data file)\n"
        "  --quiet              no progress and no table of attractors\n"
        "  --help               show this text\n"
        "\n"
        "After rendering, a tab-separated table of the attractors goes to standard output.\n"
        "Exit status: 0 done, 1 a file could not be read or written, 2 bad usage.\n");
}

bool CommandLine::parse(const QStringList& arguments, CommandLineOptions& o, QString& error)
{
    o = CommandLineOptions();
    bool render = false;
    bool merge = false;
    bool renderOption = false;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString& option = arguments[i];
        if (option == QLatin1String("--help")) {
            o.mode = CommandLineOptions::Mode::Help;
            return true;
        }
        if (option == QLatin1String("--quiet")) {
            o.quiet = true;
            continue;
        }
        if (option == QLatin1String("--merge")) {
            merge = true;
            continue;
        }
        if (!option.startsWith(QLatin1String("--"))) {
            if (!merge) {
                error = QStringLiteral("unexpected argument '%1'").arg(option);
                return false;
            }
            if (o.output.isEmpty())
                o.output = option;
            else
                o.tiles.append(option);
            continue;
        }
        static const QStringList withValue = {
            QStringLiteral("--basin"),     QStringLiteral("--params"),
            QStringLiteral("--damping"),   QStringLiteral("--size"),
            QStringLiteral("--region"),    QStringLiteral("--threads"),
            QStringLiteral("--tolerance"), QStringLiteral("--max-time"),
            QStringLiteral("--data"),      QStringLiteral("--tile")};
        if (!withValue.contains(option)) {
            error = QStringLiteral("unknown option '%1'").arg(option);
            return false;
        }
        if (i + 1 >= arguments.size()) {
            error = QStringLiteral("%1 needs a value").arg(option);
            return false;
        }
        const QString value = arguments[++i];
        renderOption = renderOption || option != QLatin1String("--basin");
        const auto bad = [&](const char* what) {
            error = QStringLiteral("%1 %2: %3").arg(option, value, QLatin1String(what));
            return false;
        };
        if (option == QLatin1String("--basin")) {
            render = true;
            o.output = value;
        } else if (option == QLatin1String("--params")) {
            o.params = value;
        } else if (option == QLatin1String("--data")) {
            o.data = value;
        } else if (option == QLatin1String("--damping")) {
            if (!parseNumber(value, o.damping))
                return bad("not a number");
            o.hasDamping = true;
        } else if (option == QLatin1String("--size")) {
            const QStringList parts = value.split(QLatin1Char('x'));
            if (parts.size() > 2 || !parseCount(parts[0], 1, kMaxSide, o.width) ||
                !parseCount(parts.back(), 1, kMaxSide, o.height))
                return bad("expected W or WxH, each from 1 to 16384");
        } else if (option == QLatin1String("--region")) {
            const QStringList parts = value.split(QLatin1Char(','));
            bool ok = parts.size() == 4;
            for (int k = 0; ok && k < 4; ++k)
                ok = parseNumber(parts[k], o.region[k]);
            if (!ok || !(o.region[0] < o.region[2]) || !(o.region[1] < o.region[3]))
                return bad("expected X0,Y0,X1,Y1 with X0 < X1 and Y0 < Y1");
            o.hasRegion = true;
        } else if (option == QLatin1String("--threads")) {
            if (!parseCount(value, 1, 1024, o.threads))
                return bad("expected a number of threads from 1 to 1024");
        } else if (option == QLatin1String("--tolerance")) {
            if (!parseNumber(value, o.tolerance) || !(o.tolerance > 0.0) || o.tolerance >= 1.0)
                return bad("expected a number above 0 and below 1");
        } else if (option == QLatin1String("--max-time")) {
            if (!parseNumber(value, o.maxTime) || !(o.maxTime > 0.0))
                return bad("expected a time above 0");
        } else if (option == QLatin1String("--tile")) {
            const QStringList parts = value.split(QLatin1Char('/'));
            if (parts.size() != 2 || !parseCount(parts[1], 1, kMaxSide, o.tileCount) ||
                !parseCount(parts[0], 1, o.tileCount, o.tileIndex))
                return bad("expected I/N with 1 <= I <= N");
        }
    }
    if (render == merge) {
        error = render ? QStringLiteral("--basin and --merge do not go together")
                       : QStringLiteral("--basin OUT.png or --merge is needed");
        return false;
    }
    if (merge) {
        if (renderOption) {
            error = QStringLiteral("--merge takes no render options");
            return false;
        }
        if (o.output.isEmpty() || o.tiles.isEmpty()) {
            error = QStringLiteral("--merge needs the output and at least one tile");
            return false;
        }
        o.mode = CommandLineOptions::Mode::Merge;
        return true;
    }
    if (o.tileCount > o.height) {
        error = QStringLiteral("--tile: more bands than the image has rows");
        return false;
    }
    o.mode = CommandLineOptions::Mode::Render;
    return true;
}

int CommandLine::run(int argc, char** argv)
{
    // Enough for images and files; no display is ever opened.
    QCoreApplication app(argc, argv);
    QLocale::setDefault(QLocale::c());
    CommandLineOptions options;
    QString error;
    if (!parse(app.arguments().mid(1), options, error)) {
        std::fprintf(stderr, "orvalis: %s\n\n%s", qPrintable(error), qPrintable(usage()));
        return 2;
    }
    switch (options.mode) {
    case CommandLineOptions::Mode::Help:
        std::fputs(qPrintable(usage()), stdout);
        return 0;
    case CommandLineOptions::Mode::Merge:
        return BasinCommand::merge(options);
    case CommandLineOptions::Mode::Render:
        return BasinCommand::render(options);
    case CommandLineOptions::Mode::Window:
        break;
    }
    return 2;
}
