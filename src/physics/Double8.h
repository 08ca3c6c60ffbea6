#ifndef ORVALIS_DOUBLE8_H
#define ORVALIS_DOUBLE8_H

// The wide vector lane type of the integrator: N AVX-512 registers of eight
// doubles, 8 N lanes, with the operations of Double4.h under the same names.
// Include only from a file compiled with AVX-512 enabled (and never FMA):
// every operation is one correctly rounded IEEE operation per lane, as the
// scalar code does it, so all lane types give the same bits. Comparisons
// give a mask register of eight bits per vector register.

#include <cmath>
#include <immintrin.h>

namespace lanes {

template <int N> struct Mask8N
{
    __mmask8 m[N];
};

template <int N> struct Double8N
{
    __m512d v[N];

    Double8N()
    {
        for (__m512d& x : v)
            x = _mm512_setzero_pd();
    }
    Double8N(double x) // NOLINT: broadcasting constants is the point
    {
        for (__m512d& e : v)
            e = _mm512_set1_pd(x);
    }

    static Double8N load(const double* p)
    {
        Double8N r;
        for (int k = 0; k < N; ++k)
            r.v[k] = _mm512_load_pd(p + 8 * k);
        return r;
    }
    void store(double* p) const
    {
        for (int k = 0; k < N; ++k)
            _mm512_store_pd(p + 8 * k, v[k]);
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

ORVALIS_LANE_BINARY(Double8N, operator+, Double8N, v, _mm512_add_pd(a.v[k], b.v[k]))
ORVALIS_LANE_BINARY(Double8N, operator-, Double8N, v, _mm512_sub_pd(a.v[k], b.v[k]))
ORVALIS_LANE_BINARY(Double8N, operator*, Double8N, v, _mm512_mul_pd(a.v[k], b.v[k]))
ORVALIS_LANE_BINARY(Double8N, operator/, Double8N, v, _mm512_div_pd(a.v[k], b.v[k]))
// Ordered comparisons are false for NaN, as in scalar code.
ORVALIS_LANE_BINARY(Mask8N, operator<, Double8N, m, _mm512_cmp_pd_mask(a.v[k], b.v[k], _CMP_LT_OQ))
ORVALIS_LANE_BINARY(Mask8N, operator<=, Double8N, m, _mm512_cmp_pd_mask(a.v[k], b.v[k], _CMP_LE_OQ))
ORVALIS_LANE_BINARY(Mask8N, operator>, Double8N, m, _mm512_cmp_pd_mask(a.v[k], b.v[k], _CMP_GT_OQ))
ORVALIS_LANE_BINARY(Mask8N, operator>=, Double8N, m, _mm512_cmp_pd_mask(a.v[k], b.v[k], _CMP_GE_OQ))
ORVALIS_LANE_BINARY(Mask8N, operator==, Double8N, m, _mm512_cmp_pd_mask(a.v[k], b.v[k], _CMP_EQ_OQ))
ORVALIS_LANE_BINARY(Mask8N, operator||, Mask8N, m, __mmask8(a.m[k] | b.m[k]))
ORVALIS_LANE_BINARY(Mask8N, operator&&, Mask8N, m, __mmask8(a.m[k] & b.m[k]))

#undef ORVALIS_LANE_BINARY

template <int N> [[gnu::always_inline]] inline Mask8N<N> operator!(Mask8N<N> a)
{
    Mask8N<N> r;
    for (int k = 0; k < N; ++k)
        r.m[k] = __mmask8(~a.m[k]);
    return r;
}

template <int N> [[gnu::always_inline]] inline Double8N<N> laneSqrt(Double8N<N> x)
{
    // The masked form: the plain one leaves GCC warning about its undefined
    // pass-through operand.
    for (int k = 0; k < N; ++k)
        x.v[k] = _mm512_mask_sqrt_pd(x.v[k], __mmask8(0xff), x.v[k]);
    return x;
}

template <int N> [[gnu::always_inline]] inline Double8N<N> laneAbs(Double8N<N> x)
{
    for (int k = 0; k < N; ++k)
        x.v[k] = _mm512_abs_pd(x.v[k]);
    return x;
}

template <int N>
[[gnu::always_inline]] inline Double8N<N> laneSelect(Mask8N<N> mask, Double8N<N> a, Double8N<N> b)
{
    for (int k = 0; k < N; ++k)
        a.v[k] = _mm512_mask_blend_pd(mask.m[k], b.v[k], a.v[k]);
    return a;
}

template <int N> [[gnu::always_inline]] inline Mask8N<N> laneIsNan(Double8N<N> x)
{
    Mask8N<N> r;
    for (int k = 0; k < N; ++k)
        r.m[k] = _mm512_cmp_pd_mask(x.v[k], x.v[k], _CMP_UNORD_Q);
    return r;
}

template <int N> [[gnu::always_inline]] inline bool laneAny(Mask8N<N> mask)
{
    unsigned any = 0;
    for (int k = 0; k < N; ++k)
        any |= mask.m[k];
    return any != 0;
}

template <int N> inline Double8N<N> lanePow(Double8N<N> x, double p)
{
    alignas(64) double a[8 * N];
    x.store(a);
    for (double& e : a)
        e = std::pow(e, p);
    return Double8N<N>::load(a);
}

} // namespace lanes

#endif
