#pragma once
// What one paint computes, in buffers its caller owns: the paint writes its
// results here instead of into the model (which stays read-only) and reuses
// the memory from one paint to the next, so that a paint of the same model
// at the same size allocates nothing. After a paint the buffers hold what
// that paint computed.

#include <cstdint>
#include <memory>
#include <vector>

#include "geometry/point.h"
#include "render/drawing_surface.h"
#include "render/lit_drawing.h"
#include "render/plane_surface.h"
#include "scene/depth_order.h"
#include "scene/scena.h"
#include "view/depth_readout.h"

namespace kelpris {

struct PaintBuffers {
    /// Window positions of the vertices (element i for vertex i) drawn by
    /// the calling thread: the side view (last) on the setup screen, the
    /// right eye on the stereo screen.
    std::vector<Point> points;
    /// Those drawn by the paint's second task: the preview's left eye on the
    /// setup screen, the left eye on the stereo screen.
    std::vector<Point> otherPoints;
    /// The preview's right eye, projected in one pass with its left eye.
    std::vector<Point> previewPoints;
    /// The setup screen's plan view, projected by the second thread.
    std::vector<Point> planPoints;
    /// Depths of the vertices in the stereo screen's projection, the same
    /// for both eyes.
    std::vector<std::int32_t> depths;
    /// Window position of the model centre in the side view.
    Point centre;
    /// The depth order of the latest stereo paint of a face model.
    DepthOrder order;
    /// That order's faces copied in drawing order.
    std::vector<Face> faces;
    /// The vertices in the light's space (element i for vertex i) when
    /// faces are lit.
    std::vector<LightSpacePoint> lightSpace;
    /// The parallax range of the latest stereo paint's projections.
    KeptParallax parallax;
    /// Brightness of each of `faces` when faces are lit.
    std::vector<double> lights;
    /// Off-screen pictures kept while their size stays (allocating and
    /// clearing a window-sized picture costs as much as a simple paint);
    /// every paint covers them wholly before drawing on them.
    std::unique_ptr<Bitmap> leftEyePicture;
    std::unique_ptr<Bitmap> previewPicture;
    /// The stereo screen's eyes, a byte per pixel, when each eye's colours
    /// lie in one channel; kept like the pictures above.
    PlaneSurface leftEyePlane;
    PlaneSurface rightEyePlane;
    /// The setup preview drawn in parts, and its colours; kept likewise.
    std::vector<PlaneSurface> previewPlanes;
};

/// One of the kept pictures selected into a memory surface for the guard's
/// life: made anew from `window` first when it is missing, of another size,
/// or not accepted by `memory`. The memory surface gets its previous bitmap
/// back when the guard goes.
class KeptPictureSelection {
  public:
    KeptPictureSelection(DrawingSurface& window, DrawingSurface* memory,
                         std::unique_ptr<Bitmap>& kept, std::int32_t width, std::int32_t height);
    ~KeptPictureSelection();
    KeptPictureSelection(const KeptPictureSelection&) = delete;
    KeptPictureSelection& operator=(const KeptPictureSelection&) = delete;
    /// False when no picture could be made or selected.
    bool selected() const { return previous_ != nullptr; }

  private:
    DrawingSurface* memory_;
    Bitmap* previous_ = nullptr;
};

}  // namespace kelpris
