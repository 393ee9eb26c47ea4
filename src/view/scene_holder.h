#pragma once
// The document side of the view/document pair: the view hands it the model
// it shows, so that the document can save it.

#include <memory>

namespace kelpris {

class Scena;

class SceneHolder {
  public:
    virtual ~SceneHolder() = default;
    /// Called by the view when the document is attached and whenever the
    /// model shown is replaced. The model is read-only and shared.
    virtual void setScene(std::shared_ptr<const Scena> scene) = 0;
};

}  // namespace kelpris
