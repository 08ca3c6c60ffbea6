#ifndef ORVALIS_BASINENTROPY_H
#define ORVALIS_BASINENTROPY_H

class LabelGrid;

// Basin entropy (Daza et al. 2016): the map is covered with boxes of n x n
// pixels (whole boxes only: a last partial row or column of boxes is left
// out); box i has the entropy S_i = -sum_j p_ij ln p_ij of the shares p_ij
// of its labels. Sb is the mean of S_i over all boxes, Sbb the mean over the
// boxes with S_i > 0 (the boundary boxes), and the boundary fraction the
// share of those boxes.
struct BasinEntropy
{
    int boxSize = 0;
    int boxes = 0;
    int boundaryBoxes = 0;
    double entropy = 0.0;          // Sb; 0 without a box
    double boundaryEntropy = 0.0;  // Sbb; 0 without a boundary box
    double boundaryFraction = 0.0; // 0 without a box

    static BasinEntropy measure(const LabelGrid& grid, int boxSize = 5);

    // Sbb > ln 2 is a sufficient sign that the boundary is fractal.
    bool fractalBoundary() const;
};

#endif
