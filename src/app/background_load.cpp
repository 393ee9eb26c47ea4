#include "app/background_load.h"

#include <QMetaObject>

#include "app/file_names.h"

namespace kelpris {

BackgroundLoad::BackgroundLoad(Progress progress, Finished finished, QObject* parent)
    : QObject(parent), progress_(std::move(progress)), finished_(std::move(finished)) {}

BackgroundLoad::~BackgroundLoad() {
    abandon();
}

void BackgroundLoad::abandon() {
    ++generation_;  // whatever the old worker posts is stale now
    if (token_) {
        token_->cancel();
    }
    if (worker_.joinable()) {
        worker_.join();
    }
    token_.reset();
    running_ = false;
}

void BackgroundLoad::cancel() {
    if (token_) {
        token_->cancel();
    }
}

void BackgroundLoad::start(const QByteArray& path, const mesh::ImportOptions& options) {
    abandon();
    const std::uint64_t generation = ++generation_;
    token_ = std::make_unique<mesh::CancelToken>();
    running_ = true;
    const mesh::CancelToken* token = token_.get();
    // The worker only posts to this object, which outlives it: the
    // destructor joins the thread, and posts left in the queue die with it.
    worker_ = std::thread([this, path, options, token, generation] {
        auto onProgress = [this, generation](std::uint64_t done, std::uint64_t total) {
            QMetaObject::invokeMethod(
                this,
                [this, generation, done, total] {
                    if (generation == generation_ && progress_) {
                        progress_(done, total);
                    }
                },
                Qt::QueuedConnection);
        };
        auto result = std::make_shared<Result<mesh::LoadedModel>>(
            mesh::loadModelFile(fsPath(path), options, token, onProgress));
        const bool cancelled = token->cancelled();
        QMetaObject::invokeMethod(
            this,
            [this, generation, path, result, cancelled] {
                deliver(generation, path, result, cancelled);
            },
            Qt::QueuedConnection);
    });
}

void BackgroundLoad::deliver(std::uint64_t generation, const QByteArray& path,
                             const std::shared_ptr<Result<mesh::LoadedModel>>& result,
                             bool cancelled) {
    if (generation != generation_) {
        return;
    }
    if (worker_.joinable()) {
        worker_.join();  // it has posted its last word and is ending
    }
    token_.reset();
    running_ = false;
    if (finished_) {
        finished_(path, std::move(*result), cancelled);
    }
}

}  // namespace kelpris
