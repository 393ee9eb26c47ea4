#pragma once
// The document side of the view/document pair: the view hands it the one
// scene so that opening a file can reload that scene in place.

namespace kelpris {

class Scena;

class SceneHolder {
  public:
    virtual ~SceneHolder() = default;
    /// Called by the view on every platform paint (before layout) and when the
    /// document is attached. `scene` is owned by the view and stays valid until
    /// the view is destroyed; the holder never deletes it.
    virtual void setScene(Scena* scene) = 0;
};

}  // namespace kelpris
