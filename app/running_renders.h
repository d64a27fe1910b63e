// The process-wide count of renders in progress. A render window holds a Token while its
// render thread runs (from the start of the thread until the render finishes, is stopped or
// its window closes); the main window refuses to close while the count is above zero.
#pragma once

namespace kelto {

class RunningRenders {
  public:
    static int Count();

    // One running render, counted for as long as the token lives.
    class Token {
      public:
        Token();
        ~Token();
        Token(Token&& other) noexcept : counted_(other.counted_) { other.counted_ = false; }
        Token& operator=(Token&& other) noexcept;
        Token(const Token&) = delete;
        Token& operator=(const Token&) = delete;
        // Stops counting now (the render finished) rather than when the token goes.
        void Release();

      private:
        bool counted_ = true;
    };
};

}  // namespace kelto
