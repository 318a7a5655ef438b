#pragma once

// Shared by the hot-loop files that are compiled twice, for the x86-64
// baseline and for x86-64-v3 (AVX2, FMA), with the first call picking one by
// the processor's features. The choice is made in ordinary code rather than
// by a loader ifunc, whose resolver would run before the sanitizers' run-time
// is ready; so the sanitizer trees test the very variant the release build
// runs. Include it in .cpp files only, after switching off GCC's -Wpsabi
// note: the helpers are always inlined, so no vector crosses a call.
#if defined(__x86_64__) && defined(__GNUC__)
#define VELORIX_HAVE_AVX2_VARIANT 1
#define VELORIX_AVX2 __attribute__((target("arch=x86-64-v3")))
#else
#define VELORIX_HAVE_AVX2_VARIANT 0
#define VELORIX_AVX2
#endif

#if defined(__GNUC__)
#define VELORIX_INLINE inline __attribute__((always_inline))
#else
#define VELORIX_INLINE inline
#endif

namespace velorix::simd {

// Two or four doubles (one or two complex samples): the SSE2 register of the
// baseline variant and the AVX2 register of the x86-64-v3 one. Loads and
// stores go through memcpy, so no alignment is assumed (an alignment
// attribute on these types would be lost when they are template arguments).
typedef double V2 __attribute__((vector_size(16)));
typedef double V4 __attribute__((vector_size(32)));

template <typename VT>
VELORIX_INLINE VT Load(const double* p) {
    VT v;
    __builtin_memcpy(&v, p, sizeof(VT));
    return v;
}

template <typename VT>
VELORIX_INLINE void Store(double* p, VT v) {
    __builtin_memcpy(p, &v, sizeof(VT));
}

}  // namespace velorix::simd
