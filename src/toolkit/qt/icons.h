#pragma once

#include "platform/win_types.h"

#include <QIcon>

namespace toolkit::qt {

// The icon behind a handle from LoadIconA; a null icon for an unknown handle.
QIcon IconOf(HICON icon);

} // namespace toolkit::qt
