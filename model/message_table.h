// The program's one table of message texts, by message number. Messages that take an argument
// hold one printf-style field (%s or %d).
#pragma once

#include <string>
#include <string_view>

namespace kelto {

enum MessageNumber : int {
    kMsgNoTipsFile = 115,
    kMsgTipsTrouble = 116,
    kMsgImageTypeUnknown = 61465,
    kMsgImageOpenFailed = 61466,
    kMsgImageChannels = 61467,
    kMsgNotPngFile = 61469,
    kMsgAbortRender = 61470,
    kMsgRenderInProgress = 61471,
    kMsgSaveRenderedImage = 61472,
    kMsgNotSceneFile = 61473,
    kMsgSceneVersion = 61474,
    kMsgSceneCorrupt = 61475,
    kMsgSceneSaveFailed = 61476,
    kMsgSceneOpenFailed = 61477,
    kMsgImageTooLarge = 61478,
    kMsgTextTooLarge = 61479,
    kMsgNoTrueTypeFont = 61480,
    kMsgTrimNoIntersection = 61481,
    kMsgTrimTopology = 61482,
    kMsgTrimIsomorphism = 61483,
    kMsgTrimResourcesLow = 61484,
    kMsgObjectTypeUnknown = 61485,
    kMsgObjectOpenFailed = 61486,
    kMsg3dsIdentifier = 61487,
    kMsg3dsNotA3ds = 61488,
    kMsg3dsCorrupt = 61489,
    kMsg3dsChunkLength = 61490,
    kMsg3dsDatablock = 61491,
    kMsg3dsVersion = 61492,
    kMsgObjectLeftOut = 61493,
};

// The text of a message, or an empty view for an unknown number.
std::string_view MessageTemplate(int number);

// The message with its field filled in.
std::string FormatMessage(int number);
std::string FormatMessage(int number, std::string_view text);
std::string FormatMessage(int number, int value);
std::string FormatMessage(int number, int value, std::string_view text);

// A failure the user caused, as the library reports it: the message number and its final text.
// number 0 means success; a failure may also have no message (number -1, empty text).
struct Status {
    static constexpr int kOk = 0;
    static constexpr int kSilentFailure = -1;
    // A message that comes from a library (an image decoder) rather than our table.
    static constexpr int kLibraryMessage = -2;

    int number = kOk;
    std::string text;

    bool ok() const { return number == kOk; }
    static Status Ok() { return {}; }
    static Status Silent() { return {kSilentFailure, {}}; }
    static Status Message(int n, std::string t) { return {n, std::move(t)}; }
    static Status Library(std::string t) { return {kLibraryMessage, std::move(t)}; }
};

}  // namespace kelto
