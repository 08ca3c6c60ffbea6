#ifndef ORVALIS_DOUBLE4_H
#define ORVALIS_DOUBLE4_H

// The vector lane type of the integrator (see Lanes.h for the scalar one):
// N AVX2 registers of four doubles, 4 N lanes. More than one register per
// lane type gives the processor independent work while one register waits
// for a square root or a division. Include only from a file compiled with
// AVX2 enabled (and never FMA): every operation here is one correctly
// rounded IEEE operation per lane, exactly as the scalar code does it, so
// both give the same bits.

#include <cmath>
#include <immintrin.h>

namespace lanes {

template <int N> struct MaskN
{
    __m256d m[N];
};

template <int N> struct DoubleN
{
    __m256d v[N];

    DoubleN()
    {
        for (__m256d& x : v)
            x = _mm256_setzero_pd();
    }
    DoubleN(double x) // NOLINT: broadcasting constants is the point
    {
        for (__m256d& e : v)
            e = _mm256_set1_pd(x);
    }

    static DoubleN load(const double* p)
    {
        DoubleN r;
        for (int k = 0; k < N; ++k)
            r.v[k] = _mm256_load_pd(p + 4 * k);
        return r;
    }
    void store(double* p) const
    {
        for (int k = 0; k < N; ++k)
            _mm256_store_pd(p + 4 * k, v[k]);
    }
};

#define ORVALIS_LANE_BINARY(Result, name, Arg, field, intrinsic)                                   \
    template <int N> [[gnu::always_inline]] inline Result<N> name(Arg<N> a, Arg<N> b)              \
    {                                                                                              \
        Result<N> r;                                                                               \
        for (int k = 0; k < N; ++k)                                                                \
            r.field[k] = intrinsic;                                                                \
        return r;                                                                                  \
    }

ORVALIS_LANE_BINARY(DoubleN, operator+, DoubleN, v, _mm256_add_pd(a.v[k], b.v[k]))
ORVALIS_LANE_BINARY(DoubleN, operator-, DoubleN, v, _mm256_sub_pd(a.v[k], b.v[k]))
ORVALIS_LANE_BINARY(DoubleN, operator*, DoubleN, v, _mm256_mul_pd(a.v[k], b.v[k]))
ORVALIS_LANE_BINARY(DoubleN, operator/, DoubleN, v, _mm256_div_pd(a.v[k], b.v[k]))
// Ordered comparisons are false for NaN, as in scalar code.
ORVALIS_LANE_BINARY(MaskN, operator<, DoubleN, m, _mm256_cmp_pd(a.v[k], b.v[k], _CMP_LT_OQ))
ORVALIS_LANE_BINARY(MaskN, operator<=, DoubleN, m, _mm256_cmp_pd(a.v[k], b.v[k], _CMP_LE_OQ))
ORVALIS_LANE_BINARY(MaskN, operator>, DoubleN, m, _mm256_cmp_pd(a.v[k], b.v[k], _CMP_GT_OQ))
ORVALIS_LANE_BINARY(MaskN, operator>=, DoubleN, m, _mm256_cmp_pd(a.v[k], b.v[k], _CMP_GE_OQ))
ORVALIS_LANE_BINARY(MaskN, operator==, DoubleN, m, _mm256_cmp_pd(a.v[k], b.v[k], _CMP_EQ_OQ))
ORVALIS_LANE_BINARY(MaskN, operator||, MaskN, m, _mm256_or_pd(a.m[k], b.m[k]))
ORVALIS_LANE_BINARY(MaskN, operator&&, MaskN, m, _mm256_and_pd(a.m[k], b.m[k]))

#undef ORVALIS_LANE_BINARY

template <int N> [[gnu::always_inline]] inline MaskN<N> operator!(MaskN<N> a)
{
    MaskN<N> r;
    for (int k = 0; k < N; ++k)
        r.m[k] = _mm256_xor_pd(a.m[k], _mm256_castsi256_pd(_mm256_set1_epi64x(-1)));
    return r;
}

template <int N> [[gnu::always_inline]] inline DoubleN<N> laneSqrt(DoubleN<N> x)
{
    for (int k = 0; k < N; ++k)
        x.v[k] = _mm256_sqrt_pd(x.v[k]);
    return x;
}

template <int N> [[gnu::always_inline]] inline DoubleN<N> laneAbs(DoubleN<N> x)
{
    for (int k = 0; k < N; ++k)
        x.v[k] = _mm256_andnot_pd(_mm256_set1_pd(-0.0), x.v[k]);
    return x;
}

template <int N>
[[gnu::always_inline]] inline DoubleN<N> laneSelect(MaskN<N> mask, DoubleN<N> a, DoubleN<N> b)
{
    for (int k = 0; k < N; ++k)
        a.v[k] = _mm256_blendv_pd(b.v[k], a.v[k], mask.m[k]);
    return a;
}

template <int N> [[gnu::always_inline]] inline MaskN<N> laneIsNan(DoubleN<N> x)
{
    MaskN<N> r;
    for (int k = 0; k < N; ++k)
        r.m[k] = _mm256_cmp_pd(x.v[k], x.v[k], _CMP_UNORD_Q);
    return r;
}

template <int N> [[gnu::always_inline]] inline bool laneAny(MaskN<N> mask)
{
    __m256d any = mask.m[0];
    for (int k = 1; k < N; ++k)
        any = _mm256_or_pd(any, mask.m[k]);
    return _mm256_movemask_pd(any) != 0;
}

template <int N> inline DoubleN<N> lanePow(DoubleN<N> x, double p)
{
    alignas(32) double a[4 * N];
    x.store(a);
    for (double& e : a)
        e = std::pow(e, p);
    return DoubleN<N>::load(a);
}

} // namespace lanes

#endif
