#include "message_table.h"

#include <array>
#include <utility>

namespace kelto {
namespace {

constexpr std::array<std::pair<int, std::string_view>, 30> kMessages = {{
    {kMsgNoTipsFile, "Tips file does not exist in the prescribed directory"},
    {kMsgTipsTrouble, "Trouble reading the tips file"},
    {kMsgImageTypeUnknown, "Error image type '%s': No plug-in parser found."},
    {kMsgImageOpenFailed, "Error: unable to open image file: '%s'"},
    {kMsgImageChannels, "Error: Invalid channels: %d in image file."},
    {kMsgNotPngFile, "Error: '%s' Is not a valid PNG file."},
    {kMsgAbortRender, "Are you sure you wish to abort rendering?"},
    {kMsgRenderInProgress,
     "You cannot close a workspace while a render is in progress. Select the Stop Render "
     "command before closing."},
    {kMsgSaveRenderedImage, "Save changes to rendered image?"},
    {kMsgNotSceneFile, "Error: File is not an Kelto scene file: %s."},
    {kMsgSceneVersion, "Error loading unsupported (ver %d) Kelto scene file:%s."},
    {kMsgSceneCorrupt, "Error reading corrupt Kelto scene file: %s."},
    {kMsgSceneSaveFailed, "Error: unable to save Kelto scene file: %s."},
    {kMsgSceneOpenFailed, "Error: unable to open Kelto scene file: %s."},
    {kMsgImageTooLarge, "Error: image too large to import: '%s'"},
    {kMsgTextTooLarge, "The text '%s' is too long to make into one object."},
    {kMsgNoTrueTypeFont, "No TrueType font matches '%s'."},
    {kMsgTrimNoIntersection,
     "Unable to complete the requested boolean operation because the selected objects do not "
     "intersect."},
    {kMsgTrimTopology, "Unable to complete the requested operation. <IDS_CSG_VORN_TOPLOGY_ERROR>"},
    {kMsgTrimIsomorphism, "Unable to complete the requested operation. <IDS_CSG_VORN_ISOMORPHISM>"},
    {kMsgObjectTypeUnknown, "Error object type '%s': No plug-in parser found."},
    {kMsgObjectOpenFailed, "Error: unable to open object file '%s'."},
    {kMsg3dsIdentifier, "Error reading identifier in 3ds file: %s."},
    {kMsg3dsNotA3ds, "File %s is not a 3ds file (or is corrupt)."},
    {kMsg3dsCorrupt, "File %s is corrupt."},
    {kMsg3dsChunkLength, "Error encountered in %s: corrupt chunk length."},
    {kMsg3dsDatablock, "Error encountered in %s: corrupt datablock."},
    {kMsg3dsVersion, "Error reading %s: version %d 3ds files are not supported."},
    {kMsgObjectLeftOut,
     "Warning: %s is left out of the render: its position or size is out of range."},
    {kMsgTrimResourcesLow,
     "Unable to complete the requested CSG operation because system\nresources are low. "
     "<VORN_RES_LOW_CSG>"},
}};

// Replaces the first field of the given kind ("%s" or "%d") with the text.
std::string Fill(std::string message, std::string_view field, std::string_view value) {
    const std::size_t at = message.find(field);
    if (at != std::string::npos) {
        message.replace(at, field.size(), value);
    }
    return message;
}

}  // namespace

std::string_view MessageTemplate(int number) {
    for (const auto& [n, text] : kMessages) {
        if (n == number) {
            return text;
        }
    }
    return {};
}

std::string FormatMessage(int number) {
    return std::string(MessageTemplate(number));
}

std::string FormatMessage(int number, std::string_view text) {
    return Fill(std::string(MessageTemplate(number)), "%s", text);
}

std::string FormatMessage(int number, int value) {
    return Fill(std::string(MessageTemplate(number)), "%d", std::to_string(value));
}

std::string FormatMessage(int number, int value, std::string_view text) {
    return Fill(Fill(std::string(MessageTemplate(number)), "%d", std::to_string(value)), "%s",
                text);
}

}  // namespace kelto
