// The program's one table of message texts, by message number. Messages that take an argument
// hold one printf-style field (%s or %d).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "status.h"

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
    kMsgTextCharactersMissing = 61493,
    kMsgTextEmpty = 61494,
    kMsgObjectLeftOut = 61495,
    kMsgImageDamaged = 61496,
    kMsgImageUnreadable = 61497,
    // The document's own refusals.
    kMsgNotAGroup = 61500,
    kMsgUngroupShear = 61501,
    kMsgNameEmpty = 61502,
    kMsgNameTooLong = 61503,
    kMsgNameTaken = 61504,
    kMsgNoSuchObject = 61505,
    kMsgNoSuchLight = 61506,
    kMsgImageWriteFailed = 61507,
    kMsgHistoryMismatch = 61520,
    kMsgNoSuchView = 61508,
    kMsgPasteTooFine = 61509,
    // Render parts and their merge.
    kMsgPartOpenFailed = 61540,
    kMsgPartNotPart = 61541,
    kMsgPartVersion = 61542,
    kMsgPartCorrupt = 61543,
    kMsgPartForeign = 61544,
    kMsgPartListedTwice = 61545,
    kMsgPartOverlap = 61546,
    kMsgPartGap = 61547,
    kMsgPartTileMissing = 61548,
    kMsgPartWriteFailed = 61549,
    // What kMsgPartForeign says differs.
    kMsgPartSceneFile = 61550,
    kMsgPartPictureSize = 61551,
    kMsgPartQuality = 61552,
    kMsgPartSeed = 61553,
    kMsgPartView = 61554,
    // Exports to other programs' formats.
    kMsgExportWriteFailed = 61560,
    kMsgExportOpenSurfaces = 61565,
    // The user's material library.
    kMsgMaterialFileDamaged = 61570,
    kMsgMaterialSaveFailed = 61571,
    kMsgUnknownMaterialPreset = 61572,
    // Typed values and names of the panels.
    kMsgFieldOutOfRange = 61600,
    kMsgNameBlank = 61601,
    // Environment pictures.
    kMsgEnvironmentMissing = 61610,
    kMsgEnvironmentUnreadable = 61611,
    kMsgEnvironmentTooLarge = 61612,
    kMsgPictureNameUnfit = 61613,
    kMsgEnvironmentNoFile = 61614,

    // Other programs' model files.
    kMsgModelReadFailed = 61620,
    kMsgModelTooLarge = 61621,
    kMsgModelEmpty = 61622,
    kMsgModelPictureUnread = 61623,
    kMsgModelFacesLeftOut = 61624,
    // The application's own.
    kMsgKilobytes = 118,
    kMsgNeedsColour = 61450,
    kMsgSaveChanges = 61530,
    kMsgSettingsReadOnly = 61531,
    kMsgNoOpenGL = 61532,
    kMsgTextureUnusable = 61533,
    kMsgCameraOfWindow = 61534,
    kMsgNameNotLatin1 = 61535,
    kMsgAutosaveFailed = 61536,
    kMsgScriptFailed = 61537,
    kMsgScriptUnavailable = 61538,
    kMsgScriptFailedKept = 61539,
};

// The text of a message, or an empty view for an unknown number.
std::string_view MessageTemplate(int number);

// The message with its field filled in.
std::string FormatMessage(int number);
std::string FormatMessage(int number, std::string_view text);
std::string FormatMessage(int number, int value);
std::string FormatMessage(int number, int value, std::string_view text);

// The box the table shows a message in (Error for a number it does not know).
MessageIcon MessageIconOf(int number);
// The message with its fields ("%s", "%d") filled in order from `arguments`.
std::string FormatMessageWith(int number, const std::vector<std::string>& arguments);

}  // namespace kelto
