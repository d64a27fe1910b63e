#include "running_renders.h"

#include <atomic>

namespace kelto {
namespace {
// The count itself: raised and lowered by tokens only, read by the main window.
std::atomic<int> running_render_count{0};
}  // namespace

int RunningRenders::Count() {
    return running_render_count.load();
}

RunningRenders::Token::Token() {
    running_render_count.fetch_add(1);
}

RunningRenders::Token::~Token() {
    Release();
}

RunningRenders::Token& RunningRenders::Token::operator=(Token&& other) noexcept {
    if (this != &other) {
        Release();
        counted_ = other.counted_;
        other.counted_ = false;
    }
    return *this;
}

void RunningRenders::Token::Release() {
    if (counted_) {
        counted_ = false;
        running_render_count.fetch_sub(1);
    }
}

}  // namespace kelto
