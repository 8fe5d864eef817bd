#include "update/endpoint.h"

// Built twice: once as it is for the player, once with JK_UPD_TEST_ENDPOINT for test programs.
const UpdEndpoint& CompiledUpdEndpoint() {
#ifdef JK_UPD_TEST_ENDPOINT
    return kTestUpdEndpoint;
#else
    return kReleaseUpdEndpoint;
#endif
}
