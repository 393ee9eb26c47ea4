#include "view/qt/picture_export.h"

#include <QFile>
#include <QPainter>
#include <filesystem>

#include "render/qt/png_encoding.h"
#include "render/qt/qt_surface.h"
#include "view/shading.h"
#include "view/view_logic.h"
#include "view/view_state.h"

namespace kelpris {

namespace {

// The parts of the state a layout and a setup paint write, and the azimuth a
// turntable frame turns.
class LayoutKeeper {
  public:
    explicit LayoutKeeper(ViewState& state)
        : state_(state),
          ints_{state.clientW,  state.clientH,  state.modelX,   state.sideY,
                state.planY,    state.midY,     state.planeX,   state.eyeHalfSep,
                state.previewW, state.previewH, state.previewX, state.previewY},
          yaw_(state.yaw),
          stereo_(state.stereoXf),
          side_(state.sideXf),
          plan_(state.planXf) {}
    ~LayoutKeeper() {
        ViewState& s = state_;
        s.clientW = ints_[0];
        s.clientH = ints_[1];
        s.modelX = ints_[2];
        s.sideY = ints_[3];
        s.planY = ints_[4];
        s.midY = ints_[5];
        s.planeX = ints_[6];
        s.eyeHalfSep = ints_[7];
        s.previewW = ints_[8];
        s.previewH = ints_[9];
        s.previewX = ints_[10];
        s.previewY = ints_[11];
        s.yaw = yaw_;
        s.stereoXf = stereo_;
        s.sideXf = side_;
        s.planXf = plan_;
    }
    LayoutKeeper(const LayoutKeeper&) = delete;
    LayoutKeeper& operator=(const LayoutKeeper&) = delete;

  private:
    ViewState& state_;
    std::int32_t ints_[12];
    float yaw_;
    Matrix4 stereo_;
    Matrix4 side_;
    Matrix4 plan_;
};

void layOutFor(ViewState& state, QSize size) {
    computeLayout(state, PlacementRect{0, 0, size.width() + 4, size.height() + 4});
}

QImage blankImage(const ViewState& state) {
    if (state.clientW <= 0 || state.clientH <= 0) {
        return {};
    }
    return QImage(state.clientW, state.clientH, QImage::Format_RGB32);
}

QImage drawEye(ViewState& state, Eye eye) {
    QImage image = blankImage(state);
    if (!image.isNull()) {
        QtImageSurface surface(image);
        drawEyePicture(state, surface, eye == Eye::Right ? +1 : -1, kGreyEye);
    }
    return image;
}

}  // namespace

QImage renderScreenAt(QSize size) {
    ViewState& state = viewState();
    const LayoutKeeper keep(state);
    layOutFor(state, size);
    QImage image = blankImage(state);
    if (!image.isNull()) {
        QtImageSurface surface(image);
        (void)DrawScreen(state, surface);
    }
    return image;
}

QImage renderScreenAtYaw(QSize size, float yaw) {
    ViewState& state = viewState();
    const LayoutKeeper keep(state);
    state.yaw = yaw;
    buildTransforms(state);
    return renderScreenAt(size);
}

QImage renderEye(Eye eye, std::optional<QSize> size) {
    ViewState& state = viewState();
    if (!size) {
        return drawEye(state, eye);
    }
    const LayoutKeeper keep(state);
    layOutFor(state, *size);
    return drawEye(state, eye);
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

std::optional<QString> writePng(const QImage& image, const QString& path) {
    if (image.isNull()) {
        return QStringLiteral("%1: there is no picture to write").arg(path);
    }
    // The name's bytes as the dialog gave them, unchanged to the system call.
    const FileStatus written =
        writePngFile(image, std::filesystem::path(QFile::encodeName(path).toStdString()));
    if (!written) {
        return QString::fromStdString(written.message());
    }
    return std::nullopt;
}

}  // namespace kelpris
