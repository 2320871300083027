// The program's icon resources.
#pragma once

namespace app {

// Registers "MAINICON" and "MIXERICON" with the toolkit, so that LoadIconA finds them.
void RegisterIcons();
const char* const* MainIconXpm();
const char* const* MixerIconXpm();

} // namespace app
