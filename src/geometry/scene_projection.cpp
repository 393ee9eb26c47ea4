#include "geometry/scene_projection.h"

#include <algorithm>

#include "geometry/point_projection.h"

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define KELPRIS_PAIR_LANES 1
#else
#define KELPRIS_PAIR_LANES 0
#endif

namespace kelpris {

Point projectParallel(const Scena& scene, const Matrix4& transform, float scale,
                      std::int32_t originX, std::int32_t originY,
                      std::span<Point> points) noexcept {
    // The projector holds its own copy of the matrix, so the stores into the
    // buffer cannot alias it and it stays in registers.
    const detail::ParallelProjector project(transform, scale, originX, originY);
    const std::size_t n = std::min(points.size(), scene.vertices.size());
    const Vertex* in = scene.vertices.data();
    for (std::size_t i = 0; i < n; ++i) {
        points[i] = project(in[i].x, in[i].y, in[i].z);
    }
    return project(scene.centreX, scene.centreY, scene.centreZ);
}

void projectStereo(const Scena& scene, const Matrix4& transform, const StereoParams& params,
                   std::span<Point> points, std::span<std::int32_t> depths) noexcept {
    const detail::StereoProjector project(transform, params);
    const std::size_t n = std::min(points.size(), scene.vertices.size());
    const std::size_t withDepth = std::min(n, depths.size());
    const Vertex* in = scene.vertices.data();
    // Two loops rather than a test per vertex: only the eye that orders the
    // faces needs the depths.
    for (std::size_t i = 0; i < withDepth; ++i) {
        const StereoPoint s = project(in[i].x, in[i].y, in[i].z);
        points[i] = {s.x, s.y};
        depths[i] = s.depth;
    }
    for (std::size_t i = withDepth; i < n; ++i) {
        const StereoPoint s = project(in[i].x, in[i].y, in[i].z);
        points[i] = {s.x, s.y};
    }
}

namespace {

// Both eyes' last step from the shared part, for vertex i.
[[gnu::always_inline]] inline std::int32_t projectBoth(const detail::StereoProjector& project,
                                                       const Vertex& v,
                                                       const StereoPairBuffers& out,
                                                       std::size_t i) noexcept {
    const detail::StereoProjector::Shared s = project.shared(v.x, v.y, v.z);
    out.right[i] = {project.eyeX(s, +1), s.y};
    out.left[i] = {project.eyeX(s, -1), s.y};
    return s.depth;
}

#if KELPRIS_PAIR_LANES

// Four vertices at once in AVX2 lanes of doubles: the same IEEE operations
// in the same order as StereoProjector, each float rounding an explicit
// conversion to float and back (the instructions do exactly that; no
// compiler fold applies to them), no fused multiply-add (FMA is not enabled
// for these functions). The integer steps are done on whole doubles, which
// hold every sum of three int32 values exactly, and clamped to the int32
// range as the saturating conversions are.
class PairLanes {
  public:
    [[gnu::target("avx2")]] PairLanes(const Matrix4& xf, const StereoParams& p) noexcept
        : scale_(_mm256_set1_pd(static_cast<double>(p.scale))),
          depthOffset_(_mm256_set1_pd(p.depthOffset)),
          eyeDistance_(_mm256_set1_pd(p.eyeDistance)),
          eyeShift_(_mm256_set1_pd(p.eyeShift)),
          originX_(_mm256_set1_pd(p.originX)),
          originY_(_mm256_set1_pd(p.originY)) {
        for (int j = 0; j < 3; ++j) {
            for (int i = 0; i < 4; ++i) {
                col_[j][i] = _mm256_set1_pd(static_cast<double>(xf.m[i][j]));
            }
        }
    }

    /// Vertices [i, i + 4): both eyes, and the depths when `depths` is set.
    [[gnu::target("avx2")]] void project(const Vertex* in, const StereoPairBuffers& out,
                                         std::size_t i, bool depths) const noexcept {
        const __m256d x = widened(in[i].x, in[i + 1].x, in[i + 2].x, in[i + 3].x);
        const __m256d y = widened(in[i].y, in[i + 1].y, in[i + 2].y, in[i + 3].y);
        const __m256d z = widened(in[i].z, in[i + 1].z, in[i + 2].z, in[i + 3].z);
        const __m256d px = toFloat(_mm256_mul_pd(toFloat(column(0, x, y, z)), scale_));
        const __m256d py = toFloat(_mm256_mul_pd(toFloat(column(1, x, y, z)), scale_));
        __m256d pz = toFloat(_mm256_mul_pd(toFloat(column(2, x, y, z)), scale_));
        pz = toFloat(_mm256_add_pd(depthOffset_, pz));

        const __m256d k = _mm256_add_pd(_mm256_div_pd(pz, eyeDistance_), _mm256_set1_pd(1.0));
        const __m256d t1 = truncated(_mm256_div_pd(px, k));
        const __m256d t2 = truncated(_mm256_div_pd(_mm256_sub_pd(px, eyeShift_), k));
        const __m256d negY = _mm256_xor_pd(py, _mm256_set1_pd(-0.0));
        const __m128i wy =
            toInt(clamped(_mm256_add_pd(truncated(_mm256_div_pd(negY, k)), originY_)));

        const __m256d spread = clamped(_mm256_add_pd(_mm256_sub_pd(eyeShift_, t1), t2));
        const __m256d negSpread = clamped(_mm256_xor_pd(spread, _mm256_set1_pd(-0.0)));
        store(&out.right[i], eyeX(t1, spread), wy);
        store(&out.left[i], eyeX(t1, negSpread), wy);
        if (depths) {
            _mm_storeu_si128(reinterpret_cast<__m128i*>(&out.depths[i]), toInt(truncated(pz)));
        }
    }

  private:
    [[gnu::target("avx2")]] static __m256d widened(std::int32_t a, std::int32_t b, std::int32_t c,
                                                   std::int32_t d) noexcept {
        return _mm256_cvtps_pd(_mm_cvtepi32_ps(_mm_setr_epi32(a, b, c, d)));
    }
    [[gnu::target("avx2")]] static __m256d toFloat(__m256d v) noexcept {
        return _mm256_cvtps_pd(_mm256_cvtpd_ps(v));
    }
    [[gnu::target("avx2")]] static __m256d clamped(__m256d v) noexcept {
        return _mm256_min_pd(_mm256_max_pd(v, _mm256_set1_pd(-2147483648.0)),
                             _mm256_set1_pd(2147483647.0));
    }
    /// truncToInt32, kept as a double: NaN gives 0, the rest is clamped and
    /// truncated toward zero.
    [[gnu::target("avx2")]] static __m256d truncated(__m256d v) noexcept {
        const __m256d number = _mm256_and_pd(v, _mm256_cmp_pd(v, v, _CMP_ORD_Q));
        return _mm256_round_pd(clamped(number), _MM_FROUND_TO_ZERO | _MM_FROUND_NO_EXC);
    }
    /// Whole doubles within the int32 range, converted exactly.
    [[gnu::target("avx2")]] static __m128i toInt(__m256d v) noexcept {
        return _mm256_cvttpd_epi32(v);
    }
    [[gnu::target("avx2")]] __m256d column(int j, __m256d x, __m256d y, __m256d z) const noexcept {
        __m256d s = _mm256_mul_pd(x, col_[j][0]);
        s = _mm256_add_pd(s, _mm256_mul_pd(y, col_[j][1]));
        s = _mm256_add_pd(s, _mm256_mul_pd(z, col_[j][2]));
        return _mm256_add_pd(s, col_[j][3]);
    }
    [[gnu::target("avx2")]] __m128i eyeX(__m256d t1, __m256d offset) const noexcept {
        return toInt(clamped(_mm256_add_pd(clamped(_mm256_add_pd(t1, offset)), originX_)));
    }
    [[gnu::target("avx2")]] static void store(Point* to, __m128i xs, __m128i ys) noexcept {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(to), _mm_unpacklo_epi32(xs, ys));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(to + 2), _mm_unpackhi_epi32(xs, ys));
    }

    __m256d col_[3][4];
    __m256d scale_;
    __m256d depthOffset_;
    __m256d eyeDistance_;
    __m256d eyeShift_;
    __m256d originX_;
    __m256d originY_;
};

/// Vertices [first, end) by whole fours, with their depths when `depths`
/// is set; returns where the fours stopped.
[[gnu::target("avx2")]] std::size_t projectPairLanes(const Scena& scene, const Matrix4& transform,
                                                     const StereoParams& params,
                                                     const StereoPairBuffers& out,
                                                     std::size_t first, std::size_t end,
                                                     bool depths) noexcept {
    const PairLanes lanes(transform, params);
    const Vertex* in = scene.vertices.data();
    std::size_t i = first;
    for (; i + 4 <= end; i += 4) {
        lanes.project(in, out, i, depths);
    }
    return i;
}

#endif

/// Whether this processor runs the four-lane projection.
bool hasPairLanes() noexcept {
#if KELPRIS_PAIR_LANES
    static const bool avx2 = __builtin_cpu_supports("avx2") != 0;
    return avx2;
#else
    return false;
#endif
}

}  // namespace

void projectStereoPair(const Scena& scene, const Matrix4& transform, const StereoParams& params,
                       const StereoPairBuffers& out, std::size_t first, std::size_t last) noexcept {
    const detail::StereoProjector project(transform, params);
    const std::size_t end =
        std::min({last, scene.vertices.size(), out.right.size(), out.left.size()});
    const std::size_t withDepth = std::min(end, out.depths.size());
    const Vertex* in = scene.vertices.data();
    [[maybe_unused]] const bool lanes = hasPairLanes();
    // Fours in lanes where they can be; the few vertices left over, one by one.
    const auto run = [&](std::size_t from, std::size_t to, bool depths) {
        std::size_t i = from;
#if KELPRIS_PAIR_LANES
        if (lanes && from < to) {
            i = projectPairLanes(scene, transform, params, out, from, to, depths);
        }
#endif
        for (; i < to; ++i) {
            const std::int32_t depth = projectBoth(project, in[i], out, i);
            if (depths) {
                out.depths[i] = depth;
            }
        }
    };
    run(first, withDepth, true);
    run(std::max(first, withDepth), end, false);
}

}  // namespace kelpris
