#include "CommandLine.h"

#include "BasinCommand.h"
#include "FramePattern.h"
#include "NumberText.h"
#include "OutputFile.h"
#include "ParameterRanges.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QLocale>
#include <QRegularExpression>

#include <cmath>
#include <cstdio>

namespace {

// A side of 16384 pixels already makes a 1 GiB image; larger maps are
// rendered and kept in bands.
constexpr int kMaxSide = 16384;
// Each sample is labelled with its 28 perturbed points.
constexpr int kMaxSamples = 1 << 20;

// The options that take a value, and those that do not.
const char* const kValueOptions[] = {
    "basin", "params", "damping", "size", "region", "threads", "tolerance", "max-time", "data",
    "tile",  "box",    "samples", "seed", "wada-r", "report",  "set",       "sweep"};
// The options that may be given more than once.
const char* const kRepeatable[] = {"set"};
const char* const kFlags[] = {"merge", "quiet", "help", "version", "stats", "verify"};
// What a merge may measure from the merged data alone.
const char* const kMergeOptions[] = {"box", "wada-r"};
// What only a measurement uses.
const char* const kMeasureOptions[] = {"box", "samples", "seed", "wada-r"};

template <std::size_t N> bool oneOf(const QString& name, const char* const (&names)[N])
{
    for (const char* const option : names)
        if (name == QLatin1String(option))
            return true;
    return false;
}

bool isOptionName(const QString& name)
{
    return oneOf(name, kValueOptions) || oneOf(name, kFlags);
}

// "--quiet" or "--size=8" given where a value belongs: the option before it
// has swallowed an option, as in "--basin --quiet".
bool looksLikeOption(const QString& value)
{
    return value.startsWith(QLatin1String("--")) &&
           isOptionName(value.mid(2).section(QLatin1Char('='), 0, 0));
}

// Digits only: no sign, no spaces, no base prefix.
bool parseCount(const QString& text, int low, int high, int& value)
{
    static const QRegularExpression digits(QStringLiteral("^[0-9]+$"));
    bool ok = false;
    const int v = digits.match(text).hasMatch() ? text.toInt(&ok) : 0;
    if (!ok || v < low || v > high)
        return false;
    value = v;
    return true;
}

// A number as a file writes it; spaces around it are a quoting mistake.
bool parseValue(const QString& text, double& value)
{
    return text == text.trimmed() && parseNumber(text, value);
}

// The key of KEY=VALUE or KEY=FROM:TO:N; empty when there is no '=' or
// nothing on either side of it.
QString assignedKey(const QString& text)
{
    const int equals = text.indexOf(QLatin1Char('='));
    return equals > 0 && equals + 1 < text.size() ? text.left(equals) : QString();
}

// What --set and --sweep can be checked for before the parameter set is
// read: their form, and two of them changing one value.
bool checkOverrides(const CommandLineOptions& o, QString& error)
{
    QStringList keys;
    for (const QString& set : o.sets) {
        const QString key = assignedKey(set);
        if (key.isEmpty()) {
            error = QStringLiteral("--set %1: expected KEY=VALUE").arg(set);
            return false;
        }
        if (keys.contains(key) || (key == QLatin1String("friction") && o.hasDamping)) {
            error = QStringLiteral("--set %1: %2 is already set").arg(set, key);
            return false;
        }
        keys << key;
    }
    if (o.sweep.isNull())
        return true;
    const QString key = assignedKey(o.sweep);
    if (key.isEmpty()) {
        error = QStringLiteral("--sweep %1: expected KEY=FROM:TO:N").arg(o.sweep);
        return false;
    }
    if (keys.contains(key) || (key == QLatin1String("friction") && o.hasDamping)) {
        error = QStringLiteral("--sweep %1: %2 cannot be both swept and set").arg(o.sweep, key);
        return false;
    }
    // Every output of a sweep is one file per frame.
    for (const QString& pattern : {o.output, o.data, o.report})
        if (!pattern.isEmpty() && !FramePattern::parse(pattern, &error))
            return false;
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
        "       orvalis --basin OUT-%04d.png --sweep KEY=FROM:TO:N [options]\n"
        "       orvalis --merge OUT.png TILE.png...\n"
        "       orvalis --merge OUT.csv TILE.csv... [--stats [--box n] [--wada-r r]]\n"
        "       orvalis --merge OUT.npy TILE.npy... [--stats [--box n] [--wada-r r]]\n"
        "\n"
        "Without options Orvalis opens its window. --basin renders the basin-of-attraction\n"
        "map without a window or a display: for every pixel the magnet the bob comes to rest\n"
        "over when released there, shaded by how long it took.\n"
        "\n"
        "  --basin OUT.png      render the map into OUT.png\n"
        "  --params FILE.par    parameter set (default: the default set)\n"
        "  --damping D          velocity damping, 0 or more (default: the file's, else 1)\n"
        "  --set KEY=VALUE      change one value of the set before rendering; repeatable.\n"
        "                       KEY: pendulumHeight, pendulumLength, gravity, damping (the\n"
        "                       force law's exponent, as in a .par file), magFactor,\n"
        "                       friction (the velocity damping), maxTheta, and magnetI.x,\n"
        "                       magnetI.y, magnetI.alpha for magnet I (from 0, as the dock)\n"
        "  --sweep KEY=FROM:TO:N  render N >= 2 maps with KEY at N evenly spaced values from\n"
        "                       FROM to TO; every output is then a pattern with one frame\n"
        "                       number field, numbered from 1 (--basin map-%04d.png)\n"
        "  --size W[xH]         image size in pixels (default 1024, square)\n"
        "  --region X0,Y0,X1,Y1 rectangle of the plane (default: the 2D view's square)\n"
        "  --threads N          worker threads (default: every core)\n"
        "  --tolerance EPS      integration tolerance (default 1e-8, as the paths)\n"
        "  --max-time T         model time after which a pixel is undecided (default 100)\n"
        "  --data FILE.csv      also write one row per pixel: x,y,attractor,magnet,time,steps;\n"
        "                       FILE.npy: a NumPy array of shape (H, W) with those fields\n"
        "  --tile I/N           render only the I-th of N horizontal bands (1 <= I <= N)\n"
        "  --merge OUT TILE...  assemble bands into the whole image (or data file)\n"
        "  --stats              after the attractor table, the measurements of the map:\n"
        "                       metrics, the uncertain share per epsilon, the fractions\n"
        "  --box n              box side in pixels for the basin entropy (default 5)\n"
        "  --samples N          release points for the exponent and fractions (default 4096)\n"
        "  --seed S             seed of those points, for a repeatable run (default 1)\n"
        "  --wada-r r           distance in pixels of the Wada merging test (default 1)\n"
        "  --verify             compute the map again at a tenth of the tolerance: adds\n"
        "                       unsettled_fraction, a settled column to --data, and hatches\n"
        "                       the unsettled pixels in grey in the image\n"
        "  --report FILE.json   the measurements with the map's description, as JSON\n"
        "  --quiet              no progress and no table of attractors\n"
        "  --help               show this text\n"
        "  --version            show the version\n"
        "\n"
        "An option's value may follow it or be joined to it by '=' (--region=-1,-1,1,1).\n"
        "An output named '-' is standard output; outputs that are not regular files\n"
        "(devices, FIFOs) are written into, not replaced.\n"
        "After rendering, a tab-separated table of the attractors goes to standard output\n"
        "(unless an output goes there). A sweep prints instead one row per frame:\n"
        "frame, KEY, each magnet's share of the map, the undecided share (with the pixels\n"
        "at rest over no magnet), and with --stats the metrics; --quiet leaves its progress\n"
        "out, not its table. Its frames split into bands as a map (--tile, one band of\n"
        "every frame per run); merge them frame by frame.\n"
        "Measurements need the whole map: a band is not measured, but merged data bands\n"
        "give the grid's metrics with --merge OUT.csv ... --stats.\n"
        "A map needs about 18 bytes per pixel; one that does not fit in memory is refused.\n"
        "Render it in bands that do (--tile I/N, one run each) and join them with --merge.\n"
        "Exit status: 0 done, 1 a file could not be read or written (or no memory),\n"
        "2 bad usage (an unknown --set or --sweep key, a magnet the set lacks, a value out\n"
        "of range).\n");
}

bool CommandLine::parse(const QStringList& arguments, CommandLineOptions& o, QString& error)
{
    o = CommandLineOptions();
    QCommandLineParser parser;
    for (const char* const name : kValueOptions)
        parser.addOption(QCommandLineOption(QLatin1String(name), QString(), QStringLiteral("V")));
    for (const char* const name : kFlags)
        parser.addOption(QCommandLineOption(QLatin1String(name)));
    if (!parser.parse(QStringList{QStringLiteral("orvalis")} + arguments)) {
        error = parser.errorText();
        return false;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        o.mode = CommandLineOptions::Mode::Help;
        return true;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        o.mode = CommandLineOptions::Mode::Version;
        return true;
    }

    bool renderOption = false;
    bool measureOption = false;
    for (const char* const name : kValueOptions) {
        const QString option = QStringLiteral("--") + QLatin1String(name);
        const QStringList values = parser.values(QLatin1String(name));
        if (values.isEmpty())
            continue;
        const QString& value = values.front();
        const auto bad = [&](const QString& what) {
            error = QStringLiteral("%1 %2: %3").arg(option, value, what);
            return false;
        };
        if (values.size() > 1 && !oneOf(QLatin1String(name), kRepeatable)) {
            error = QStringLiteral("%1 is given more than once").arg(option);
            return false;
        }
        for (const QString& each : values)
            if (each.isEmpty() || looksLikeOption(each)) {
                error = QStringLiteral("%1 needs a value").arg(option);
                if (!each.isEmpty())
                    error += QStringLiteral(", not the option %1").arg(each);
                return false;
            }
        measureOption = measureOption || oneOf(QLatin1String(name), kMeasureOptions);
        renderOption = renderOption || (option != QLatin1String("--basin") &&
                                        !oneOf(QLatin1String(name), kMergeOptions));
        if (option == QLatin1String("--basin")) {
            o.output = value;
        } else if (option == QLatin1String("--params")) {
            o.params = value;
        } else if (option == QLatin1String("--data")) {
            o.data = value;
        } else if (option == QLatin1String("--set")) {
            o.sets = values;
        } else if (option == QLatin1String("--sweep")) {
            o.sweep = value;
        } else if (option == QLatin1String("--damping")) {
            const ParameterRange range =
                ParameterRanges::range(ParameterRanges::Parameter::Damping);
            if (!parseValue(value, o.damping) || !range.contains(o.damping))
                return bad(QStringLiteral("expected a number, ") + range.text());
            o.hasDamping = true;
        } else if (option == QLatin1String("--size")) {
            const QStringList parts = value.split(QLatin1Char('x'));
            if (parts.size() > 2 || !parseCount(parts[0], 1, kMaxSide, o.width) ||
                !parseCount(parts.back(), 1, kMaxSide, o.height))
                return bad(QStringLiteral("expected W or WxH, each from 1 to 16384"));
        } else if (option == QLatin1String("--region")) {
            const QStringList parts = value.split(QLatin1Char(','));
            bool ok = parts.size() == 4;
            for (int k = 0; ok && k < 4; ++k)
                ok = parseValue(parts[k], o.region[k]);
            // A width or height that overflows leaves no pixel a finite size.
            const double width = o.region[2] - o.region[0];
            const double height = o.region[3] - o.region[1];
            if (!ok || !(width > 0.0) || !(height > 0.0) || !std::isfinite(width) ||
                !std::isfinite(height))
                return bad(QStringLiteral(
                    "expected X0,Y0,X1,Y1 with X0 < X1 and Y0 < Y1, a finite width and height"));
            o.hasRegion = true;
        } else if (option == QLatin1String("--threads")) {
            if (!parseCount(value, 1, 1024, o.threads))
                return bad(QStringLiteral("expected a number of threads from 1 to 1024"));
        } else if (option == QLatin1String("--tolerance")) {
            if (!parseValue(value, o.tolerance) || !(o.tolerance > 0.0) || o.tolerance >= 1.0)
                return bad(QStringLiteral("expected a number above 0 and below 1"));
        } else if (option == QLatin1String("--max-time")) {
            if (!parseValue(value, o.maxTime) || !(o.maxTime > 0.0))
                return bad(QStringLiteral("expected a time above 0"));
        } else if (option == QLatin1String("--tile")) {
            const QStringList parts = value.split(QLatin1Char('/'));
            if (parts.size() != 2 || !parseCount(parts[1], 1, kMaxSide, o.tileCount) ||
                !parseCount(parts[0], 1, o.tileCount, o.tileIndex))
                return bad(QStringLiteral("expected I/N with 1 <= I <= N"));
            o.hasTile = true;
        } else if (option == QLatin1String("--box")) {
            if (!parseCount(value, 1, kMaxSide, o.measurement.boxSize))
                return bad(QStringLiteral("expected a box side from 1 to 16384 pixels"));
        } else if (option == QLatin1String("--samples")) {
            if (!parseCount(value, 1, kMaxSamples, o.measurement.samples))
                return bad(QStringLiteral("expected a number of samples from 1 to 1048576"));
        } else if (option == QLatin1String("--seed")) {
            bool ok = false;
            o.measurement.seed = value.toULongLong(&ok);
            if (!ok || !value.front().isDigit() || !value.back().isDigit())
                return bad(QStringLiteral("expected a whole number from 0 to 2^64 - 1"));
        } else if (option == QLatin1String("--wada-r")) {
            if (!parseCount(value, 0, kMaxSide, o.measurement.wadaRadius))
                return bad(QStringLiteral("expected a radius from 0 to 16384 pixels"));
        } else if (option == QLatin1String("--report")) {
            o.report = value;
        }
    }

    const bool render = parser.isSet(QStringLiteral("basin"));
    const bool merge = parser.isSet(QStringLiteral("merge"));
    o.quiet = parser.isSet(QStringLiteral("quiet"));
    o.stats = parser.isSet(QStringLiteral("stats"));
    o.measurement.verify = parser.isSet(QStringLiteral("verify"));
    const QStringList positional = parser.positionalArguments();
    if (!merge && !positional.isEmpty()) {
        error = QStringLiteral("unexpected argument '%1'").arg(positional.front());
        return false;
    }
    if (render == merge) {
        error = render ? QStringLiteral("--basin and --merge do not go together")
                       : QStringLiteral("--basin OUT.png or --merge is needed");
        return false;
    }
    if (measureOption && !o.measures()) {
        error = QStringLiteral("--box, --samples, --seed and --wada-r need --stats or --report");
        return false;
    }
    if (o.stats &&
        (OutputFile::isStandardOutput(o.output) || OutputFile::isStandardOutput(o.data) ||
         OutputFile::isStandardOutput(o.report))) {
        error = QStringLiteral("--stats prints its tables to standard output, which an output "
                               "already takes");
        return false;
    }
    if (merge) {
        // A band's data holds its labels but only a digest of its parameters:
        // what needs the model (release points of its own) cannot be had.
        if (o.measurement.verify || !o.report.isEmpty() ||
            parser.isSet(QStringLiteral("samples")) || parser.isSet(QStringLiteral("seed"))) {
            error = QStringLiteral(
                "--merge measures only what the merged data holds (--stats, --box, --wada-r): "
                "the uncertainty exponent, the samples' fractions and a report need the "
                "model's parameters, of which a band keeps only a digest; render the whole map "
                "with --basin --stats, or the bands with --verify to merge their settled column");
            return false;
        }
        if (renderOption) {
            error = QStringLiteral("--merge takes no render options");
            return false;
        }
        if (positional.size() < 2) {
            error = QStringLiteral("--merge needs the output and at least one tile");
            return false;
        }
        o.output = positional.front();
        o.tiles = positional.mid(1);
        o.mode = CommandLineOptions::Mode::Merge;
        return true;
    }
    if (!checkOverrides(o, error))
        return false;
    if (!o.data.isEmpty() && OutputFile::sameFile(o.output, o.data)) {
        error = QStringLiteral("--basin and --data name the same file");
        return false;
    }
    if (o.hasTile && o.measures()) {
        error = QStringLiteral("--stats and --report measure a whole map, not a band: merge the "
                               "bands' data with --merge OUT.csv BAND.csv... --stats, or render "
                               "the map in one piece");
        return false;
    }
    if (!o.report.isEmpty() && (OutputFile::sameFile(o.output, o.report) ||
                                (!o.data.isEmpty() && OutputFile::sameFile(o.data, o.report)))) {
        error = QStringLiteral("--report names the same file as another output");
        return false;
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
    case CommandLineOptions::Mode::Version:
        std::fputs("orvalis " ORVALIS_VERSION "\n", stdout);
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
