#include "diag/state_notice.h"

namespace {

StateNoticeHandler stateNoticeHandler = nullptr;

} // namespace

void SetStateNoticeHandler(StateNoticeHandler handler) { stateNoticeHandler = handler; }

void NotifyStateChanged() {
    if (stateNoticeHandler)
        stateNoticeHandler();
}
