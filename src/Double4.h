#ifndef ORVALIS_DOUBLE4_H
#define ORVALIS_DOUBLE4_H

// Four doubles in one AVX2 register: the vector lane type of the integrator
// (see Lanes.h for the scalar one). Include only from a file compiled with
// AVX2 enabled (and never FMA: every operation here is one correctly
// rounded IEEE operation per lane, exactly as the scalar code does it, so
// both give the same bits).

#include <cmath>
#include <immintrin.h>

namespace lanes {

struct Mask4
{
    __m256d m;
};

struct Double4
{
    __m256d v;

    Double4() : v(_mm256_setzero_pd()) {}
    Double4(double x) : v(_mm256_set1_pd(x)) {} // NOLINT: broadcasting is the point
    explicit Double4(__m256d x) : v(x) {}

    static Double4 load(const double* p) { return Double4(_mm256_load_pd(p)); }
    void store(double* p) const { _mm256_store_pd(p, v); }
};

[[gnu::always_inline]] inline Double4 operator+(Double4 a, Double4 b)
{
    return Double4(_mm256_add_pd(a.v, b.v));
}
[[gnu::always_inline]] inline Double4 operator-(Double4 a, Double4 b)
{
    return Double4(_mm256_sub_pd(a.v, b.v));
}
[[gnu::always_inline]] inline Double4 operator*(Double4 a, Double4 b)
{
    return Double4(_mm256_mul_pd(a.v, b.v));
}
[[gnu::always_inline]] inline Double4 operator/(Double4 a, Double4 b)
{
    return Double4(_mm256_div_pd(a.v, b.v));
}

// Ordered comparisons are false for NaN, as in scalar code.
[[gnu::always_inline]] inline Mask4 operator<(Double4 a, Double4 b)
{
    return {_mm256_cmp_pd(a.v, b.v, _CMP_LT_OQ)};
}
[[gnu::always_inline]] inline Mask4 operator<=(Double4 a, Double4 b)
{
    return {_mm256_cmp_pd(a.v, b.v, _CMP_LE_OQ)};
}
[[gnu::always_inline]] inline Mask4 operator>(Double4 a, Double4 b)
{
    return {_mm256_cmp_pd(a.v, b.v, _CMP_GT_OQ)};
}
[[gnu::always_inline]] inline Mask4 operator>=(Double4 a, Double4 b)
{
    return {_mm256_cmp_pd(a.v, b.v, _CMP_GE_OQ)};
}
[[gnu::always_inline]] inline Mask4 operator==(Double4 a, Double4 b)
{
    return {_mm256_cmp_pd(a.v, b.v, _CMP_EQ_OQ)};
}

[[gnu::always_inline]] inline Mask4 operator||(Mask4 a, Mask4 b)
{
    return {_mm256_or_pd(a.m, b.m)};
}
[[gnu::always_inline]] inline Mask4 operator&&(Mask4 a, Mask4 b)
{
    return {_mm256_and_pd(a.m, b.m)};
}
[[gnu::always_inline]] inline Mask4 operator!(Mask4 a)
{
    return {_mm256_xor_pd(a.m, _mm256_castsi256_pd(_mm256_set1_epi64x(-1)))};
}

[[gnu::always_inline]] inline Double4 laneSqrt(Double4 x)
{
    return Double4(_mm256_sqrt_pd(x.v));
}

[[gnu::always_inline]] inline Double4 laneAbs(Double4 x)
{
    return Double4(_mm256_andnot_pd(_mm256_set1_pd(-0.0), x.v));
}

[[gnu::always_inline]] inline Double4 laneSelect(Mask4 mask, Double4 a, Double4 b)
{
    return Double4(_mm256_blendv_pd(b.v, a.v, mask.m));
}

[[gnu::always_inline]] inline Mask4 laneIsNan(Double4 x)
{
    return {_mm256_cmp_pd(x.v, x.v, _CMP_UNORD_Q)};
}

[[gnu::always_inline]] inline bool laneAny(Mask4 mask)
{
    return _mm256_movemask_pd(mask.m) != 0;
}

[[gnu::always_inline]] inline int laneBits(Mask4 mask)
{
    return _mm256_movemask_pd(mask.m);
}

inline Double4 lanePow(Double4 x, double p)
{
    alignas(32) double a[4];
    x.store(a);
    for (double& e : a)
        e = std::pow(e, p);
    return Double4::load(a);
}

} // namespace lanes

#endif
