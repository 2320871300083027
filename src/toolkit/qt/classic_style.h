// The classic metrics of check boxes and radio buttons on top of whatever style Qt uses: a
// 13-pixel indicator at the left edge and the caption 4 pixels after it, so a caption that fits
// its box in the classic layout fits here too.
#pragma once

namespace toolkit::qt {

void InstallClassicMetrics();

} // namespace toolkit::qt
