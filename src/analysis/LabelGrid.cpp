#include "LabelGrid.h"

#include <algorithm>
#include <stdexcept>

LabelGrid::LabelGrid(int width, int height, std::vector<int> labels)
    : columns(width), rows(height), values(std::move(labels))
{
    if (width < 0 || height < 0 || values.size() != std::size_t(width) * std::size_t(height) ||
        std::any_of(values.begin(), values.end(), [](int v) { return v < 0; }))
        throw std::invalid_argument("LabelGrid: labels do not fill the grid");
    count = values.empty() ? 0 : *std::max_element(values.begin(), values.end()) + 1;
}

std::optional<LabelGrid> LabelGrid::fromResult(const BasinResult& result)
{
    const int undecided = int(result.attractors.size());
    std::vector<int> labels;
    labels.reserve(result.attractor.size());
    for (const std::int16_t a : result.attractor) {
        if (a == BasinResult::kNotComputed)
            return std::nullopt;
        labels.push_back(a == BasinResult::kUndecided ? undecided : int(a));
    }
    return LabelGrid(result.width(), result.rowEnd() - result.rowBegin(), std::move(labels));
}
