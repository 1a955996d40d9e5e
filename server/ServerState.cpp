#include "server/ServerState.h"

TServerState& Server() {
    static TServerState state;
    return state;
}
