// How the Qt event loop learns of the toolkit's posted messages: a posting thread writes an
// eventfd that a socket notifier on the user-interface thread watches, and each wake delivers,
// in one round, the messages queued at that moment. A post allocates nothing and touches none
// of Qt's own queues; a burst of posts costs one wake.
#pragma once

namespace toolkit::qt {

// Once, on the user-interface thread, after the application object exists.
void InstallPostedMessageWake();

} // namespace toolkit::qt
