// The program's icon resources, 32 x 32 pixels in the 16 colours of the classic palette:
// "MAINICON" (the program: the card with its optical ADAT port) and "MIXERICON" (the
// notification area and the meter windows: a meter bridge).
#include "app/icons.h"

#include "toolkit/win_ui.h"

namespace app {
namespace {

// clang-format off
const char* const kMainIcon[] = {
    "32 32 8 1",
    ". c None",
    "k c #000000",
    "l c #00FF00",
    "n c #000080",
    "r c #FF0000",
    "t c #008080",
    "w c #FFFFFF",
    "y c #FFFF00",
    "................................",
    "................................",
    "................................",
    "................................",
    "................................",
    "................................",
    "..kkkkkkkkkkkkkkkkkkkkkkkkkkkk..",
    "..kttttttttttttttttttttttttttk..",
    "..kttttttttttttttttttttttttttk..",
    "..kttttttttttttttttttwwttttttk..",
    "..kttkkkkkkkktttttwwwwwwwwtttk..",
    "..kttkkkkkkkkttttwwwwwwwwwwttk..",
    "..kttkkrrrrkktttwwwwnnnnwwwwtk..",
    "..kttkkrrrrkktttwwwnnnynnwwwtk..",
    "..kttkkrrrrkktttwwnnnnlnnnwwtk..",
    "..kttkkrrrrkkttwwwnnnnlnnnwwwk..",
    "..kttkkkkkkkkttwwwnnlnlnnnwwwk..",
    "..kttkkkkkkkktttwwnnlnlnnnwwtk..",
    "..ktttttttttttttwwwnlnlnnwwwtk..",
    "..ktttttttttttttwwwwnnnnwwwwtk..",
    "..kttttttttttttttwwwwwwwwwwttk..",
    "..ktttttttttttttttwwwwwwwwtttk..",
    "..kttttttttttttttttttwwttttttk..",
    "..kttttttttttttttttttttttttttk..",
    "..kttttttttttttttttttttttttttk..",
    "..kkkkkkkkkkkkkkkkkkkkkkkkkkkk..",
    ".....yy.yy.yy.yy.yy.yy.yy.yy....",
    ".....yy.yy.yy.yy.yy.yy.yy.yy....",
    ".....yy.yy.yy.yy.yy.yy.yy.yy....",
    "................................",
    "................................",
    "................................"
};

const char* const kMixerIcon[] = {
    "32 32 9 1",
    ". c None",
    "d c #808080",
    "g c #008000",
    "k c #000000",
    "l c #00FF00",
    "m c #800000",
    "o c #808000",
    "r c #FF0000",
    "y c #FFFF00",
    "................................",
    ".kkkkkkkkkkkkkkkkkkkkkkkkkkkkkk.",
    ".kddddddddddddddddddddddddddddk.",
    ".kdkkkkkkkkkkkkkkkkkkkkkkkkkkdk.",
    ".kdkkkkkkkkkkkkkkkkkkkkkkkkkkdk.",
    ".kdkkkkkkkkkkkkkkkkkkkkkkkkkkdk.",
    ".kdkkmmmmkkrrrrkkmmmmkkmmmmkkdk.",
    ".kdkkkkkkkkkkkkkkkkkkkkkkkkkkdk.",
    ".kdkkooookkyyyykkooookkooookkdk.",
    ".kdkkkkkkkkkkkkkkkkkkkkkkkkkkdk.",
    ".kdkkooookkyyyykkooookkyyyykkdk.",
    ".kdkkkkkkkkkkkkkkkkkkkkkkkkkkdk.",
    ".kdkkyyyykkyyyykkooookkyyyykkdk.",
    ".kdkkkkkkkkkkkkkkkkkkkkkkkkkkdk.",
    ".kdkkllllkkllllkkggggkkllllkkdk.",
    ".kdkkkkkkkkkkkkkkkkkkkkkkkkkkdk.",
    ".kdkkllllkkllllkkggggkkllllkkdk.",
    ".kdkkkkkkkkkkkkkkkkkkkkkkkkkkdk.",
    ".kdkkllllkkllllkkllllkkllllkkdk.",
    ".kdkkkkkkkkkkkkkkkkkkkkkkkkkkdk.",
    ".kdkkllllkkllllkkllllkkllllkkdk.",
    ".kdkkkkkkkkkkkkkkkkkkkkkkkkkkdk.",
    ".kdkkllllkkllllkkllllkkllllkkdk.",
    ".kdkkkkkkkkkkkkkkkkkkkkkkkkkkdk.",
    ".kdkkllllkkllllkkllllkkllllkkdk.",
    ".kdkkkkkkkkkkkkkkkkkkkkkkkkkkdk.",
    ".kdkkllllkkllllkkllllkkllllkkdk.",
    ".kdkkkkkkkkkkkkkkkkkkkkkkkkkkdk.",
    ".kdkkkkkkkkkkkkkkkkkkkkkkkkkkdk.",
    ".kddddddddddddddddddddddddddddk.",
    ".kkkkkkkkkkkkkkkkkkkkkkkkkkkkkk.",
    "................................"
};
// clang-format on

} // namespace

void RegisterIcons() {
    toolkit::RegisterIconResource("MAINICON", kMainIcon);
    toolkit::RegisterIconResource("MIXERICON", kMixerIcon);
}

const char* const* MainIconXpm() {
    return kMainIcon;
}
const char* const* MixerIconXpm() {
    return kMixerIcon;
}

} // namespace app
