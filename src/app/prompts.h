#pragma once
// Everything the shell asks or tells the user goes through Prompts, so tests
// can answer instead of a person. QtPrompts is the real thing.

#include <QMessageBox>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <memory>

namespace kelpris {

class Prompts {
  public:
    virtual ~Prompts() = default;
    /// A failure the user has to acknowledge (modal).
    virtual void error(QWidget* parent, const QString& text) = 0;
    /// A notice that must not block the window: returns at once.
    virtual void notice(QWidget* parent, const QString& text) = 0;
    /// Whether `path` may be overwritten; the default answer is No.
    [[nodiscard]] virtual bool confirmOverwrite(QWidget* parent, const QString& path) = 0;
    /// A scene file to open; empty when cancelled.
    virtual QString openPath(QWidget* parent) = 0;
    /// A file to save to, starting from `suggested`; empty when cancelled.
    virtual QString savePath(QWidget* parent, const QString& suggested) = 0;
};

/// The Open dialog's filters: scene files, then every file the viewer opens
/// (scene files and the importer's formats; shown first), then all files.
QStringList openFilters();
/// The Save As dialog's filters, the scene file first.
QStringList saveFilters();
/// `path` with the extension of `filter` ("STL models (*.stl)") added when
/// it has none, so the chosen filter decides the format.
QString withFilterExtension(const QString& path, const QString& filter);

class QtPrompts final : public Prompts {
  public:
    void error(QWidget* parent, const QString& text) override;
    void notice(QWidget* parent, const QString& text) override;
    [[nodiscard]] bool confirmOverwrite(QWidget* parent, const QString& path) override;
    QString openPath(QWidget* parent) override;
    QString savePath(QWidget* parent, const QString& suggested) override;

  private:
    // One non-modal box, reused, so repeated notices never pile up. It has no
    // parent so this object alone owns it.
    std::unique_ptr<QMessageBox> noticeBox_;
};

}  // namespace kelpris
