// Message boxes and beeps recorded instead of shown and heard, while the log lives.
#pragma once

#include "toolkit/win_ui.h"

#include <vector>

namespace orv_test {

// Records every message box and answers it with `answer` (IDOK unless told).
class MessageBoxLog {
public:
    explicit MessageBoxLog(int answer = IDOK) {
        toolkit::SetMessageBoxHandler([this, answer](const toolkit::MessageBoxRecord& box) {
            boxes.push_back(box);
            return answer;
        });
    }
    ~MessageBoxLog() { toolkit::SetMessageBoxHandler({}); }
    MessageBoxLog(const MessageBoxLog&) = delete;
    MessageBoxLog& operator=(const MessageBoxLog&) = delete;
    std::vector<toolkit::MessageBoxRecord> boxes;
};

// Records the style of every beep.
class BeepLog {
public:
    BeepLog() {
        toolkit::SetBeepHandler([this](UINT style) { beeps.push_back(style); });
    }
    ~BeepLog() { toolkit::SetBeepHandler({}); }
    BeepLog(const BeepLog&) = delete;
    BeepLog& operator=(const BeepLog&) = delete;
    std::vector<UINT> beeps;
};

} // namespace orv_test
