#include "ui/transport_state.h"

TransportState transport;
