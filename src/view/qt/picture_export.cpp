// The view's pictures for files: the screen or one eye at the window's
// layout or at another size.

#include "view/qt/picture_export.h"

#include <QFile>
#include <QPainter>
#include <filesystem>

#include "render/qt/png_encoding.h"
#include "render/qt/qt_surface.h"
#include "view/qt/kelpr_view.h"
#include "view/shading.h"

namespace kelpris {

namespace {

// The window's layout and framing (a fitted one is fitted again at another
// size), the transforms a setup paint rebuilds and the azimuth a turntable
// frame turns, put back when the guard goes.
class KeptLayout {
  public:
    explicit KeptLayout(ViewState& state)
        : state_(state),
          layout_(state.layout),
          framing_(state.framing),
          yaw_(state.yaw),
          transformYaw_(state.transformYaw),
          transformPitch_(state.transformPitch),
          stereo_(state.stereoXf),
          side_(state.sideXf),
          plan_(state.planXf) {}
    ~KeptLayout() {
        state_.layout = layout_;
        state_.framing = framing_;
        state_.yaw = yaw_;
        state_.transformYaw = transformYaw_;
        state_.transformPitch = transformPitch_;
        state_.stereoXf = stereo_;
        state_.sideXf = side_;
        state_.planXf = plan_;
    }
    KeptLayout(const KeptLayout&) = delete;
    KeptLayout& operator=(const KeptLayout&) = delete;

  private:
    ViewState& state_;
    Layout layout_;
    Framing framing_;
    float yaw_;
    float transformYaw_;
    float transformPitch_;
    Matrix4 stereo_;
    Matrix4 side_;
    Matrix4 plan_;
};

void layOutFor(ViewState& state, QSize size) {
    computeLayout(state, PlacementRect{0, 0, size.width() + 4, size.height() + 4});
}

QImage blankImage(const Layout& layout) {
    if (layout.clientW <= 0 || layout.clientH <= 0) {
        return {};
    }
    return QImage(layout.clientW, layout.clientH, QImage::Format_RGB32);
}

QImage drawEye(const ViewState& state, Eye eye) {
    QImage image = blankImage(state.layout);
    if (!image.isNull()) {
        QtImageSurface surface(image);
        PaintBuffers buffers;
        drawEyePicture(state, surface, buffers, eye == Eye::Right ? +1 : -1, kGreyEye);
    }
    return image;
}

}  // namespace

// Its own buffers, so that the window's kept pictures keep the window's size.
QImage CKELPRView::renderScreenAt(QSize size) {
    drawPendingRedraw();  // the window's sort report before this one
    const KeptLayout keep(state_);
    layOutFor(state_, size);
    QImage image = blankImage(state_.layout);
    if (!image.isNull()) {
        Result<SortReport> report = SortReport::None;
        {
            QtImageSurface surface(image);
            PaintBuffers buffers;
            report = DrawScreen(state_, surface, buffers, kSortReportFile, paintHelpers());
        }
        noteSortReport(report);
    }
    return image;
}

QImage CKELPRView::renderScreenAtYaw(QSize size, float yaw) {
    drawPendingRedraw();  // at the window's own azimuth
    const KeptLayout keep(state_);
    // A fitted model is fitted for this size at the window's azimuth, the
    // animation's first, and every frame keeps that fit as the model turns.
    layOutFor(state_, size);
    state_.yaw = yaw;
    buildTransforms(state_);
    return renderScreenAt(size);
}

QImage CKELPRView::renderEye(Eye eye, std::optional<QSize> size) {
    if (!size) {
        return drawEye(state_, eye);
    }
    const KeptLayout keep(state_);
    layOutFor(state_, *size);
    return drawEye(state_, eye);
}

QImage sideBySide(const QImage& left, const QImage& right) {
    QImage both(left.width() + right.width(), std::max(left.height(), right.height()),
                QImage::Format_RGB32);
    if (both.isNull()) {
        return both;
    }
    both.fill(Qt::black);
    QPainter painter(&both);
    painter.drawImage(0, 0, left);
    painter.drawImage(left.width(), 0, right);
    return both;
}

FileStatus writePng(const QImage& image, const QString& path) {
    if (image.isNull()) {
        return FileStatus::failure(path.toStdString(), 0, "there is no picture to write");
    }
    // The name's bytes as the dialog gave them, unchanged to the system call.
    return writePngFile(image, std::filesystem::path(QFile::encodeName(path).toStdString()));
}

}  // namespace kelpris
