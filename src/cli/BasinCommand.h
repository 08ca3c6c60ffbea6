#ifndef ORVALIS_BASINCOMMAND_H
#define ORVALIS_BASINCOMMAND_H

#include <QImage>

struct BasinResult;
struct CommandLineOptions;

// The map renderer of the command line: renders a map (or one band of it)
// into a PNG image and an optional CSV file, and assembles bands rendered
// apart into files byte for byte equal to a render in one piece. Exit
// statuses as CommandLine::run.
class BasinCommand
{
public:
    static int render(const CommandLineOptions& options);
    static int merge(const CommandLineOptions& options);
    // The image render() writes of a map: painted, with the text that says
    // what it is of. Null when there is no memory for it.
    static QImage picture(const BasinResult& result);
};

#endif
