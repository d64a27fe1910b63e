// The font a text object is made with, with the fields of the desktop's logical font record.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace kelto {

struct LogFont {
    static constexpr std::size_t kFaceNameSize = 32;

    std::int32_t height = 32;
    std::int32_t width = 0;
    std::int32_t escapement = 0;
    std::int32_t orientation = 0;
    std::int32_t weight = 400;  // 400 regular, 700 bold
    std::uint8_t italic = 0;
    std::uint8_t underline = 0;
    std::uint8_t strike_out = 0;
    std::uint8_t char_set = 0;
    std::uint8_t out_precision = 0;
    std::uint8_t clip_precision = 0;
    std::uint8_t quality = 0;
    std::uint8_t pitch_and_family = 0;
    std::array<char, kFaceNameSize> face_name{};

    std::string FaceName() const;
    // Stores at most 31 bytes and a terminating zero.
    void SetFaceName(const std::string& name);

    // The text tool's first font: "Times New Roman", regular, height 32.
    static LogFont TextToolDefault();

    friend bool operator==(const LogFont&, const LogFont&) = default;
};

// The text tool's depth slider runs from 1 to 150; the depth is the value times 0.01.
inline constexpr int kMinDepthSlider = 1;
inline constexpr int kMaxDepthSlider = 150;
double TextDepthFromSlider(int slider);

}  // namespace kelto
