#ifndef ORVALIS_DATAMERGE_H
#define ORVALIS_DATAMERGE_H

struct CommandLineOptions;

// Joins data bands (CSV, or NumPy arrays when the output ends in ".npy")
// into the file a render in one piece writes, byte for byte, and with
// --stats measures the joined grid. Bands of other maps, of another format
// or columns, missing or doubled rows and truncated files are refused.
// Exit status as CommandLine::run.
class DataMerge
{
public:
    static int run(const CommandLineOptions& options);
};

#endif
