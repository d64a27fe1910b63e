// When the commands that depend on the selection are enabled and checked. The windows only
// read these.
#pragma once

#include "document_core.h"

namespace kelto {

struct CommandState {
    bool enabled = false;
    bool checked = false;
};

// Group/ungroup: enabled with more than one selected object, or one that is a group
// selection; checked for a single group selection.
CommandState GroupCommandState(const DocumentCore& document);
// Trim: enabled with exactly two selected objects, or one Trim result; checked for a single
// Trim result.
CommandState TrimCommandState(const DocumentCore& document);
// Combine and Intersect: enabled with exactly two selected objects (their operands); never
// checked.
CommandState CombineCommandState(const DocumentCore& document);
CommandState IntersectCommandState(const DocumentCore& document);
// Material Properties: exactly one thing selected, an object, and not a group selection.
CommandState MaterialPropertiesState(const DocumentCore& document);
// Light Properties: exactly one thing selected, a light, and not a group selection.
CommandState LightPropertiesState(const DocumentCore& document);
// Edit Text: as Material Properties, and the object is a Text object.
CommandState EditTextState(const DocumentCore& document);

}  // namespace kelto
