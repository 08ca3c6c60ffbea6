#include "PinnedPath.h"

#include "ModelState.h"
#include "SystemData.h"

#include <QCoreApplication>

#include <algorithm>
#include <iterator>

namespace {

// Whether the bob moves alike under both: the magnets' colours aside.
bool movesAlike(ModelParameters a, ModelParameters b)
{
    for (ModelParameters* parameters : {&a, &b})
        for (Magnet& magnet : parameters->magnets)
            std::fill(std::begin(magnet.color), std::end(magnet.color), 0.0f);
    return a == b;
}

} // namespace

PinnedPath::PinnedPath(QObject* parent) : QObject(parent) {}

bool PinnedPath::canPin(const SystemData& data)
{
    return data.storedSamples() >= 2;
}

bool PinnedPath::pin(const SystemData& data, const PathOutcome& outcome)
{
    if (!canPin(data))
        return false;
    const auto first = data.trajPoints.begin();
    points.assign(first, first + data.storedSamples());
    ending = outcome;
    parameters = ModelState::of(data).physics;
    emit changed();
    return true;
}

void PinnedPath::clear()
{
    if (!isPinned())
        return;
    points.clear();
    points.shrink_to_fit();
    ending = PathOutcome();
    parameters = ModelParameters();
    emit changed();
}

QString PinnedPath::describe(const ModelParameters& current) const
{
    if (!isPinned())
        return {};
    const QString outcome = ending.describe();
    if (!movesAlike(current, parameters))
        return QCoreApplication::translate("PinnedPath", "pinned, under earlier parameters: %1")
            .arg(outcome);
    return QCoreApplication::translate("PinnedPath", "pinned: %1").arg(outcome);
}

QColor PinnedPath::mutedColor(const QColor& lineColor)
{
    const QColor hsl = lineColor.toHsl();
    // A light line is dimmed and a dark one lightened, each by 0.18 at least,
    // so the two lines differ even where their colour has gone grey.
    const float lightness = hsl.lightnessF();
    const float muted = lightness >= 0.45f ? 0.6f * lightness : 0.4f + 0.6f * lightness;
    return QColor::fromHslF(hsl.hslHueF(), 0.35f * hsl.hslSaturationF(), muted);
}

void PinnedPath::watch(QObject* viewer, const PinnedPath*& held, const PinnedPath* path,
                       const std::function<void()>& changed)
{
    if (held)
        QObject::disconnect(held, nullptr, viewer, nullptr);
    held = path;
    if (held) {
        QObject::connect(held, &PinnedPath::changed, viewer, changed);
        QObject::connect(held, &QObject::destroyed, viewer, [&held, changed] {
            held = nullptr;
            changed();
        });
    }
    changed();
}
