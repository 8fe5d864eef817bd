#include "update/upd_system_win.h"

UpdSystemCalls& UpdSystem() {
    static UpdSystemCalls calls;
    return calls;
}
