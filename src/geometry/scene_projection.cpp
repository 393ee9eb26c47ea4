#include "geometry/scene_projection.h"

#include <algorithm>

#include "geometry/point_projection.h"

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define KELPRIS_LANES 1
#else
#define KELPRIS_LANES 0
#endif

namespace kelpris {

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

#if KELPRIS_LANES

// Four vertices at once in AVX2 lanes of doubles: the same IEEE operations
// in the same order as the one-point projectors, each float rounding an
// explicit conversion to float and back (the instructions do exactly that;
// no compiler fold applies to them), no fused multiply-add (FMA is not
// enabled for these functions). The integer steps are done on whole doubles,
// which hold every sum of three int32 values exactly, and clamped to the
// int32 range as the saturating conversions are.
namespace lanes {

[[gnu::target("avx2")]] inline __m256d toFloat(__m256d v) noexcept {
    return _mm256_cvtps_pd(_mm256_cvtpd_ps(v));
}
[[gnu::target("avx2")]] inline __m256d widened(__m128 v) noexcept {
    return _mm256_cvtps_pd(v);
}
[[gnu::target("avx2")]] inline __m256d clamped(__m256d v) noexcept {
    return _mm256_min_pd(_mm256_max_pd(v, _mm256_set1_pd(-2147483648.0)),
                         _mm256_set1_pd(2147483647.0));
}
[[gnu::target("avx2")]] inline __m256d negated(__m256d v) noexcept {
    return _mm256_xor_pd(v, _mm256_set1_pd(-0.0));
}
/// truncToInt32, kept as a double: NaN gives 0, the rest is clamped and
/// truncated toward zero. (The clamp takes NaN to a bound, which the mask
/// then clears; the mask is formed beside the clamp, not before it.)
[[gnu::target("avx2")]] inline __m256d truncated(__m256d v) noexcept {
    const __m256d whole = _mm256_round_pd(clamped(v), _MM_FROUND_TO_ZERO | _MM_FROUND_NO_EXC);
    return _mm256_and_pd(whole, _mm256_cmp_pd(v, v, _CMP_ORD_Q));
}
/// Whole doubles within the int32 range, converted exactly.
[[gnu::target("avx2")]] inline __m128i toInt(__m256d v) noexcept {
    return _mm256_cvttpd_epi32(v);
}
/// place(): a whole double offset plus the origin, saturated.
[[gnu::target("avx2")]] inline __m128i placed(__m256d offset, __m256d origin) noexcept {
    return toInt(clamped(_mm256_add_pd(offset, origin)));
}
/// Four points from their x and y.
[[gnu::target("avx2")]] inline void store(Point* to, __m128i xs, __m128i ys) noexcept {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(to), _mm_unpacklo_epi32(xs, ys));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(to + 2), _mm_unpackhi_epi32(xs, ys));
}

/// Columns 0..ncols-1 of a Matrix4 in lanes: Columns::transform for four
/// vertices.
template <int ncols>
class Columns {
  public:
    [[gnu::target("avx2")]] explicit Columns(const Matrix4& xf) noexcept {
        for (int j = 0; j < ncols; ++j) {
            for (int i = 0; i < 4; ++i) {
                col_[j][i] = _mm256_set1_pd(static_cast<double>(xf.m[i][j]));
            }
        }
    }

    /// Column j of each of the vertices from `in`, rounded to float, into
    /// out[j].
    [[gnu::target("avx2")]] void transform(const Vertex* in, __m128 (&out)[ncols]) const noexcept {
        // Four vertices are three loads: x0 y0 z0 x1 | y1 z1 x2 y2 | z2 x3 y3 z3.
        static_assert(sizeof(Vertex) == 3 * sizeof(std::int32_t));
        const auto* words = reinterpret_cast<const __m128i*>(in);
        const __m128i a = _mm_loadu_si128(words);
        const __m128i b = _mm_loadu_si128(words + 1);
        const __m128i c = _mm_loadu_si128(words + 2);
        // x0 x3 x2 x1, y1 y0 y3 y2, z2 z1 z0 z3, then each into order.
        const __m128i xs = _mm_blend_epi32(_mm_blend_epi32(a, b, 0b0100), c, 0b0010);
        const __m128i ys = _mm_blend_epi32(_mm_blend_epi32(a, b, 0b1001), c, 0b0100);
        const __m128i zs = _mm_blend_epi32(_mm_blend_epi32(a, b, 0b0010), c, 0b1001);
        const __m256d x = widened(_mm_shuffle_epi32(xs, _MM_SHUFFLE(1, 2, 3, 0)));
        const __m256d y = widened(_mm_shuffle_epi32(ys, _MM_SHUFFLE(2, 3, 0, 1)));
        const __m256d z = widened(_mm_shuffle_epi32(zs, _MM_SHUFFLE(3, 0, 1, 2)));
        for (int j = 0; j < ncols; ++j) {
            __m256d s = _mm256_mul_pd(x, col_[j][0]);
            s = _mm256_add_pd(s, _mm256_mul_pd(y, col_[j][1]));
            s = _mm256_add_pd(s, _mm256_mul_pd(z, col_[j][2]));
            out[j] = _mm256_cvtpd_ps(_mm256_add_pd(s, col_[j][3]));
        }
    }

  private:
    [[gnu::target("avx2")]] static __m256d widened(__m128i v) noexcept {
        return _mm256_cvtps_pd(_mm_cvtepi32_ps(v));
    }

    __m256d col_[ncols][4];
};

}  // namespace lanes

/// ParallelProjector in lanes.
class ParallelLanes {
  public:
    [[gnu::target("avx2")]] ParallelLanes(const Matrix4& xf, float scale, std::int32_t originX,
                                          std::int32_t originY) noexcept
        : cols_(xf),
          scale_(_mm256_set1_pd(static_cast<double>(scale))),
          originX_(_mm256_set1_pd(originX)),
          originY_(_mm256_set1_pd(originY)) {}

    /// Vertices [i, i + 4).
    [[gnu::target("avx2")]] void project(const Vertex* in, Point* out,
                                         std::size_t i) const noexcept {
        __m128 p[2];
        cols_.transform(in + i, p);
        // The scaled values are truncated straight from double, not via float.
        const __m256d sx = _mm256_mul_pd(lanes::widened(p[0]), scale_);
        const __m256d sy = _mm256_mul_pd(lanes::negated(lanes::widened(p[1])), scale_);
        lanes::store(out + i, lanes::placed(lanes::truncated(sx), originX_),
                     lanes::placed(lanes::truncated(sy), originY_));
    }

  private:
    lanes::Columns<2> cols_;
    __m256d scale_;
    __m256d originX_;
    __m256d originY_;
};

/// Both eyes of StereoProjector in lanes.
class PairLanes {
  public:
    [[gnu::target("avx2")]] PairLanes(const Matrix4& xf, const StereoParams& p) noexcept
        : cols_(xf),
          scale_(_mm_set1_ps(p.scale)),
          depthOffset_(_mm256_set1_pd(p.depthOffset)),
          eyeDistance_(_mm256_set1_pd(p.eyeDistance)),
          eyeShift_(_mm256_set1_pd(p.eyeShift)),
          originX_(_mm256_set1_pd(p.originX)),
          originY_(_mm256_set1_pd(p.originY)) {}

    /// Vertices [i, i + 4): both eyes, and the depths when `depths` is set.
    [[gnu::target("avx2")]] void project(const Vertex* in, const StereoPairBuffers& out,
                                         std::size_t i, bool depths) const noexcept {
        using lanes::clamped;
        using lanes::placed;
        using lanes::toFloat;
        using lanes::truncated;
        __m128 p[3];
        cols_.transform(in + i, p);
        // A float times a float is exact in double, so the product rounded to
        // float is the float product.
        const __m256d px = lanes::widened(_mm_mul_ps(p[0], scale_));
        const __m256d py = lanes::widened(_mm_mul_ps(p[1], scale_));
        __m256d pz = lanes::widened(_mm_mul_ps(p[2], scale_));
        pz = toFloat(_mm256_add_pd(depthOffset_, pz));

        const __m256d k = _mm256_add_pd(_mm256_div_pd(pz, eyeDistance_), _mm256_set1_pd(1.0));
        const __m256d t1 = truncated(_mm256_div_pd(px, k));
        const __m256d t2 = truncated(_mm256_div_pd(_mm256_sub_pd(px, eyeShift_), k));
        const __m128i wy = placed(truncated(_mm256_div_pd(lanes::negated(py), k)), originY_);

        const __m256d spread = clamped(_mm256_add_pd(_mm256_sub_pd(eyeShift_, t1), t2));
        const __m256d negSpread = clamped(lanes::negated(spread));
        lanes::store(&out.right[i], placed(clamped(_mm256_add_pd(t1, spread)), originX_), wy);
        lanes::store(&out.left[i], placed(clamped(_mm256_add_pd(t1, negSpread)), originX_), wy);
        if (depths) {
            _mm_storeu_si128(reinterpret_cast<__m128i*>(&out.depths[i]),
                             lanes::toInt(truncated(pz)));
        }
    }

  private:
    lanes::Columns<3> cols_;
    __m128 scale_;
    __m256d depthOffset_;
    __m256d eyeDistance_;
    __m256d eyeShift_;
    __m256d originX_;
    __m256d originY_;
};

/// Vertices [0, end) by whole fours; returns where the fours stopped.
[[gnu::target("avx2")]] std::size_t projectParallelLanes(const Matrix4& transform, float scale,
                                                         std::int32_t originX, std::int32_t originY,
                                                         const Vertex* in, Point* out,
                                                         std::size_t end) noexcept {
    const ParallelLanes lanes(transform, scale, originX, originY);
    std::size_t i = 0;
    for (; i + 4 <= end; i += 4) {
        lanes.project(in, out, i);
    }
    return i;
}

/// Vertices [first, end) by whole fours, with their depths when `depths`
/// is set; returns where the fours stopped.
[[gnu::target("avx2")]] std::size_t projectPairLanes(const Vertex* in, const Matrix4& transform,
                                                     const StereoParams& params,
                                                     const StereoPairBuffers& out,
                                                     std::size_t first, std::size_t end,
                                                     bool depths) noexcept {
    const PairLanes lanes(transform, params);
    std::size_t i = first;
    for (; i + 4 <= end; i += 4) {
        lanes.project(in, out, i, depths);
    }
    return i;
}

#endif

/// Whether this processor runs the four-lane projection.
bool hasLanes() noexcept {
#if KELPRIS_LANES
    static const bool avx2 = __builtin_cpu_supports("avx2") != 0;
    return avx2;
#else
    return false;
#endif
}

}  // namespace

Point projectParallel(const Scena& scene, const Matrix4& transform, float scale,
                      std::int32_t originX, std::int32_t originY,
                      std::span<Point> points) noexcept {
    // The projector holds its own copy of the matrix, so the stores into the
    // buffer cannot alias it and it stays in registers.
    const detail::ParallelProjector project(transform, scale, originX, originY);
    const std::size_t n = std::min(points.size(), scene.vertices.size());
    const Vertex* in = scene.vertices.data();
    std::size_t i = 0;  // fours in lanes where they can be, the rest one by one
#if KELPRIS_LANES
    if (hasLanes()) {
        i = projectParallelLanes(transform, scale, originX, originY, in, points.data(), n);
    }
#endif
    for (; i < n; ++i) {
        points[i] = project(in[i].x, in[i].y, in[i].z);
    }
    return project(scene.centreX, scene.centreY, scene.centreZ);
}

void projectStereoPair(std::span<const Vertex> vertices, const Matrix4& transform,
                       const StereoParams& params, const StereoPairBuffers& out) noexcept {
    const detail::StereoProjector project(transform, params);
    const std::size_t end = std::min({vertices.size(), out.right.size(), out.left.size()});
    const std::size_t withDepth = std::min(end, out.depths.size());
    const Vertex* in = vertices.data();
    [[maybe_unused]] const bool lanes = hasLanes();
    // Fours in lanes where they can be; the few vertices left over, one by one.
    const auto run = [&](std::size_t from, std::size_t to, bool depths) {
        std::size_t i = from;
#if KELPRIS_LANES
        if (lanes && from < to) {
            i = projectPairLanes(in, transform, params, out, from, to, depths);
        }
#endif
        for (; i < to; ++i) {
            const std::int32_t depth = projectBoth(project, in[i], out, i);
            if (depths) {
                out.depths[i] = depth;
            }
        }
    };
    run(0, withDepth, true);
    run(withDepth, end, false);
}

void projectStereoPair(const Scena& scene, const Matrix4& transform, const StereoParams& params,
                       const StereoPairBuffers& out, std::size_t first, std::size_t last) noexcept {
    const std::size_t end =
        std::min({last, scene.vertices.size(), out.right.size(), out.left.size()});
    if (first >= end) {
        return;
    }
    const std::size_t count = end - first;
    const std::span<std::int32_t> depths =
        first < out.depths.size()
            ? out.depths.subspan(first, std::min(count, out.depths.size() - first))
            : std::span<std::int32_t>{};
    projectStereoPair(std::span(scene.vertices).subspan(first, count), transform, params,
                      {out.right.subspan(first, count), out.left.subspan(first, count), depths});
}

}  // namespace kelpris
