// The picture of the about box's credits area, as XPM data (119 x 33 pixels).
#pragma once

namespace controls {

extern const char* const kAboutLogoXpm[];

} // namespace controls
