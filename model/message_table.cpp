#include "message_table.h"

#include <array>
#include <utility>

namespace kelto {
namespace {

struct MessageEntry {
    int number;
    std::string_view text;
    MessageIcon icon;
};

constexpr MessageEntry kMessages[] = {
    {kMsgNoTipsFile, "Tips file does not exist in the prescribed directory",
     MessageIcon::Information},
    {kMsgTipsTrouble, "Trouble reading the tips file", MessageIcon::Warning},
    {kMsgImageTypeUnknown, "Error image type '%s': No plug-in parser found.", MessageIcon::Error},
    {kMsgImageOpenFailed, "Error: unable to open image file: '%s'", MessageIcon::Error},
    {kMsgImageChannels, "Error: Invalid channels: %d in image file.", MessageIcon::Error},
    {kMsgNotPngFile, "Error: '%s' Is not a valid PNG file.", MessageIcon::Error},
    {kMsgAbortRender, "Are you sure you wish to abort rendering?", MessageIcon::Question},
    {kMsgRenderInProgress,
     "You cannot close a workspace while a render is in progress. Select the Stop Render "
     "command before closing.",
     MessageIcon::Information},
    {kMsgSaveRenderedImage, "Save changes to rendered image?", MessageIcon::Question},
    {kMsgNotSceneFile, "Error: File is not a Kelto scene file: %s.", MessageIcon::Error},
    {kMsgSceneVersion, "Error loading unsupported (ver %d) Kelto scene file:%s.",
     MessageIcon::Error},
    {kMsgSceneCorrupt, "Error reading corrupt Kelto scene file: %s.", MessageIcon::Error},
    {kMsgSceneSaveFailed, "Error: unable to save Kelto scene file: %s.", MessageIcon::Error},
    {kMsgSceneOpenFailed, "Error: unable to open Kelto scene file: %s.", MessageIcon::Error},
    {kMsgImageTooLarge, "Error: image too large to import: '%s'", MessageIcon::Error},
    {kMsgImageDamaged, "Error: image file damaged or cut short: '%s'", MessageIcon::Error},
    // The second field is the decoding library's reason.
    {kMsgImageUnreadable, "Error: unable to read image file: '%s' (%s)", MessageIcon::Error},
    {kMsgTextTooLarge, "The text '%s' is too long to make into one object.", MessageIcon::Warning},
    {kMsgNoTrueTypeFont, "No TrueType font matches '%s'.", MessageIcon::Warning},
    {kMsgTextCharactersMissing,
     "These characters are not in the font and are left out of the text: %s.",
     MessageIcon::Warning},
    {kMsgTextEmpty,
     "The text '%s' makes no object: none of its characters has an outline in the font.",
     MessageIcon::Warning},
    {kMsgObjectLeftOut,
     "Warning: %s is left out of the render: its position or size is out of range.",
     MessageIcon::Warning},
    {kMsgTrimNoIntersection,
     "Unable to complete the requested boolean operation because the selected objects do not "
     "intersect.",
     MessageIcon::Information},
    {kMsgTrimTopology, "Unable to complete the requested operation. <IDS_CSG_VORN_TOPLOGY_ERROR>",
     MessageIcon::Warning},
    {kMsgTrimIsomorphism, "Unable to complete the requested operation. <IDS_CSG_VORN_ISOMORPHISM>",
     MessageIcon::Warning},
    {kMsgObjectTypeUnknown, "Error object type '%s': No plug-in parser found.", MessageIcon::Error},
    {kMsgObjectOpenFailed, "Error: unable to open object file '%s'.", MessageIcon::Error},
    {kMsg3dsIdentifier, "Error reading identifier in 3ds file: %s.", MessageIcon::Error},
    {kMsg3dsNotA3ds, "File %s is not a 3ds file (or is corrupt).", MessageIcon::Error},
    {kMsg3dsCorrupt, "File %s is corrupt.", MessageIcon::Error},
    {kMsg3dsChunkLength, "Error encountered in %s: corrupt chunk length.", MessageIcon::Error},
    {kMsg3dsDatablock, "Error encountered in %s: corrupt datablock.", MessageIcon::Error},
    {kMsg3dsVersion, "Error reading %s: version %d 3ds files are not supported.",
     MessageIcon::Error},
    {kMsgNotAGroup, "'%s' is not a group.", MessageIcon::Information},
    {kMsgUngroupShear,
     "The group '%s' is scaled unevenly and its members are turned within it: taken out of it "
     "they would change shape, so the group stays.",
     MessageIcon::Information},
    {kMsgNameEmpty, "A name cannot be empty.", MessageIcon::Warning},
    {kMsgNameTooLong, "The name '%s' is too long: a name has at most 24 characters.",
     MessageIcon::Warning},
    {kMsgNameTaken, "The name '%s' is taken by another object.", MessageIcon::Warning},
    {kMsgNoSuchObject, "The object is no longer in the scene.", MessageIcon::Warning},
    {kMsgNoSuchLight, "The light is no longer in the scene.", MessageIcon::Warning},
    {kMsgImageWriteFailed, "Error: unable to write image file: '%s'", MessageIcon::Error},
    {kMsgHistoryMismatch,
     "The scene no longer matches the undo history; the history has been cleared.",
     MessageIcon::Warning},
    {kMsgNoSuchView, "The scene has no view %d.", MessageIcon::Error},
    {kMsgPasteTooFine,
     "The objects cannot be pasted: their surfaces are tessellated so finely that the scene "
     "could no longer be saved and opened again.",
     MessageIcon::Warning},
    {kMsgPartOpenFailed, "Error: unable to open render part file: %s.", MessageIcon::Error},
    {kMsgPartNotPart, "Error: %s is not a Kelto render part file.", MessageIcon::Error},
    {kMsgPartVersion, "Error: %s is a Kelto render part of an unsupported version (%d).",
     MessageIcon::Error},
    {kMsgPartCorrupt, "Error: the Kelto render part %s is damaged or cut short.",
     MessageIcon::Error},
    {kMsgPartForeign, "Error: the render part %s does not belong with %s: the %s differs.",
     MessageIcon::Error},
    {kMsgPartListedTwice, "Error: the render part %s is listed twice.", MessageIcon::Error},
    {kMsgPartOverlap, "Error: the render parts %s and %s overlap.", MessageIcon::Error},
    {kMsgPartGap, "Error: no render part covers pixel (%d, %d): a part is missing.",
     MessageIcon::Error},
    {kMsgPartTileMissing, "Error: tile %d of %s is missing from the render parts.",
     MessageIcon::Error},
    {kMsgPartWriteFailed, "Error: unable to write render part file: %s.", MessageIcon::Error},
    {kMsgPartSceneFile, "scene file", MessageIcon::None},
    {kMsgPartPictureSize, "picture size", MessageIcon::None},
    {kMsgPartQuality, "quality", MessageIcon::None},
    {kMsgPartSeed, "seed", MessageIcon::None},
    {kMsgPartView, "view", MessageIcon::None},
    {kMsgExportWriteFailed, "cannot write %s", MessageIcon::Error},
    {kMsgExportOpenSurfaces,
     "The surfaces of these objects are not closed, so a slicer may not take them as solids: %s",
     MessageIcon::Warning},
    {kMsgMaterialFileDamaged,
     "The material file %s is damaged or not a Kelto material; it is left out of the library.",
     MessageIcon::Warning},
    {kMsgMaterialSaveFailed, "Error: unable to save the material file %s.", MessageIcon::Error},
    {kMsgUnknownMaterialPreset, "There is no ready material named '%s'. The ready materials: %s.",
     MessageIcon::Error},
    {kMsgFieldOutOfRange, "%s takes a number from %s to %s; '%s' is not one.",
     MessageIcon::Warning},
    {kMsgNameBlank, "A name cannot be only spaces.", MessageIcon::Warning},
    {kMsgEnvironmentMissing, "The environment picture %s cannot be found or opened.",
     MessageIcon::Error},
    {kMsgEnvironmentUnreadable, "The environment picture %s cannot be read: %s.",
     MessageIcon::Error},
    {kMsgEnvironmentTooLarge,
     "The environment picture %s is too large (%s x %s pixels): at most %s pixels on a side and "
     "%s pixels in all.",
     MessageIcon::Error},
    {kMsgPictureNameUnfit,
     "The environment picture's file name is too long or holds a zero byte: at most %s bytes.",
     MessageIcon::Warning},
    {kMsgEnvironmentNoFile, "The picture environment has no picture file chosen.",
     MessageIcon::Error},
    {kMsgModelReadFailed, "Error reading object file '%s': %s.", MessageIcon::Error},
    {kMsgModelTooLarge, "Error: object file '%s' is too large to import: %s.", MessageIcon::Error},
    {kMsgModelEmpty, "Object file '%s' holds no triangles to import.", MessageIcon::Error},
    {kMsgModelPictureUnread,
     "The picture '%s' named in object file '%s' could not be read; the material keeps its "
     "colour.",
     MessageIcon::Warning},
    {kMsgModelFacesLeftOut,
     "%s faces of object file '%s' were left out: broken coordinates or indices, or not "
     "triangles.",
     MessageIcon::Warning},
    {kMsgTrimResourcesLow,
     "Unable to complete the requested CSG operation because system\nresources are low. "
     "<VORN_RES_LOW_CSG>",
     MessageIcon::Warning},
    // The application's own.
    {kMsgKilobytes, "%lu KB", MessageIcon::Information},
    {kMsgNeedsColour, "This version of Rovize(tm) requires at least 16 bit color support",
     MessageIcon::Error},
    {kMsgSaveChanges, "Save changes to %s?", MessageIcon::Warning},
    {kMsgSettingsReadOnly,
     "Kelto cannot write its settings to %s. Changes to the settings last until Kelto closes.",
     MessageIcon::Warning},
    {kMsgNoOpenGL,
     "OpenGL is not available on this display, so the modelling windows stay empty. Scenes can "
     "still be opened, saved and edited.",
     MessageIcon::Warning},
    {kMsgAutosaveFailed,
     "Kelto cannot write the autosave copies of your scenes to %s (the folder cannot be made or "
     "written, or the disk is full). Until it can, save your work yourself; Kelto keeps trying.",
     MessageIcon::Warning},
    {kMsgTextureUnusable,
     "The picture of the material of '%s' cannot be shown in the modelling windows; the object "
     "is drawn without it.",
     MessageIcon::Warning},
    {kMsgCameraOfWindow,
     "'%s' is the camera of an open window, which saves its camera there. Close the window to "
     "delete it.",
     MessageIcon::Information},
    {kMsgNameNotLatin1,
     "The name '%s' has characters a Kelto scene file cannot keep (only Latin-1 ones).",
     MessageIcon::Error},
    {kMsgScriptFailed,
     "The script %s stopped with an error, and what it changed in the scene is taken back.\n\n%s",
     MessageIcon::Error},
    {kMsgScriptUnavailable, "This Kelto is built without Python, so it cannot run scripts.",
     MessageIcon::Error},
    {kMsgScriptFailedKept,
     "The script %s stopped with an error. What it changed in the scene was too large for the "
     "history to keep and cannot be taken back; check the scene before you save it.\n\n%s",
     MessageIcon::Error},
};

// Replaces the first field of the given kind ("%s" or "%d") with the text.
std::string Fill(std::string message, std::string_view field, std::string_view value) {
    const std::size_t at = message.find(field);
    if (at != std::string::npos) {
        message.replace(at, field.size(), value);
    }
    return message;
}

const MessageEntry* Find(int number) {
    for (const MessageEntry& entry : kMessages) {
        if (entry.number == number) {
            return &entry;
        }
    }
    return nullptr;
}

}  // namespace

std::string_view MessageTemplate(int number) {
    const MessageEntry* entry = Find(number);
    return entry == nullptr ? std::string_view{} : entry->text;
}

MessageIcon MessageIconOf(int number) {
    const MessageEntry* entry = Find(number);
    return entry == nullptr ? MessageIcon::Error : entry->icon;
}

std::string FormatMessageWith(int number, const std::vector<std::string>& arguments) {
    std::string message(MessageTemplate(number));
    std::size_t next = 0;
    std::size_t at = 0;
    while (next < arguments.size() && (at = message.find('%', at)) != std::string::npos) {
        if (at + 1 < message.size() && (message[at + 1] == 's' || message[at + 1] == 'd')) {
            message.replace(at, 2, arguments[next]);
            at += arguments[next].size();
            ++next;
        } else {
            ++at;
        }
    }
    return message;
}

Status Status::Message(int number, std::initializer_list<std::string> arguments) {
    return Message(number, arguments, MessageIconOf(number));
}

Status Status::Message(int number, std::initializer_list<std::string> arguments, MessageIcon icon) {
    std::vector<std::string> values(arguments);
    std::string text = FormatMessageWith(number, values);
    return Status(number, std::move(values), icon, std::move(text));
}

Status Status::WithText(int number, std::string text) {
    return Status(number, {}, MessageIconOf(number), std::move(text));
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
