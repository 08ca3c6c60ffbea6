// Feeds arbitrary bytes to the parameter-file reader. Whatever the file holds,
// the model must come out with finite values and at least one magnet, and what
// the writer makes of it must read back to the same text.
#include "SystemData.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

void check(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "fuzz_params: %s\n", what);
        std::abort();
    }
}

QByteArray readAll(const QString& fileName)
{
    QFile file(fileName);
    check(file.open(QIODevice::ReadOnly), "cannot read back a written file");
    return file.readAll();
}

void checkModel(const SystemData& d)
{
    for (const double value : {d.pendulumHeight, d.pendulumLength, d.gravity, d.damping, d.kappa,
                               d.magFactor, d.maxTheta})
        check(std::isfinite(value), "parameter not finite");
    check(!d.magnets.isEmpty(), "no magnets after reading");
    for (int i = 0; i < d.magnets.size(); ++i) {
        const Magnet& m = d.magnets[i];
        for (const float value : {m.posX, m.posY, m.alpha, m.color[0], m.color[1], m.color[2]})
            check(std::isfinite(value), "magnet value not finite");
        check(m.posZ == 0.0f && m.color[3] == 1.0f, "magnet height or opacity not reset");
        const std::array<float, 3> pick = SystemData::pickColorFromId(1000 + i);
        check(m.pickColor[0] == pick[0] && m.pickColor[1] == pick[1] && m.pickColor[2] == pick[2],
              "magnet pick colour not numbered by position");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // Writing commits with fsync; memory-backed storage keeps that cheap.
    static const QTemporaryDir dir(
        (QFile::exists("/dev/shm") ? QStringLiteral("/dev/shm") : QDir::tempPath()) +
        QStringLiteral("/fuzz_params-XXXXXX"));
    const QString input = dir.filePath("input.par");
    const QString first = dir.filePath("first.par");
    const QString second = dir.filePath("second.par");
    {
        QFile file(input);
        check(file.open(QIODevice::WriteOnly | QIODevice::Truncate), "cannot write the input");
        file.write(reinterpret_cast<const char*>(data), qint64(size));
    }

    SystemData model;
    model.readParams(input);
    checkModel(model);

    model.writeParams(first);
    SystemData copy;
    copy.readParams(first);
    checkModel(copy);
    copy.writeParams(second);
    check(readAll(first) == readAll(second), "written file does not read back to the same text");
    return 0;
}
